// Sharing a snapshot: the main window reloads every view before and after each queue look-up,
// and each reload would read the same large tables again. An open of the same query on the
// same connection shares the rows of a snapshot still alive instead, as long as none of the
// tables it reads has changed (their change counters, ChangeTracker.h; for a query on a table
// that does not count, as long as nothing in the database has changed). Each recordset keeps
// its own cursor, pending edit, deleted slots and sort, and an edit copies the rows first
// (Recordset::detach).
//
// The same stamps tell a set whether its rows are still current (stillCurrent), and when they
// are not because of a few rows this connection itself wrote, which rows to read again
// (readChangedRows): a send marks one right, and the user grid need not read the unit's every
// right for it.

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

// The column is the table's INTEGER PRIMARY KEY, so its value is the row's id.
bool isRowId(sqlite3 *db, const QString &table, const QString &column)
{
    const char *type = nullptr;
    int primary = 0;
    if (table.isEmpty() || column.isEmpty() ||
        sqlite3_table_column_metadata(db, "main", table.toUtf8().constData(),
                                      column.toUtf8().constData(), &type, nullptr, nullptr,
                                      &primary, nullptr) != SQLITE_OK ||
        !primary || !type || qstricmp(type, "INTEGER") != 0)
        return false;
    // One column of a key of several is not the row's id.
    dbdetail::Statement columns(
        db, QStringLiteral("PRAGMA table_info(%1)").arg(dbdetail::quoteIdentifier(table)));
    int keyColumns = 0;
    while (columns.step())
        keyColumns += sqlite3_column_int(columns.get(), 5) > 0;
    return keyColumns == 1;
}

std::optional<qint64> keyIn(const RecordsetStore &store, int slot, int column)
{
    const Cell &c = store.cell(slot, column);
    if (c.type != CellType::Integer)
        return std::nullopt;
    return c.integer;
}

// A cell of another store, its text or bytes copied into to's own.
void copyCell(const RecordsetStore &from, const Cell &c, RecordsetStore &to, Cell &out)
{
    switch (c.type) {
    case CellType::Text:
        to.appendText(from.textOf(c), out);
        break;
    case CellType::Blob:
        out.type = CellType::Blob;
        out.offset = quint64(to.blobs.size());
        to.blobs.append(from.blobs.at(qsizetype(c.offset)));
        break;
    default:
        out = c;
        break;
    }
}

// The rows whose key is one of keys, as the query answers now, in ascending key order.
std::optional<RecordsetStore> readKeys(sqlite3 *db, const QString &sql, const QVariantList &params,
                                       const std::vector<FieldInfo> &fields, int key,
                                       const std::vector<qint64> &keys)
{
    RecordsetStore again;
    again.fields = fields;
    if (keys.empty())
        return again;
    QVariantList values = params;
    QStringList marks;
    for (qint64 k : keys) {
        values << k;
        marks << QStringLiteral("?%1").arg(values.size());
    }
    // The line break ends a comment the query may end with.
    dbdetail::Statement st(db, QStringLiteral("SELECT * FROM (%1\n) WHERE %2 IN (%3)")
                                   .arg(sql, dbdetail::quoteIdentifier(fields[size_t(key)].name),
                                        marks.join(QStringLiteral(", "))));
    if (sqlite3_column_count(st.get()) != int(fields.size()))
        return std::nullopt;
    st.bind(values);
    while (st.step()) {
        Cell *cells = again.appendSlot(0);
        for (int c = 0; c < int(fields.size()); ++c)
            again.setFromColumn(cells[c], st.get(), c);
    }
    st.finalize();
    return again;
}

