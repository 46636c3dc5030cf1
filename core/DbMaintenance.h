#pragma once

#include <QString>
#include <functional>

namespace portiva
{

// Compaction of the database file in place, after a byte copy of it has been made.
class DbMaintenance
{
public:
    // The moments of a compaction, for a test that stops the process at each of them.
    enum class Step {
        CopyStarted,    // the read lock is held, the first bytes are about to be copied
        CopyWritten,    // the new copy is complete beside the old backup
        BackupReplaced, // the new copy has taken the old backup's name
        Compacted,      // VACUUM has ended
    };
    using StepHook = std::function<void(Step)>;

    // Copies dbPath beside backupPath while holding a read lock, so no workstation can commit
    // during the copy, then puts the complete copy in the old backup's place in one rename, so
    // the previous backup stays until the new one is whole. Then runs VACUUM on the file
    // itself. VACUUM keeps the key and, with every row on an integer key, the rows other
    // workstations have on screen. Throws with the operator-visible description on any
    // failure; the database file and the previous backup are then as they were.
    static void compact(const QString &dbPath, const QString &backupPath, const StepHook &at = {});
};

} // namespace portiva
