// Every GUI test runs with the face the program sets at start-up, so that what a test measures
// or lays out is what the operator sees.

#include "platform/faces/Faces.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace
{

void useTheProgramsFace()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        portiva::useDialogFont();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(useTheProgramsFace)
