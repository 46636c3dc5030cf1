#include "platform/ui/BusyPointer.h"

#include "platform/db/Connection.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>

namespace portiva
{

namespace
{

bool g_shown = false;

void showBusy()
{
    if (g_shown || !qApp)
        return;
    g_shown = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // Nothing here may turn the event loop (SQLite is waiting inside a statement); the
    // restore runs once the action is over and the loop turns again.
    QTimer::singleShot(0, qApp, [] {
        QApplication::restoreOverrideCursor();
        g_shown = false;
    });
}

} // namespace

void installBusyPointer()
{
    Connection::setBusyNotice(&showBusy);
}

} // namespace portiva
