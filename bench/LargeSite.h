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

inline constexpr int KeyUnits = 200;
inline constexpr int Persons = 10000;
inline constexpr int Rights = 20000;
inline constexpr int SentSms = 100000;
inline constexpr int ReceivedSms = 100000;
inline constexpr int LogEntries = 50000;

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

inline void generate(Connection &connection)
{
    sqlite3 *db = connection.checkedHandle();
    connection.exec(QStringLiteral("BEGIN"));
    fill(db, "INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet, Bygning) VALUES (?,?,?,?)",
         KeyUnits, [](sqlite3_stmt *s, int i) {
             text(s, 1, phone(9, i));
             text(s, 2, "Dør " + QByteArray::number(i));
             text(s, 3, QByteArray::number(4 + i % 3));
             text(s, 4, "Bygg " + QByteArray::number(i % 10));
         });
    fill(db, "INSERT INTO Katalog (Bruker, Etternavn, Fornavn, BrukerKort) VALUES (?,?,?,?)",
         Persons, [](sqlite3_stmt *s, int i) {
             const QByteArray number = phone(4, i);
             text(s, 1, number);
             text(s, 2, "Etternavn" + QByteArray::number(i));
             text(s, 3, "Fornavn" + QByteArray::number(i));
             text(s, 4, number.mid(3));
         });
    fill(db,
         "INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig til], "
         "TilTid, Konto, Saldo, Status) VALUES (?,?,'1/1/2024','00','31/12/2099','24',?,'0',?)",
         Rights, [](sqlite3_stmt *s, int i) {
             text(s, 1, phone(4, i % Persons));
             text(s, 2, phone(9, i % KeyUnits));
             text(s, 3, i % 3 ? "Gjest" : "MobReg");
             text(s, 4, i % 7 ? "Aktiv " : "Slettet");
         });
    fill(db,
         "INSERT INTO SMS_Sent (TilNummer, TilNummerKort, Etternavn, Dato, DatoLNG, SMS_Text, "
         "CMGS) VALUES (?,?,?,'2024-05-10',45422,?,?)",
         SentSms, [](sqlite3_stmt *s, int i) {
             const QByteArray number = phone(9, i % KeyUnits);
             text(s, 1, number);
             text(s, 2, number.mid(3));
             text(s, 3, "Dør");
             text(s, 4, "I " + phone(4, i % Persons) + " 24010100 99123124");
             text(s, 5, i % 100 ? QByteArray::number(i % 256) + ":OK" : QByteArray("UNSENT"));
         });
    fill(db,
         "INSERT INTO SMS_Received (FraNummer, FraNummerKort, Etternavn, Dato, SMS_Text) "
         "VALUES (?,?,?,'24/05/10,12:00:00',?)",
         ReceivedSms, [](sqlite3_stmt *s, int i) {
             const QByteArray number = phone(9, i % KeyUnits);
             text(s, 1, number);
             text(s, 2, number.mid(3));
             text(s, 3, "Dør");
             text(s, 4, phone(4, i % Persons) + " er lagt til");
         });
    fill(db,
         "INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, Dato) VALUES "
         "(?,?,'Fornavn','Etternavn','10/05,12:00')",
         LogEntries, [](sqlite3_stmt *s, int i) {
             text(s, 1, phone(9, i % KeyUnits));
             text(s, 2, phone(4, i % Persons));
         });
    connection.exec(QStringLiteral("COMMIT"));
}

// A new database at path with the large site in it, as the program opens it now.
inline void makeLargeSite(const QString &path)
{
    QFile::remove(path);
    createDatabase(path, QStringLiteral("bench"));
    auto connection = Connection::open(buildConnectionString(path, databasePassword()));
    generate(*connection);
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
// tracking is set first, as the phase measured wants it.
inline void openSite(AppState &state, const QString &path, bool tracking)
{
    Connection::setChangeTracking(tracking);
    state.SharedConnection = Connection::open(buildConnectionString(path, databasePassword()));
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
