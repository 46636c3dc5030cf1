#include "platform/db/ChangeTracker.h"

#include "platform/db/DbDetail.h"

#include <sqlite3.h>

namespace portiva::dbdetail
{

namespace
{

const char *const kEvents[] = {"insert", "update", "delete"};

QString triggerName(const QString &table, const char *event)
{
    return QLatin1String(kChangesTable) + QLatin1Char('_') + table + QLatin1Char('_') +
           QLatin1String(event);
}

QString literal(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1String("'"), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QString columnText(sqlite3_stmt *stmt, int column)
{
    const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return t ? QString::fromUtf8(t) : QString();
}

// The base tables that can carry triggers, and the triggers there are.
void readCatalogue(sqlite3 *db, QStringList &tables, QSet<QString> &triggers)
{
    Statement st(db, QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE type IN "
                                    "('table', 'trigger')"));
    while (st.step()) {
        const QString type = columnText(st.get(), 0);
        const QString name = columnText(st.get(), 1);
        if (type == u"trigger") {
            triggers.insert(name);
        } else if (!name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) &&
                   name.compare(QLatin1String(kChangesTable), Qt::CaseInsensitive) != 0 &&
                   !columnText(st.get(), 2)
                        .startsWith(QLatin1String("CREATE VIRTUAL"), Qt::CaseInsensitive)) {
            tables.append(name);
        }
    }
}

QString countingScript(const QStringList &tables)
{
    const QString counter = quoteIdentifier(QLatin1String(kChangesTable));
    QString script = QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (rid INTEGER PRIMARY KEY, "
                                    "TableName TEXT NOT NULL UNIQUE, Changes INTEGER NOT NULL "
                                    "DEFAULT 0);")
                         .arg(counter);
    for (const QString &table : tables) {
        script += QStringLiteral("INSERT OR IGNORE INTO %1 (TableName) VALUES (%2);")
                      .arg(counter, literal(table));
        for (const char *event : kEvents) {
            script += QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER %2 ON %3 BEGIN "
                                     "UPDATE %4 SET Changes = Changes + 1 WHERE TableName = %5; "
                                     "END;")
                          .arg(quoteIdentifier(triggerName(table, event)),
                               QString::fromLatin1(event).toUpper(), quoteIdentifier(table),
                               counter, literal(table));
        }
    }
    return script;
}

// A set read longer ago than this many of the connection's own changes to a table it reads
// is read again whole.
constexpr size_t kOwnRowsKept = 4096;

const char *const kOwnRowFunction = "portiva_own_row";

void ownRowFunction(sqlite3_context *context, int, sqlite3_value **values)
{
    static_cast<ChangeTracker *>(sqlite3_user_data(context))
        ->ownRowChanged(sqlite3_value_int(values[0]), sqlite3_value_int64(values[1]),
                        sqlite3_value_int64(values[2]));
}

} // namespace

