#include "core/HelpFile.h"

#include "portiva/InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

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

bool desktopHasHtmlViewer()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    if (!qEnvironmentVariableIsEmpty("BROWSER") ||
        !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty())
        return true;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(500);
        return false;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace portiva
