#pragma once

#include <QString>

namespace portiva
{

// Compaction of the database file in place, after a byte copy of it has been made.
class DbMaintenance
{
public:
    // Copies dbPath to backupPath (replacing an old copy) while holding a read lock, so no
    // workstation can commit during the copy, then runs VACUUM on the file itself. VACUUM keeps
    // the key and, with every row on an integer key, the rows other workstations have on
    // screen. Throws with the operator-visible description on any failure; the database file
    // is then as it was ("database is locked" while another connection is inside a
    // transaction).
    static void compact(const QString &dbPath, const QString &backupPath);
};

} // namespace portiva
