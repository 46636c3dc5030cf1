#include "platform/db/Connection.h"

#include "platform/db/ChangeTracker.h"
#include "platform/db/DbDetail.h"
#include "platform/db/DbError.h"
#include "platform/db/DbTexts.h"
#include "platform/db/FileKey.h"
#include "platform/db/RowRead.h"
#include "platform/db/TextOrder.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <iterator>
#include <sqlite3.h>

namespace portiva
{

using dbdetail::fail;
using dbdetail::Statement;
using dbdetail::throwSqlite;

QString databasePassword()
{
    return QStringLiteral("buRtal");
}

static QString quotedValue(const QString &value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')))
        return value;
    QString inner = value;
    inner.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString buildConnectionString(const QString &path, const QString &password)
{
    return QStringLiteral("Provider=SQLCipher;Data Source=") + quotedValue(path) +
           QStringLiteral(";Database Password=") + quotedValue(password);
}

// Splits "key=value;key=value" on semicolons outside double quotes; a quoted value has its
// quotes removed and "" read as one quote.
static QList<std::pair<QString, QString>> splitPairs(const QString &text)
{
    QList<std::pair<QString, QString>> pairs;
    QString key, value;
    bool inValue = false, inQuotes = false;
    auto flush = [&] {
        if (!key.trimmed().isEmpty() || !value.trimmed().isEmpty())
            pairs.append({key.trimmed(), value});
        key.clear();
        value.clear();
        inValue = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == c) {
                value += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                value += c;
            }
        } else if (c == QLatin1Char(';')) {
            flush();
        } else if (!inValue && c == QLatin1Char('=')) {
            inValue = true;
        } else if (inValue && c == QLatin1Char('"') && value.trimmed().isEmpty()) {
            value.clear();
            inQuotes = true;
        } else {
            (inValue ? value : key) += c;
        }
    }
    flush();
    return pairs;
}

ConnectionParts parseConnectionString(const QString &text)
{
    ConnectionParts parts;
    bool haveSource = false;
    for (const auto &[key, value] : splitPairs(text)) {
        const QString k = key.simplified();
        if (k.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0) {
            parts.dataSource = value.trimmed();
            haveSource = true;
        } else if (k.compare(QLatin1String("Database Password"), Qt::CaseInsensitive) == 0 ||
                   k.compare(QLatin1String("JET OLEDB:Database Password"), Qt::CaseInsensitive) ==
                       0) {
            parts.password = value;
        }
    }
    if (!haveSource || parts.dataSource.isEmpty())
        fail(connectionTextRefused());
    return parts;
}

namespace
{
bool g_changeTracking = true;
}

namespace
{
// Milliseconds the innermost BusyBudget may still spend waiting for locks, or -1 outside one.
qint64 g_budgetLeft = -1;
void (*g_busyNotice)() = nullptr;

// An operator's action that met a lock for the whole busy timeout is not held again by each
// statement after it: until a statement gets through, or the timeout has passed once more,
// the lock is taken as still there and the next waits end at once.
QElapsedTimer g_fullWaitFailed;
quint64 g_stepsAtFullWait = 0;

bool lockStillKnown()
{
    return g_fullWaitFailed.isValid() && g_fullWaitFailed.elapsed() < Connection::busyTimeoutMs &&
           dbdetail::stepCount() == g_stepsAtFullWait;
}

// SQLite calls it while a lock is held elsewhere; count is 0 on the first retry of a wait.
int busyWait(void *waiting, int count)
{
    static QElapsedTimer waited;
    static constexpr int steps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    // The lock may be this process's own: a list still streaming in holds its read open. It is
    // read to its end at once, which lets the lock go, and the statement tries again; a lock
    // still held after that is another workstation's, and its wait starts from the beginning.
    static int restartedAt = 0;
    if (count == 0)
        restartedAt = 0;
    if (dbdetail::OpenReads::finishAll(static_cast<sqlite3 *>(waiting))) {
        restartedAt = count + 1;
        return 1;
    }
    count -= restartedAt;
    const bool operatorWait = g_budgetLeft < 0;
    if (count == 0) {
        if (operatorWait && lockStillKnown())
            return 0;
        waited.start();
        if (operatorWait && g_busyNotice)
            g_busyNotice();
    }
    const qint64 left = operatorWait ? Connection::busyTimeoutMs - waited.elapsed() : g_budgetLeft;
    if (left <= 0) {
        if (operatorWait) {
            g_fullWaitFailed.start();
            g_stepsAtFullWait = dbdetail::stepCount();
        }
        return 0;
    }
    const int step = steps[std::min<size_t>(size_t(count), std::size(steps) - 1)];
    QElapsedTimer slept;
    slept.start();
    QThread::msleep(ulong(std::min<qint64>(step, left)));
    if (g_budgetLeft >= 0)
        g_budgetLeft = std::max<qint64>(0, g_budgetLeft - std::max<qint64>(1, slept.elapsed()));
    return 1;
}
} // namespace

Connection::BusyBudget::BusyBudget(int milliseconds)
    : m_previous(g_budgetLeft),
      m_granted(m_previous >= 0 ? std::min<qint64>(m_previous, milliseconds) : milliseconds)
{
    g_budgetLeft = m_granted;
}

Connection::BusyBudget::~BusyBudget()
{
    const qint64 spent = m_granted - g_budgetLeft;
    g_budgetLeft = m_previous >= 0 ? std::max<qint64>(0, m_previous - spent) : -1;
}

void Connection::setBusyNotice(void (*notice)())
{
    g_busyNotice = notice;
}

void Connection::setChangeTracking(bool on)
{
    g_changeTracking = on;
}

bool Connection::changeTracking()
{
    return g_changeTracking;
}

