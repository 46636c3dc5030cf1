#include "core/DatabasePaths.h"

#include "platform/db/Connection.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"

namespace portiva
{

DerivedDatabasePaths deriveDatabasePaths(const QString &dbPath)
{
    if (dbPath.size() < 4)
        throw Error(QStringLiteral("Invalid procedure call or argument"), 5);
    const QString stem = dbPath.left(dbPath.size() - 4);
    return {stem + QStringLiteral("TMP.mdb"), stem + QStringLiteral("BAK.mdb")};
}

void setDatabasePath(AppState &state, const QString &dbPath)
{
    const DerivedDatabasePaths paths = deriveDatabasePaths(dbPath);
    state.DBPath = dbPath;
    state.TempDatabasePath = paths.TempDatabasePath;
    state.BackupDatabasePath = paths.BackupDatabasePath;
    state.ConnectionString = buildConnectionString(dbPath, databasePassword());
}

} // namespace portiva
