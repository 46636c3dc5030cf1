#include "core/HelpFile.h"

#include "portiva/InstallLayout.h"

#include <QDir>
#include <QFileInfo>

namespace portiva
{

QString helpFileFor(const QString &programDir)
{
    static const QString name = QStringLiteral("RIZERUDO.html");
    const QString beside = QDir::cleanPath(programDir + u'/' + name);
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = QDir::cleanPath(
        programDir + u'/' + QLatin1String(layout::DataDirFromProgram) + u'/' + name);
    return QFileInfo(installed).isFile() ? installed : beside;
}

} // namespace portiva
