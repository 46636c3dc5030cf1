// How long the main window's reload takes on a large database, against a raw SQLite scan of
// the rows of the same queries on the same connection, and again with the rows of the last
// reload still held and the database unchanged.
//
//   portiva-bench-mainrecordsets [--keep FILE]
//
// Builds a database of 200 key units, 10,000 catalogue persons, 20,000 rights, 100,000 sent
// and 100,000 received SMS and 50,000 log entries, then times each, best of five runs.

#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "database/CreateDatabase.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "programstate/AppState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace portiva;

namespace
{

constexpr int KeyUnits = 200;
constexpr int Persons = 10000;
constexpr int Rights = 20000;
constexpr int SentSms = 100000;
constexpr int ReceivedSms = 100000;
constexpr int LogEntries = 50000;

// Inserts count rows through one prepared statement; bind(stmt, i) binds row i.
void fill(sqlite3 *db, const char *sql, int count,
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

void text(sqlite3_stmt *stmt, int index, const QByteArray &value)
{
    sqlite3_bind_text(stmt, index, value.constData(), int(value.size()), SQLITE_TRANSIENT);
}

QByteArray phone(int prefix, int n)
{
    return QByteArray("+47") + QByteArray::number(prefix * 10000000 + n);
}

void generate(Connection &connection)
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

// The reload's queries as it runs them, each with its bound value.
struct Query {
    const char *sql;
    const char *param;
};
const Query kQueries[] = {
    {"select KeyNummer, KeyNavn, KeySikkerhet, Bygning,Admin, Admin1, Admin2, Admin3, "
     "Admin4,Admin5, Eget_Nummer,Beskrivelse,Alarmstatus,KeyStatus,Pulslengde from KEYTable",
     nullptr},
    {"select KeyNummer, KeyNavn, KeySikkerhet from KEYTable where KeySikkerhet <= ?", "6 "},
    {"select KeyBruker,[Gyldig fra],FraTid,[Gyldig til],TilTid,Konto,Saldo,Status,keynummer "
     "from TBLbrukere",
     nullptr},
    {"select Bruker,Etternavn,Fornavn,[Gyldig fra],FraTid,[Gyldig til],TilTid,Konto,Saldo,"
     "Status,KeyNummer, ID from NYEbrukere",
     nullptr},
    {"select KeyBruker,[Gyldig fra],FraTid,[Gyldig til],TilTid,Konto,saldo,Status,keynummer "
     "from TBLbrukere where KeyNummer = ?",
     "+4790000000"},
    {"select Bruker, Etternavn, Fornavn, BrukerKort from Katalog", nullptr},
    {"SELECT ID,FraNummer, FraNummerKort, Etternavn, Fornavn, Dato, SMS_Text FROM SMS_Received",
     nullptr},
    {"SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato,datolng, SMS_Text, CMGS, "
     "TimeSent, TimeReceived, ReceivedStatus FROM SMS_Sent where not CMGS = 'UNSENT'",
     nullptr},
    {"SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato,datolng, SMS_Text, CMGS, "
     "TimeSent, TimeReceived, ReceivedStatus FROM SMS_Sent where CMGS = 'UNSENT' or CMGS = "
     "'SLETTET' order by ID",
     nullptr},
    {"SELECT TBLBrukere.KeyBruker, Count(TBLBrukere.KeyNummer) AS KEY_Antall From TBLBrukere "
     "GROUP BY TBLBrukere.KeyBruker",
     nullptr},
    {"SELECT KeyNummer, KeyUser, Fornavn,Etternavn, Dato from LOGGData", nullptr},
    {"SELECT IMEICode, ModemManufacturer, ModemName, ModemOwner, ModemStatus from Modem", nullptr},
};

// Steps through every row of every query, reading each cell as the layer would keep it.
qint64 rawScan(sqlite3 *db)
{
    qint64 cells = 0;
    for (const Query &q : kQueries) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, q.sql, -1, &stmt, nullptr) != SQLITE_OK)
            qFatal("prepare: %s", sqlite3_errmsg(db));
        if (q.param)
            sqlite3_bind_text(stmt, 1, q.param, -1, SQLITE_STATIC);
        const int columns = sqlite3_column_count(stmt);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_INTEGER:
                    cells += sqlite3_column_int64(stmt, c) != 0;
                    break;
                case SQLITE_TEXT:
                    cells += QString::fromUtf8(
                                 reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)),
                                 sqlite3_column_bytes(stmt, c))
                                 .size() > 0;
                    break;
                default:
                    ++cells;
                    break;
                }
            }
        }
        sqlite3_finalize(stmt);
    }
    return cells;
}

double bestOf(int runs, const std::function<void()> &fn, const std::function<void()> &before)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        before();
        QElapsedTimer timer;
        timer.start();
        fn();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bench.mdb"));
    const QStringList args = app.arguments();
    const int keep = int(args.indexOf(QStringLiteral("--keep")));
    if (keep > 0 && keep + 1 < args.size())
        path = args[keep + 1];
    QFile::remove(path);

    QElapsedTimer made;
    made.start();
    createDatabase(path, QStringLiteral("bench"));
    AppState state;
    state.SharedConnection = Connection::open(buildConnectionString(path, databasePassword()));
    state.CurrentSecurityLevel = QStringLiteral("6");
    state.SelectedKeyNummer = QStringLiteral("+4790000000");
    generate(*state.SharedConnection);
    out << "database generated in " << made.elapsed() << " ms\n";

    MainViews views;
    MainRecordsets reload(state, views);
    const auto nothing = [] {};
    // With the views of the last reload released no rows can be shared: every one is read,
    // as after a change to the database.
    const auto release = [&] {
        const QString shown = views.shownKeyNummer;
        views = MainViews();
        views.shownKeyNummer = shown;
    };
    const auto openAll = [&] { reload.openAll(); };
    const double raw = bestOf(
        5, [&] { rawScan(state.SharedConnection->checkedHandle()); }, nothing);
    const double ours = bestOf(5, openAll, release);
    const double unchanged = bestOf(5, openAll, nothing);
    out << "rows: sent " << views.adoSMSSentRS->RecordCount() << ", received "
        << views.adoSMSReceivedRS->RecordCount() << ", queue "
        << views.adoSMSUNSentRS->RecordCount() << ", log " << views.adoLOGGDataRS->RecordCount()
        << "\n";
    out << QStringLiteral("raw SQLite scan of the same rows: %1 ms\n").arg(raw, 0, 'f', 1);
    out << QStringLiteral("OpenMainRecordsets:               %1 ms\n").arg(ours, 0, 'f', 1);
    out << QStringLiteral("ratio: %1 (goal <= 1.5)\n").arg(ours / raw, 0, 'f', 2);
    out << QStringLiteral("again, database unchanged:        %1 ms\n").arg(unchanged, 0, 'f', 1);
    return 0;
}
