#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace portiva
{

class Connection;

// A new database file in its own temporary folder, made by the create-database code with the
// first operator "Forvaltermann" and OperatorPassword. The first one of a test process is made
// from scratch and kept as a template; every further one is a file copy of it, so fixtures are
// cheap. Nothing is kept after the object goes.
class TestDatabase
{
public:
    static constexpr const char *OperatorName = "Forvaltermann";
    static constexpr const char *OperatorPassword = "Portiva-test-1";

    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    QString path() const { return m_path; }
    QString directory() const { return m_dir.path(); }
    QString connectionString() const;
    // One shared connection, opened on first use.
    std::shared_ptr<Connection> connection();
    // A connection of its own, as a second workstation would have.
    std::shared_ptr<Connection> openConnection() const;
    // The demonstration rows of the create-database command's --demo.
    void addDemoData();

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::shared_ptr<Connection> m_connection;
};

} // namespace portiva