Connection::Connection(sqlite3 *db, const QString &path)
    : m_db(db), m_path(path), m_tracker(std::make_unique<dbdetail::ChangeTracker>())
{
}

Connection::~Connection()
{
    close();
}

namespace
{

// Opens the file and gives the cipher key (a password, or a key as "x'<hex>'"); with probe,
// reads the schema once so that a key the cipher refuses is known now. Returns the handle, or
// nullptr with rc set when the key was refused.
sqlite3 *openKeyed(const QString &path, const QByteArray &key, int flags, bool probe, int &rc)
{
    sqlite3 *db = nullptr;
    const QByteArray file = path.toUtf8();
    // Connections are used by the interface thread only, so SQLite's per-call locking is
    // pure overhead (it showed in every value read of a large snapshot).
    rc = sqlite3_open_v2(file.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db))
                                   : QStringLiteral("unable to open database file");
        sqlite3_close_v2(db);
        throw openFailure(path, rc, message);
    }
    try {
        if (!key.isEmpty() && sqlite3_key(db, key.constData(), int(key.size())) != SQLITE_OK)
            throwSqlite(db);
        // NOCASE stays SQLite's own: the file's indexes and constraints are built under it, and
        // every other program that opens the file has that one only.
        dbdetail::registerListOrder(db);
        // Several workstations share the file: wait for another one's lock rather than fail.
        sqlite3_busy_handler(db, busyWait, db);
        if (probe) {
            rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) {
                sqlite3_close_v2(db);
                return nullptr;
            }
        }
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

} // namespace

sqlite3 *Connection::openHandle(const QString &path, const QString &password, int flags)
{
    int rc = SQLITE_OK;
    if (!password.isEmpty()) {
        if (const std::optional<QByteArray> raw = dbdetail::rawFileKey(path, password)) {
            if (sqlite3 *db = openKeyed(path, *raw, flags, true, rc))
                return db;
            // Only a refused key is forgotten; whatever else failed, the password finds again.
            if ((rc & 0xff) == SQLITE_NOTADB)
                dbdetail::rawFileKeyRefused(path, password);
        }
    }
    return openKeyed(path, password.toUtf8(), flags, false, rc);
}

std::shared_ptr<Connection> Connection::open(const QString &connectionString)
{
    const ConnectionParts parts = parseConnectionString(connectionString);
    // Never SQLITE_OPEN_CREATE: a wrong path must not leave an empty database behind.
    sqlite3 *db = openHandle(parts.dataSource, parts.password, SQLITE_OPEN_READWRITE);
    std::shared_ptr<Connection> connection(new Connection(db, parts.dataSource));
    // The key is only proved by a read; a wrong one must fail here, not at the first query.
    const QVariant tables =
        connection->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (tables.toLongLong() == 0)
        throw emptyFileFailure(parts.dataSource);
    return connection;
}

std::shared_ptr<Connection> Connection::create(const QString &path, const QString &password)
{
    if (path.isEmpty())
        throw openFailure(path, SQLITE_CANTOPEN, QStringLiteral("unable to open database file"));
    if (QFileInfo::exists(path))
        fail(databaseExistsText(path));
    sqlite3 *db = openHandle(path, password, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    return std::shared_ptr<Connection>(new Connection(db, path));
}

void Connection::addChangeCounters()
{
    if (!g_changeTracking)
        return;
    dbdetail::installChangeCounters(checkedHandle());
    m_tracker->noteOwnRows(m_db);
}

sqlite3 *Connection::checkedHandle() const
{
    if (!m_db)
        fail(closedConnectionText());
    return m_db;
}

int Connection::exec(const QString &sql, const QVariantList &params)
{
    sqlite3 *db = checkedHandle();
    // A write must not reach the part of a streamed answer on this connection not read yet.
    dbdetail::OpenReads::finishOn(db);
    const QByteArray text = sql.toUtf8();
    const char *rest = text.constData();
    const char *end = rest + text.size();
    int next = 0;
    int changes = 0;
    while (rest < end) {
        sqlite3_stmt *raw = nullptr;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(db, rest, int(end - rest), &raw, &tail) != SQLITE_OK) {
            sqlite3_finalize(raw);
            throwSqlite(db);
        }
        rest = tail;
        if (!raw)
            continue; // blanks or a comment after the last statement
        struct Guard {
            sqlite3_stmt *s;
            ~Guard() { sqlite3_finalize(s); }
        } guard{raw};
        const int count = sqlite3_bind_parameter_count(raw);
        for (int i = 1; i <= count && next < params.size(); ++i, ++next)
            dbdetail::bindValue(db, raw, i, params.at(next));
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            throwSqlite(db);
        dbdetail::noteStep();
        if (!sqlite3_stmt_readonly(raw))
            dbdetail::noteWrite();
        changes = sqlite3_changes(db);
    }
    return changes;
}

QVariant Connection::scalar(const QString &sql, const QVariantList &params)
{
    Statement statement(checkedHandle(), sql);
    statement.bind(params);
    if (!statement.step())
        return QVariant();
    return dbdetail::columnValue(statement.get(), 0);
}

qint64 Connection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(checkedHandle());
}

void Connection::close()
{
    // A set still reading on this connection reads its rest now: it keeps its rows whole, and
    // no statement is left to keep the handle alive.
    dbdetail::OpenReads::finishOn(m_db);
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

Connection::Transaction::Transaction(std::shared_ptr<Connection> connection)
    : m_connection(std::move(connection))
{
    m_connection->exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Connection::Transaction::~Transaction()
{
    if (!m_done && m_connection->isOpen())
        sqlite3_exec(m_connection->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Connection::Transaction::commit()
{
    if (m_done)
        return;
    m_connection->exec(QStringLiteral("COMMIT"));
    m_done = true;
}

} // namespace portiva
