#pragma once

// The large site the benchmarks run on, and the same site as the program found it before its
// tables counted their changes and had their look-up indexes ("today"), to measure beside it.

#include "database/CreateDatabase.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "programstate/AppState.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace portiva::bench
{

// A site's size: as many received as sent SMS, half as many log entries, a fifth as many
// rights, a tenth as many people, and 200 key units.
struct SiteSize {
    int sent = 100000;
    int keyUnits() const { return 200; }
    int persons() const { return std::max(1, sent / 10); }
    int rights() const { return sent / 5; }
    int received() const { return sent; }
    int logEntries() const { return sent / 2; }
    // Waiting periods of people who already hold a right, in NYEbrukere.
    int waitingPeriods() const { return sent / 100; }
};

inline constexpr SiteSize DefaultSite{};

// Spreads rows over the key units unevenly, as on a real site: the first unit (the one in
// view) holds about a sixth of them, the last ones a handful.
inline int unevenUnit(int i, int units)
{
    const quint32 h = quint32(i) * 2654435761u;
    const double x = double(h) / 4294967296.0;
    return std::min(units - 1, int(units * x * x * x));
}

// Inserts count rows through one prepared statement; bind(stmt, i) binds row i.
inline void fill(sqlite3 *db, const char *sql, int count,
                 const std::function<void(sqlite3_stmt *, int)> &bind)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        qFatal("prepare: %s", sqlite3_errmsg(db));
    for (int i = 0; i < count; ++i) {
        bind(stmt, i);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            qFatal("insert: %s", sqlite3_errmsg(db));
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}

inline void text(sqlite3_stmt *stmt, int index, const QByteArray &value)
{
    sqlite3_bind_text(stmt, index, value.constData(), int(value.size()), SQLITE_TRANSIENT);
}

inline QByteArray phone(int prefix, int n)
{
    return QByteArray("+47") + QByteArray::number(prefix * 10000000 + n);
}

inline void generate(Connection &connection, const SiteSize &size = DefaultSite)
{
    sqlite3 *db = connection.checkedHandle();
    const int units = size.keyUnits();
    const int persons = size.persons();
    connection.exec(QStringLiteral("BEGIN"));
    fill(db, "INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet, Bygning) VALUES (?,?,?,?)",
         units, [](sqlite3_stmt *s, int i) {
             text(s, 1, phone(9, i));
             text(s, 2, "Dør " + QByteArray::number(i));
             text(s, 3, QByteArray::number(4 + i % 3));
             text(s, 4, "Bygg " + QByteArray::number(i % 10));
         });
    fill(db, "INSERT INTO Katalog (Bruker, Etternavn, Fornavn, BrukerKort) VALUES (?,?,?,?)",
         persons, [](sqlite3_stmt *s, int i) {
             const QByteArray number = phone(4, i);
             text(s, 1, number);
             text(s, 2, "Etternavn" + QByteArray::number(i));
             text(s, 3, "Fornavn" + QByteArray::number(i));
             text(s, 4, number.mid(3));
         });
    fill(db,
         "INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig til], "
         "TilTid, Konto, Saldo, Status) VALUES (?,?,'1/1/2024','00','31/12/2099','24',?,'0',?)",
         size.rights(), [&](sqlite3_stmt *s, int i) {
             text(s, 1, phone(4, i % persons));
             text(s, 2, phone(9, unevenUnit(i, units)));
             text(s, 3, i % 3 ? "Gjest" : "MobReg");
             text(s, 4, i % 7 ? "Aktiv " : "Slettet");
         });
    fill(db,
         "INSERT INTO NYEbrukere (Bruker, Etternavn, Fornavn, [Gyldig fra], FraTid, [Gyldig til], "
         "TilTid, Konto, Saldo, Status, KeyNummer) VALUES (?,?,?,?,'00','31/12/2099','24',"
         "'Gjest','0','Venter',?)",
         size.waitingPeriods(), [&](sqlite3_stmt *s, int i) {
             text(s, 1, phone(4, (i * 7) % persons));
             text(s, 2, "Etternavn" + QByteArray::number((i * 7) % persons));
             text(s, 3, "Fornavn" + QByteArray::number((i * 7) % persons));
             text(s, 4,
                  QByteArray::number(1 + i % 28) + "/" + QByteArray::number(1 + i % 12) + "/2099");
             text(s, 5, phone(9, unevenUnit(i, units)));
         });
    fill(db,
         "INSERT INTO SMS_Sent (TilNummer, TilNummerKort, Etternavn, Dato, DatoLNG, SMS_Text, "
         "CMGS) VALUES (?,?,?,'2024-05-10',45422,?,?)",
         size.sent, [&](sqlite3_stmt *s, int i) {
             const QByteArray number = phone(9, unevenUnit(i, units));
             text(s, 1, number);
             text(s, 2, number.mid(3));
             text(s, 3, "Dør");
             text(s, 4, "I " + phone(4, i % persons) + " 24010100 99123124");
             text(s, 5, i % 100 ? QByteArray::number(i % 256) + ":OK" : QByteArray("UNSENT"));
         });
    fill(db,
         "INSERT INTO SMS_Received (FraNummer, FraNummerKort, Etternavn, Dato, SMS_Text) "
         "VALUES (?,?,?,'24/05/10,12:00:00',?)",
         size.received(), [&](sqlite3_stmt *s, int i) {
             const QByteArray number = phone(9, unevenUnit(i, units));
             text(s, 1, number);
             text(s, 2, number.mid(3));
             text(s, 3, "Dør");
             text(s, 4, phone(4, i % persons) + " er lagt til");
         });
    fill(db,
         "INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, Dato) VALUES "
         "(?,?,'Fornavn','Etternavn','10/05,12:00')",
         size.logEntries(), [&](sqlite3_stmt *s, int i) {
             text(s, 1, phone(9, unevenUnit(i, units)));
             text(s, 2, phone(4, i % persons));
         });
    connection.exec(QStringLiteral("COMMIT"));
}

// A new database at path with the large site in it, as the program opens it now.
inline void makeLargeSite(const QString &path, const SiteSize &size = DefaultSite)
{
    QFile::remove(path);
    createDatabase(path, QStringLiteral("bench"));
    auto connection = Connection::open(buildConnectionString(path, databasePassword()));
    generate(*connection, size);
    addIndexes(connection);
    connection->addChangeCounters();
}

// A copy of the site without the look-up indexes and the change counters.
inline void makeTodayCopy(const QString &from, const QString &to)
{
    QFile::remove(to);
    QFile::copy(from, to);
    auto connection = Connection::open(buildConnectionString(to, databasePassword()));
    auto objects = Recordset::open(
        connection, QStringLiteral("SELECT type, name FROM sqlite_master WHERE (type = 'index' AND "
                                   "sql IS NOT NULL) OR type = 'trigger'"));
    QStringList drops;
    for (; !objects->EOF(); objects->MoveNext())
        drops << QStringLiteral("DROP %1 \"%2\";")
                     .arg(objects->toText(0).toUpper(), objects->toText(1));
    drops << QStringLiteral("DROP TABLE IF EXISTS TableChanges;");
    connection->exec(drops.join(QString()));
}

// A workstation's state on the site: level "6", the first key unit in view. The layer's change
// tracking is set first, as the phase measured wants it; with it, the site is opened as the
// program opens a file (its tables count their changes).
inline void openSite(AppState &state, const QString &path, bool tracking)
{
    Connection::setChangeTracking(tracking);
    state.SharedConnection = Connection::open(buildConnectionString(path, databasePassword()));
    if (tracking)
        state.SharedConnection->addChangeCounters();
    state.CurrentSecurityLevel = QStringLiteral("6");
    state.SelectedKeyNummer = QStringLiteral("+4790000000");
}

inline double median(int runs, const std::function<void()> &fn,
                     const std::function<void()> &before = {})
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        QElapsedTimer t;
        t.start();
        fn();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace portiva::bench
