#pragma once

// The sqlcipher command-line tool run on a database file, as an administrator or a script would
// run it: the program's own collations and functions are unknown there.

#include "platform/db/Connection.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

namespace portiva::test
{

inline QString sqlTool()
{
    return QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
}

// The non-blank lines the tool prints for the statements, after it was given the file's key;
// "" for a tool that did not run to its end.
inline QStringList sqlToolLines(const QString &path, const QString &statements)
{
    QProcess cli;
    cli.start(sqlTool(), {path});
    if (!cli.waitForStarted())
        return {QString()};
    cli.write(QStringLiteral("PRAGMA key = '%1';\n").arg(databasePassword()).toUtf8() +
              statements.toUtf8() + '\n');
    cli.closeWriteChannel();
    if (!cli.waitForFinished(30000))
        return {QString()};
    static const QRegularExpression nonBlank(QStringLiteral("\\S"));
    return QString::fromUtf8(cli.readAllStandardOutput()).split(u'\n').filter(nonBlank);
}

} // namespace portiva::test
