#include "tests/support/TestDatabase.h"

#include "database/CreateDatabase.h"
#include "platform/db/Connection.h"
#include "platform/vb/Error.h"

#include <QFile>
#include <QMutex>

namespace portiva
{

namespace
{

// Made once per test process; later fixtures copy it.
QString templatePath()
{
    static QMutex mutex;
    static QTemporaryDir dir;
    static QString path;
    QMutexLocker lock(&mutex);
    if (path.isEmpty()) {
        if (!dir.isValid())
            throw Error(QStringLiteral("No temporary folder for the test database."));
        const QString made = dir.filePath(QStringLiteral("template.db"));
        createDatabase(made, QString::fromLatin1(TestDatabase::OperatorPassword));
        path = made;
    }
    return path;
}

} // namespace

TestDatabase::TestDatabase()
{
    if (!m_dir.isValid())
        throw Error(QStringLiteral("No temporary folder for the test database."));
    m_path = m_dir.filePath(QStringLiteral("Brimo02.db"));
    if (!QFile::copy(templatePath(), m_path))
        throw Error(QStringLiteral("Could not copy the template test database to %1.").arg(m_path));
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
}

TestDatabase::~TestDatabase()
{
    if (m_connection)
        m_connection->close();
}

QString TestDatabase::connectionString() const
{
    return buildConnectionString(m_path, databasePassword());
}

std::shared_ptr<Connection> TestDatabase::connection()
{
    if (!m_connection)
        m_connection = openConnection();
    return m_connection;
}

std::shared_ptr<Connection> TestDatabase::openConnection() const
{
    return Connection::open(connectionString());
}

void TestDatabase::addDemoData()
{
    std::shared_ptr<Connection> c = connection();
    Connection::Transaction transaction(c);
    portiva::addDemoData(*c);
    transaction.commit();
}

} // namespace portiva