void installChangeCounters(sqlite3 *db)
{
    QStringList tables, missing;
    QSet<QString> triggers;
    try {
        readCatalogue(db, tables, triggers);
    } catch (const std::exception &) {
        return;
    }
    for (const QString &table : tables) {
        for (const char *event : kEvents) {
            if (!triggers.contains(triggerName(table, event))) {
                missing.append(table);
                break;
            }
        }
    }
    if (missing.isEmpty())
        return;
    const QByteArray script =
        (QStringLiteral("BEGIN IMMEDIATE;") + countingScript(missing) + QStringLiteral("COMMIT;"))
            .toUtf8();
    if (sqlite3_exec(db, script.constData(), nullptr, nullptr, nullptr) != SQLITE_OK &&
        !sqlite3_get_autocommit(db))
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::optional<std::vector<qint64>> ChangeTracker::changesRead(sqlite3 *db, const QString &sql,
                                                              const DatabaseState &state)
{
    try {
        if (!m_schemaState || m_schemaState->schemaVersion != state.schemaVersion ||
            m_schemaState->tempSchemaVersion != state.tempSchemaVersion)
            readSchema(db, state);
        auto known = m_tablesOfQuery.find(sql);
        if (known == m_tablesOfQuery.end()) {
            // The program's queries are fixed texts with bound values; a caller that built
            // texts anyway must not make this grow without end.
            if (m_tablesOfQuery.size() > 1000)
                m_tablesOfQuery.clear();
            known = m_tablesOfQuery.insert(sql, tablesRead(db, sql));
        }
        if (!*known)
            return std::nullopt;
        for (const QString &table : **known) {
            if (!m_counted.contains(table))
                return std::nullopt;
        }
        if (!(m_countsState && *m_countsState == state) && !readCounts(db, state))
            return std::nullopt;
        std::vector<qint64> changes;
        for (const QString &table : **known) {
            const auto count = m_counts.constFind(table);
            if (count == m_counts.constEnd())
                return std::nullopt;
            changes.push_back(*count);
        }
        return changes;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

void ChangeTracker::readSchema(sqlite3 *db, const DatabaseState &state)
{
    m_schemaState.reset();
    m_tableOfRoot.clear();
    m_counted.clear();
    m_tablesOfQuery.clear();
    m_countsState.reset();
    Statement st(db, QStringLiteral("SELECT type, name, tbl_name, rootpage FROM sqlite_master "
                                    "WHERE rootpage > 0"));
    while (st.step()) {
        const bool index = columnText(st.get(), 0) == u"index";
        m_tableOfRoot.insert(sqlite3_column_int64(st.get(), 3),
                             columnText(st.get(), index ? 2 : 1));
    }
    QStringList tables;
    QSet<QString> triggers;
    readCatalogue(db, tables, triggers);
    for (const QString &table : tables) {
        bool all = true;
        for (const char *event : kEvents)
            all = all && triggers.contains(triggerName(table, event));
        if (all)
            m_counted.insert(table);
    }
    m_schemaState = state;
}

// The tables whose b-trees (their own or an index's) the query's program opens, in the order
// first opened; nothing when it opens one that is not a main-database table or index.
std::optional<std::vector<QString>> ChangeTracker::tablesRead(sqlite3 *db, const QString &sql) const
{
    Statement st(db, QStringLiteral("EXPLAIN ") + sql);
    std::vector<QString> tables;
    while (st.step()) {
        const QString opcode = columnText(st.get(), 1);
        if (opcode == u"VOpen" || opcode == u"OpenWrite")
            return std::nullopt;
        if (opcode != u"OpenRead" && opcode != u"ReopenIdx")
            continue;
        const qint64 root = sqlite3_column_int64(st.get(), 3);
        const qint64 database = sqlite3_column_int64(st.get(), 4);
        // EXPLAIN gives P5 as two hexadecimal digits.
        const int flags = columnText(st.get(), 6).toInt(nullptr, 16);
        const auto table = m_tableOfRoot.constFind(root);
        // P5 bit 0x10: the root page is in a register, not known until the program runs.
        // (Bit 0x02 only says that an index is sought by equality.)
        if (database != 0 || (flags & 0x10) || table == m_tableOfRoot.constEnd())
            return std::nullopt;
        if (std::find(tables.begin(), tables.end(), *table) == tables.end())
            tables.push_back(*table);
    }
    return tables;
}

std::optional<std::vector<QString>> ChangeTracker::tablesOf(const QString &sql) const
{
    const auto known = m_tablesOfQuery.constFind(sql);
    if (known == m_tablesOfQuery.constEnd())
        return std::nullopt;
    return *known;
}

// The notes are kept by the connection, not the file: a temporary trigger fires for this
// connection's writes only and is gone with it, so other workstations and older programs see
// nothing of them. Each notes one change, as the file's counting trigger counts it.
void ChangeTracker::noteOwnRows(sqlite3 *db)
{
    if (m_ownWatched)
        return;
    QStringList tables;
    QSet<QString> triggers;
    try {
        readCatalogue(db, tables, triggers);
    } catch (const std::exception &) {
        return;
    }
    if (sqlite3_create_function_v2(db, kOwnRowFunction, 3, SQLITE_UTF8, this, &ownRowFunction,
                                   nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    const QString call = QString::fromLatin1(kOwnRowFunction);
    const struct {
        const char *event, *before, *after;
    } events[] = {{"INSERT", "NEW", "NEW"}, {"UPDATE", "OLD", "NEW"}, {"DELETE", "OLD", "OLD"}};
    for (const QString &table : tables) {
        const int number = int(m_ownTables.size());
        QString script;
        for (const auto &e : events) {
            const QString name = QStringLiteral("OwnRows_%1_%2").arg(table, QLatin1String(e.event));
            script += QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS %1 AFTER %2 ON main.%3 "
                                     "BEGIN SELECT %4(%5, %6.rowid, %7.rowid); END;")
                          .arg(quoteIdentifier(name), QLatin1String(e.event),
                               quoteIdentifier(table), call, QString::number(number),
                               QLatin1String(e.before), QLatin1String(e.after));
        }
        // A table without row ids has no triggers: its sets are always read again whole.
        const bool watched =
            sqlite3_exec(db, script.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
        m_ownTables.push_back({table, {}, -1, watched});
    }
    m_ownWatched = true;
}

void ChangeTracker::ownRowChanged(int table, qint64 before, qint64 after)
{
    if (table < 0 || table >= int(m_ownTables.size()))
        return;
    OwnTable &own = m_ownTables[size_t(table)];
    own.rows.push_back({m_ownNext++, before, after});
    if (own.rows.size() > kOwnRowsKept) {
        own.dropped = own.rows.front().seq;
        own.rows.pop_front();
    }
}

std::optional<std::vector<qint64>> ChangeTracker::ownRowsSince(qint64 mark, const QString &table,
                                                               qint64 countedChanges) const
{
    const auto own = std::find_if(m_ownTables.begin(), m_ownTables.end(),
                                  [&](const OwnTable &t) { return t.name == table; });
    if (!m_ownWatched || mark < 0 || own == m_ownTables.end() || !own->watched ||
        own->dropped >= mark)
        return std::nullopt;
    std::vector<qint64> rows;
    qint64 noted = 0;
    for (auto it = own->rows.rbegin(); it != own->rows.rend() && it->seq >= mark; ++it) {
        ++noted;
        rows.push_back(it->before);
        if (it->after != it->before)
            rows.push_back(it->after);
    }
    if (noted != countedChanges)
        return std::nullopt;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool ChangeTracker::readCounts(sqlite3 *db, const DatabaseState &state)
{
    m_countsState.reset();
    m_counts.clear();
    Statement st(db, QStringLiteral("SELECT TableName, Changes FROM %1")
                         .arg(quoteIdentifier(QLatin1String(kChangesTable))));
    while (st.step())
        m_counts.insert(columnText(st.get(), 0), sqlite3_column_int64(st.get(), 1));
    m_countsState = state;
    return true;
}

} // namespace portiva::dbdetail
