#pragma once

#include <QString>

namespace portiva
{

struct AppState;

struct DerivedDatabasePaths {
    QString TempDatabasePath;
    QString BackupDatabasePath;
};

// The work and backup file names beside dbPath: its last four characters (".mdb") replaced by
// "TMP.mdb" and "BAK.mdb". A path shorter than four characters throws "Invalid procedure call or
// argument".
DerivedDatabasePaths deriveDatabasePaths(const QString &dbPath);

// Sets DBPath, both derived paths and ConnectionString for dbPath; on a path too short nothing
// in state changes.
void setDatabasePath(AppState &state, const QString &dbPath);

// What the operator is told when the database at dbPath does not open at start-up: the file
// looked for, why it did not open (description), and how to name another file or make one.
QString startupDatabaseFailureText(const QString &dbPath, const QString &description);

} // namespace portiva
