#pragma once

// Database files for the start-up tests. Key derivation makes every new file slow, so each test
// class builds one in initTestCase and copies it for the cases that change it.

#include "database/CreateDatabase.h"
#include "platform/db/Connection.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

namespace portiva::test
{

inline QString freshDatabase(const QTemporaryDir &dir, const QString &name,
                             const QString &adminPassword = QStringLiteral("demo"))
{
    const QString path = dir.filePath(name);
    createDatabase(path, adminPassword);
    return path;
}

// A copy of template under a new name in dir; the copy keeps the key.
inline QString copyOf(const QString &templatePath, const QTemporaryDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    if (!QFile::copy(templatePath, path))
        qFatal("cannot copy the test database");
    return path;
}

inline std::shared_ptr<Connection> openDatabase(const QString &path)
{
    return Connection::open(buildConnectionString(path, databasePassword()));
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace portiva::test
