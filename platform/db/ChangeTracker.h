#pragma once

// Change counters kept by the database itself: every base table has triggers that count its
// row changes in one small table, so any connection, of this process or another, can tell
// whether the tables a query reads have changed since its rows were read, however much else
// of the database changed meanwhile. Beside them a connection keeps notes of the rows its own
// writes changed, so that where only those changed, only those need to be read again.

#include "platform/db/RecordsetStore.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <deque>
#include <optional>
#include <vector>

struct sqlite3;

namespace portiva::dbdetail
{

// The table the triggers count in: one row per counted table.
inline constexpr const char *kChangesTable = "TableChanges";

// Gives every base table that lacks them its counter row and its three triggers, in one
// transaction. A file that cannot be written now (read-only, locked) is left as it is: its
// snapshots are then checked against the whole database, as before.
void installChangeCounters(sqlite3 *db);

class ChangeTracker
{
public:
    // The change counts of the tables the query reads, in a fixed order, or nothing when one
    // of them is not counted (a table made since, a temporary or virtual table, the schema).
    std::optional<std::vector<qint64>> changesRead(sqlite3 *db, const QString &sql,
                                                   const DatabaseState &state);
    // The tables of the query's change counts, in the same order, as changesRead found them.
    std::optional<std::vector<QString>> tablesOf(const QString &sql) const;

    // From now on the connection notes which rows its own writes change, by temporary
    // triggers on every counted table (nothing in the file changes). Once per connection.
    void noteOwnRows(sqlite3 *db);
    // Where the notes stand: a later ownRowsSince starts after it. -1 while nothing is noted.
    qint64 ownRowsMark() const { return m_ownWatched ? m_ownNext : -1; }
    // The row ids the notes after mark name in table, when they are exactly the table's
    // counted changes since then: none is missing (the notes reach back to mark, the table
    // had its trigger) and none was undone (a rolled-back write is noted but not counted).
    std::optional<std::vector<qint64>> ownRowsSince(qint64 mark, const QString &table,
                                                    qint64 countedChanges) const;
    // What a temporary trigger reports: a row of the table numbered table changed.
    void ownRowChanged(int table, qint64 before, qint64 after);

private:
    struct OwnRow {
        qint64 seq;
        qint64 before, after; // the row's id before and after the change
    };
    // Each table's notes are kept apart, so that a large write to one table does not push
    // out the few notes of another.
    struct OwnTable {
        QString name;
        std::deque<OwnRow> rows;
        qint64 dropped = -1;  // the last note no longer kept
        bool watched = false; // its triggers are there
    };

    void readSchema(sqlite3 *db, const DatabaseState &state);
    std::optional<std::vector<QString>> tablesRead(sqlite3 *db, const QString &sql) const;
    bool readCounts(sqlite3 *db, const DatabaseState &state);

    std::optional<DatabaseState> m_schemaState;
    QHash<qint64, QString> m_tableOfRoot; // b-tree root page: its table
    QSet<QString> m_counted;              // tables with all three triggers
    QHash<QString, std::optional<std::vector<QString>>> m_tablesOfQuery;
    std::optional<DatabaseState> m_countsState;
    QHash<QString, qint64> m_counts;
    bool m_ownWatched = false;
    std::vector<OwnTable> m_ownTables; // by the number the triggers pass
    qint64 m_ownNext = 0;
};

} // namespace portiva::dbdetail