// old with the rows of the given keys replaced by again's, every row in ascending key order;
// nothing when a key is not an integer or old is not in that order. fromOld gives each new
// slot's old one, -1 for a row read again.
std::shared_ptr<RecordsetStore> mergeRows(const RecordsetStore &old, const RecordsetStore &again,
                                          int key, const std::vector<qint64> &keys, bool keyed,
                                          std::vector<int> &fromOld)
{
    const int columns = old.columnCount();
    std::vector<qint64> oldKeys(size_t(old.slotCount()));
    for (int s = 0; s < old.slotCount(); ++s) {
        const std::optional<qint64> k = keyIn(old, s, key);
        if (!k || (s > 0 && *k < oldKeys[size_t(s) - 1]))
            return nullptr;
        oldKeys[size_t(s)] = *k;
    }
    std::vector<std::pair<qint64, int>> added;
    for (int s = 0; s < again.slotCount(); ++s) {
        const std::optional<qint64> k = keyIn(again, s, key);
        if (!k)
            return nullptr;
        added.emplace_back(*k, s);
    }
    std::stable_sort(added.begin(), added.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    // The texts and bytes of the rows kept stay where they are, shared with the old rows.
    auto fresh = std::make_shared<RecordsetStore>();
    fresh->fields = old.fields;
    fresh->chunks = old.chunks;
    fresh->chunkUsed = old.chunkUsed;
    fresh->blobs = old.blobs;
    size_t next = 0;
    const auto addAgain = [&] {
        const auto [k, slot] = added[next++];
        Cell *cells = fresh->appendSlot(keyed ? k : 0);
        for (int c = 0; c < columns; ++c)
            copyCell(again, again.cell(slot, c), *fresh, cells[c]);
        fromOld.push_back(-1);
    };
    for (int s = 0; s < old.slotCount(); ++s) {
        while (next < added.size() && added[next].first < oldKeys[size_t(s)])
            addAgain();
        if (std::binary_search(keys.begin(), keys.end(), oldKeys[size_t(s)]))
            continue;
        Cell *cells = fresh->appendSlot(old.rowids.at(s));
        std::copy_n(&old.cell(s, 0), columns, cells);
        fromOld.push_back(s);
    }
    while (next < added.size())
        addAgain();
    return fresh;
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
    if (Connection::changeTracking()) {
        stamp.tableChanges = m_connection->m_tracker->changesRead(db, m_sql, s);
        stamp.ownRows = m_connection->m_tracker->ownRowsMark();
    }
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

bool Recordset::stillCurrent() const
{
    if (!m_open || m_deferred)
        return m_open;
    if (editPending() || !m_store || !m_store->origin)
        return false;
    const std::optional<SnapshotStamp> now = snapshotState();
    return now && m_store->origin->stamp.sameRows(*now);
}

// The keys of the rows to read again: those the connection's own writes changed in the one
// table that changed, when keyColumn holds that table's row id.
std::optional<std::vector<qint64>>
Recordset::changedKeys(const SnapshotStamp &was, const SnapshotStamp &now, int keyColumn) const
{
    // Another connection's commit (data_version) or a schema change: which rows is not known.
    if (!was.tableChanges || !now.tableChanges || was.ownRows < 0 ||
        was.state.dataVersion != now.state.dataVersion ||
        was.state.schemaVersion != now.state.schemaVersion ||
        was.state.tempSchemaVersion != now.state.tempSchemaVersion)
        return std::nullopt;
    const dbdetail::ChangeTracker &tracker = *m_connection->m_tracker;
    const std::optional<std::vector<QString>> tables = tracker.tablesOf(m_sql);
    const std::vector<qint64> &before = *was.tableChanges, &after = *now.tableChanges;
    if (!tables || tables->size() != after.size() || before.size() != after.size())
        return std::nullopt;
    int changed = -1;
    for (size_t i = 0; i < after.size(); ++i) {
        if (before[i] == after[i])
            continue;
        if (changed >= 0)
            return std::nullopt;
        changed = int(i);
    }
    if (changed < 0)
        return std::nullopt;
    const QString &table = (*tables)[size_t(changed)];
    const FieldInfo &field = m_store->fields[size_t(keyColumn)];
    if (field.table.compare(table, Qt::CaseInsensitive) != 0 ||
        !isRowId(m_connection->handle(), table, field.origin))
        return std::nullopt;
    return tracker.ownRowsSince(was.ownRows, table,
                                after[size_t(changed)] - before[size_t(changed)]);
}

bool Recordset::readChangedRows(const QString &keyField)
{
    if (!m_open || m_deferred || streaming() || m_clone || editPending() || !m_store ||
        !m_store->origin)
        return false;
    const int key = fieldIndex(keyField);
    if (key < 0)
        return false;
    const SnapshotStamp was = m_store->origin->stamp;
    // Taken before the rows are read, as load() takes it.
    const std::optional<SnapshotStamp> now = snapshotState();
    if (!now)
        return false;
    if (was.sameRows(*now))
        return true;
    std::shared_ptr<RecordsetStore> fresh;
    std::vector<int> fromOld;
    try {
        const std::optional<std::vector<qint64>> keys = changedKeys(was, *now, key);
        if (!keys)
            return false;
        const std::optional<RecordsetStore> again =
            readKeys(m_connection->checkedHandle(), m_sql, m_params, m_store->fields, key, *keys);
        if (!again)
            return false;
        fresh = mergeRows(*m_store, *again, key, *keys, !m_table.isEmpty(), fromOld);
    } catch (const std::exception &) {
        return false;
    }
    if (!fresh)
        return false;
    fresh->origin = SnapshotOrigin{m_sql, m_params, m_clone, m_table, *now};
    takeRowsReadAgain(std::move(fresh), fromOld, key);
    return true;
}

void Recordset::takeRowsReadAgain(std::shared_ptr<RecordsetStore> fresh,
                                  const std::vector<int> &fromOld, int key)
{
    std::optional<qint64> current;
    if (m_at == At::Row && m_pos < int(m_order.size()))
        current = keyIn(*m_store, m_order[size_t(m_pos)], key);
    // The rows kept stay in their sorted order; only the rows read again need their places.
    std::vector<int> newSlot(size_t(m_store->slotCount()), -1);
    std::vector<int> kept, added;
    for (int slot = 0; slot < int(fromOld.size()); ++slot) {
        if (fromOld[size_t(slot)] < 0)
            added.push_back(slot);
        else
            newSlot[size_t(fromOld[size_t(slot)])] = slot;
    }
    for (int old : m_order) {
        if (newSlot[size_t(old)] >= 0)
            kept.push_back(newSlot[size_t(old)]);
    }
    adopt(std::move(fresh), m_table);
    keepSnapshot();
    placeAddedRows(std::move(kept), added);
    emit reset();
    int row = 0;
    for (int i = 0; current && i < int(m_order.size()); ++i) {
        if (keyIn(*m_store, m_order[size_t(i)], key) == current) {
            row = i;
            break;
        }
    }
    moveTo(m_order.empty() ? At::Eof : At::Row, row);
}

} // namespace portiva
