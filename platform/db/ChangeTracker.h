#pragma once

// Change counters kept by the database itself: every base table has triggers that count its
// row changes in one small table, so any connection, of this process or another, can tell
// whether the tables a query reads have changed since its rows were read, however much else
// of the database changed meanwhile.

#include "platform/db/RecordsetStore.h"

#include <QHash>
#include <QSet>
#include <QString>
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

private:
    void readSchema(sqlite3 *db, const DatabaseState &state);
    std::optional<std::vector<QString>> tablesRead(sqlite3 *db, const QString &sql) const;
    bool readCounts(sqlite3 *db, const DatabaseState &state);

    std::optional<DatabaseState> m_schemaState;
    QHash<qint64, QString> m_tableOfRoot; // b-tree root page: its table
    QSet<QString> m_counted;              // tables with all three triggers
    QHash<QString, std::optional<std::vector<QString>>> m_tablesOfQuery;
    std::optional<DatabaseState> m_countsState;
    QHash<QString, qint64> m_counts;
};

} // namespace portiva::dbdetail
