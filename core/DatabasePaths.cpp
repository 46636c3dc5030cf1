#include "core/DatabasePaths.h"

#include "platform/db/Connection.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QFileInfo>

namespace portiva
{

DerivedDatabasePaths deriveDatabasePaths(const QString &dbPath)
{
    if (dbPath.size() < 4)
        throw Error(phrase(u"Databasenavnet «%1» er for kort til at sikkerhetskopien kan få navn "
                           u"etter det, så ingenting er gjort.",
                           u"Databasenavnet «%1» er for kort til, at sikkerhedskopien kan få navn "
                           u"efter det, så intet er gjort.",
                           u"Databasnamnet «%1» är för kort för att säkerhetskopian ska kunna få "
                           u"namn efter det, så ingenting har gjorts.")
                        .arg(dbPath),
                    5);
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

QString startupDatabaseFailureText(const QString &dbPath, const QString &description)
{
    const QFileInfo file(dbPath);
    const QString shown = dbPath.isEmpty() ? dbPath : file.absoluteFilePath();
    QString what;
    if (!file.exists()) {
        what = phrase(u"Databasen %1 finnes ikke.", u"Databasen %1 findes ikke.",
                      u"Databasen %1 finns inte.")
                   .arg(shown);
    } else if (description.contains(shown) || (!dbPath.isEmpty() && description.contains(dbPath))) {
        what = description;
    } else {
        what = phrase(u"Databasen %1 kunne ikke åpnes: %2", u"Databasen %1 kunne ikke åbnes: %2",
                      u"Databasen %1 kunde inte öppnas: %2")
                   .arg(shown, description);
    }
    return what + u'\n' +
           phrase(u"Start programmet med «Portiva3 --database FILE» for å åpne en annen "
                  u"database, eller lag en ny med «Portiva3 --create-database FILE».",
                  u"Start programmet med »Portiva3 --database FILE« for at åbne en anden "
                  u"database, eller opret en ny med »Portiva3 --create-database FILE«.",
                  u"Starta programmet med ”Portiva3 --database FILE” för att öppna en annan "
                  u"databas, eller skapa en ny med ”Portiva3 --create-database FILE”.");
}

} // namespace portiva
