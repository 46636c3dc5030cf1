// Sharing a snapshot: the main window reloads every view before and after each queue look-up,
// and each reload would read the same large tables again. An open of the same query on the
// same connection shares the rows of a snapshot still alive instead, as long as none of the
// tables it reads has changed (their change counters, ChangeTracker.h; for a query on a table
// that does not count, as long as nothing in the database has changed). Each recordset keeps
// its own cursor, pending edit, deleted slots and sort, and an edit copies the rows first
// (Recordset::detach).

#include "platform/db/ChangeTracker.h"
#include "platform/db/DbDetail.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetStore.h"

#include <algorithm>
#include <sqlite3.h>

namespace portiva
{

namespace
{

bool readPragma(sqlite3 *db, const char *sql, qint64 *value)
{
    sqlite3_stmt *stmt = nullptr;
    bool ok = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && stmt &&
              sqlite3_step(stmt) == SQLITE_ROW;
    if (ok)
        *value = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return ok;
}

// Queries whose answer may differ on an unchanged database.
bool varies(const QString &sql)
{
    static const QSet<QString> words = {QStringLiteral("RANDOM"),
                                        QStringLiteral("RANDOMBLOB"),
                                        QStringLiteral("CHANGES"),
                                        QStringLiteral("TOTAL_CHANGES"),
                                        QStringLiteral("LAST_INSERT_ROWID"),
                                        QStringLiteral("CURRENT_DATE"),
                                        QStringLiteral("CURRENT_TIME"),
                                        QStringLiteral("CURRENT_TIMESTAMP"),
                                        QStringLiteral("DATE"),
                                        QStringLiteral("TIME"),
                                        QStringLiteral("DATETIME"),
                                        QStringLiteral("JULIANDAY"),
                                        QStringLiteral("STRFTIME")};
    return dbdetail::hasWord(sql, words);
}

bool sameParams(const QVariantList &a, const QVariantList &b)
{
    if (a.size() != b.size())
        return false;
    // Bound by type: 1 and 1.0, or a null and an empty text, are different parameters.
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QVariant &x = a.at(i);
        const QVariant &y = b.at(i);
        if (x.typeId() != y.typeId() || x.isNull() != y.isNull() || !(x == y))
            return false;
    }
    return true;
}

} // namespace

// Nothing when the rows about to be read must never be shared: inside an explicit transaction
// they may yet be rolled back.
std::optional<SnapshotStamp> Recordset::snapshotState() const
{
    sqlite3 *db = m_connection->handle();
    if (!db || !sqlite3_get_autocommit(db) || varies(m_sql))
        return std::nullopt;
    DatabaseState s;
    // data_version moves with every commit by another connection, never with our own writes,
    // which total_changes counts; DDL moves neither, so the schema cookies are read as well.
    if (!readPragma(db, "PRAGMA data_version", &s.dataVersion) ||
        !readPragma(db, "PRAGMA schema_version", &s.schemaVersion) ||
        !readPragma(db, "PRAGMA temp.schema_version", &s.tempSchemaVersion))
        return std::nullopt;
    s.totalChanges = sqlite3_total_changes(db);
    SnapshotStamp stamp{s, std::nullopt};
    if (Connection::changeTracking())
        stamp.tableChanges = m_connection->m_tracker->changesRead(db, m_sql, s);
    return stamp;
}

std::shared_ptr<RecordsetStore> Recordset::liveSnapshot(const SnapshotStamp &stamp) const
{
    for (const std::weak_ptr<RecordsetStore> &kept : m_connection->m_snapshots) {
        std::shared_ptr<RecordsetStore> store = kept.lock();
        if (!store || !store->origin)
            continue;
        const SnapshotOrigin &o = *store->origin;
        if (o.stamp.sameRows(stamp) && o.clone == m_clone && o.sql == m_sql &&
            sameParams(o.params, m_params))
            return store;
    }
    return nullptr;
}

bool Recordset::shareSnapshot(const SnapshotStamp &stamp)
{
    std::shared_ptr<RecordsetStore> store = liveSnapshot(stamp);
    if (!store)
        return false;
    const QString table = store->origin->table;
    adopt(std::move(store), table);
    return true;
}

// A deferred open holds the rows of the view it replaces while they are still current, so
// that they outlive the old view and its first use can share them (if they are current still).
void Recordset::holdCurrentSnapshot()
{
    if (const std::optional<SnapshotStamp> stamp = snapshotState())
        m_held = liveSnapshot(*stamp);
}

void Recordset::keepSnapshot()
{
    auto &kept = m_connection->m_snapshots;
    const SnapshotOrigin &mine = *m_store->origin;
    // Released, edited, outdated or replaced snapshots are dropped here, so the list holds at
    // most one per query in use. One stamped by its tables' counters may still be current.
    kept.erase(std::remove_if(kept.begin(), kept.end(),
                              [&](const std::weak_ptr<RecordsetStore> &w) {
                                  const std::shared_ptr<RecordsetStore> s = w.lock();
                                  if (!s || !s->origin)
                                      return true;
                                  const SnapshotStamp &theirs = s->origin->stamp;
                                  if (!theirs.tableChanges && !(theirs.state == mine.stamp.state))
                                      return true;
                                  return s->origin->clone == mine.clone &&
                                         s->origin->sql == mine.sql &&
                                         sameParams(s->origin->params, mine.params);
                              }),
               kept.end());
    kept.push_back(m_store);
}

} // namespace portiva
