#pragma once

// How the recordset reads a query's rows, at once or in slices; not for callers outside
// platform/db.

#include "platform/db/DbDetail.h"
#include "platform/db/RecordsetStore.h"

#include <QString>
#include <memory>
#include <optional>

struct sqlite3;

namespace portiva
{
class Recordset;
}

namespace portiva::dbdetail
{

// One query being read into a store: its statement prepared and bound, with the base table's
// rowid put first where the rows can be written back, and the stamp taken before its first
// step.
struct RowRead {
    Statement statement;
    bool keyed = false;
    QString table; // the base table of the hidden key; "" when the rows are read-only
    std::shared_ptr<RecordsetStore> store; // with the fields, until the recordset takes it
    std::optional<SnapshotStamp> stamp;

    // Reads into the store until the last row (true), or until maxRows rows were read or budgetNs
    // nanoseconds have passed (false; 0 sets no time). Throws the SQLite message.
    bool readRows(RecordsetStore &into, int maxRows, qint64 budgetNs = 0);
};

// The streamed reads still open in this process. A statement left open holds a shared lock on
// the file, and the program is one thread: a writer of this process that waited for that lock
// would wait in vain, since the stream cannot go on until the writer returns. So the busy
// handler ends every open read (reading its rest, which lets the lock go) before it waits.
struct OpenReads {
    static void add(Recordset *rs);
    static void remove(Recordset *rs);
    // Reads the rest of every open read now; true when there was one. Their signals come from
    // the event loop, never from inside the statement that waited. The waiting connection's own
    // reads are left alone: a connection's statements share its lock, so they never make it
    // wait, and a busy handler must not step its own connection.
    static bool finishAll(sqlite3 *waiting);
    // The same for the reads on one connection, before it writes or closes.
    static void finishOn(sqlite3 *db);
};

} // namespace portiva::dbdetail
