#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace portiva
{

struct RecordsetStore;
namespace dbdetail
{
class ChangeTracker;
}

// The parts of a connection text the program cares about.
struct ConnectionParts {
    QString dataSource;
    QString password;
};

// The fixed database password every program file is keyed with.
QString databasePassword();

// "Provider=SQLCipher;Data Source=<path>;Database Password=<password>"; a value holding ";" or
// a double quote is written in double quotes with inner quotes doubled.
QString buildConnectionString(const QString &path, const QString &password);

// Reads both this program's form and the original's ("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data
// Source=...;JET OLEDB:Database Password=..."). Keys ignore case and outer blanks; unknown keys
// are ignored. Throws "Invalid connection string" without a data source.
ConnectionParts parseConnectionString(const QString &text);

// One open database file. Held in std::shared_ptr: recordsets keep their connection alive, so
// replacing the program-wide connection releases the old one without closing it under them.
class Connection
{
public:
    // Opens an existing file only, applies the key, registers the list order's collation
    // (TextOrder.h), sets a busy timeout and proves the key with a read.
    static std::shared_ptr<Connection> open(const QString &connectionString);
    // Makes a NEW keyed file (refuses one that exists); only the create-database command uses it.
    static std::shared_ptr<Connection> create(const QString &path, const QString &password);

    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Runs one statement, or a script of several in turn (positional "?" parameters are taken
    // from params in order). Returns the rows changed by the last statement.
    int exec(const QString &sql, const QVariantList &params = {});
    // First column of the first row; a null QVariant when there is no row.
    QVariant scalar(const QString &sql, const QVariantList &params = {});
    qint64 lastInsertId() const;

    // Closes at once; recordsets opened on it keep their rows but can no longer write.
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    // The raw handle, for backup and benchmark use; nullptr once closed.
    sqlite3 *handle() const { return m_db; }
    // Throws closedConnectionText() when closed; returns the handle otherwise.
    sqlite3 *checkedHandle() const;

    // Gives every table of the file that lacks them the triggers that count its changes
    // (ChangeTracker.h), so that a snapshot stays shared until the tables it reads change, on
    // every connection to the file. Writes the file once; a file that cannot be written now
    // is left as it is. From then on this connection also notes which rows its own writes
    // change, so that a set can read those again alone (Recordset::readChangedRows).
    void addChangeCounters();

    // Off, the layer reads as it did before tables counted their changes: no counters are
    // added, every snapshot is checked against the whole database, and a deferred open reads
    // its rows at once. Process-wide; benchmarks use it to measure the difference.
    static void setChangeTracking(bool on);
    static bool changeTracking();

    // How long a statement waits for a lock another workstation holds. An operator's own
    // action waits up to busyTimeoutMs for each statement; inside a BusyBudget all waits
    // together end when the budget is spent, however many statements wait, so a timer's tick
    // never holds the window longer than its budget and the tick after tries again.
    static constexpr int busyTimeoutMs = 5000;
    class BusyBudget
    {
    public:
        explicit BusyBudget(int milliseconds);
        ~BusyBudget();
        BusyBudget(const BusyBudget &) = delete;
        BusyBudget &operator=(const BusyBudget &) = delete;

    private:
        qint64 m_previous;
        qint64 m_granted;
    };
    // Called when a statement outside any budget starts to wait for a lock (the window shows
    // a busy pointer). Process-wide; empty by default.
    static void setBusyNotice(void (*notice)());

    // BEGIN IMMEDIATE on construction, COMMIT on commit(), ROLLBACK when destroyed uncommitted.
    class Transaction
    {
    public:
        explicit Transaction(std::shared_ptr<Connection> connection);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        void commit();

    private:
        std::shared_ptr<Connection> m_connection;
        bool m_done = false;
    };

private:
    friend class Recordset;
    Connection(sqlite3 *db, const QString &path);
    static sqlite3 *openHandle(const QString &path, const QString &password, int flags);

    sqlite3 *m_db = nullptr;
    QString m_path;
    // Rows read on this connection that are still alive somewhere, held weakly: an open of the
    // same query on an unchanged database shares them instead of reading them again.
    std::vector<std::weak_ptr<RecordsetStore>> m_snapshots;
    std::unique_ptr<dbdetail::ChangeTracker> m_tracker;
};

} // namespace portiva
