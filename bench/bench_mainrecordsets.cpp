// How long the main window's reload takes on a large site, against a raw SQLite scan of the
// rows of the same queries on the same connection: with nothing held (every view opened
// anew), again on an unchanged database, and after a one-row change in SMS_Sent, as the send
// tick and every received SMS make it. Each figure is taken twice in the same run: "today",
// the site and the layer as they were before the tables counted their changes (no counters,
// no look-up indexes, every view read at once), and "now".
//
//   portiva-bench-mainrecordsets [--keep FILE]
//
// The site: 200 key units, 10,000 catalogue persons, 20,000 rights, 100,000 sent and 100,000
// received SMS and 50,000 log entries. Medians of five runs. --keep leaves the site in FILE
// and its "today" copy in FILE.today, for portiva-bench-sendtick and portiva-bench-stall.

#include "LargeSite.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "programstate/AppState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlite3.h>

#include <cstdio>
#include <functional>

using namespace portiva;
using namespace portiva::bench;

namespace
{

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

struct Figures {
    double raw = 0, nothingHeld = 0, unchanged = 0, afterChange = 0, everyViewRead = 0;
    QString rows;
};

Figures measure(const QString &path, bool tracking)
{
    AppState state;
    bench::openSite(state, path, tracking);
    MainViews views;
    MainRecordsets reload(state, views);
    // With the views of the last reload released no rows can be shared.
    const auto release = [&] {
        const QString shown = views.shownKeyNummer;
        views = MainViews();
        views.shownKeyNummer = shown;
    };
    const auto openAll = [&] { reload.openAll(); };
    int change = 0;
    const auto changeOneRow = [&] {
        state.SharedConnection->exec(
            QStringLiteral("UPDATE SMS_Sent SET TimeSent = ?1 WHERE ID = 2"),
            {QStringLiteral("10:%1:00").arg(++change % 60, 2, 10, QLatin1Char('0'))});
    };
    Figures f;
    f.raw = median(5, [&] { rawScan(state.SharedConnection->checkedHandle()); });
    f.nothingHeld = median(5, openAll, release);
    f.unchanged = median(5, openAll);
    f.afterChange = median(5, openAll, changeOneRow);
    // As above, and then every view read, as if code used each one before the next reload.
    const auto openAndReadAll = [&] {
        openAll();
        for (const auto &rs :
             {views.adoALLKEYRS, views.adoKEYRS, views.adoTBLBrukereRS, views.adoAlleNyeBrukereRS,
              views.adoSELECTEDBrukereRS, views.adoKatalogRS, views.adoSMSReceivedRS,
              views.adoSMSSentRS, views.adoSMSUNSentRS, views.adoAntallRS, views.adoLOGGDataRS,
              views.adoModemRS})
            rs->RecordCount();
    };
    f.everyViewRead = median(5, openAndReadAll, changeOneRow);
    f.rows = QStringLiteral("sent %1, received %2, queue %3, log %4")
                 .arg(views.adoSMSSentRS->RecordCount())
                 .arg(views.adoSMSReceivedRS->RecordCount())
                 .arg(views.adoSMSUNSentRS->RecordCount())
                 .arg(views.adoLOGGDataRS->RecordCount());
    return f;
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
    const QString today = path + QStringLiteral(".today");

    QElapsedTimer made;
    made.start();
    makeLargeSite(path);
    makeTodayCopy(path, today);
    out << "large site generated in " << made.elapsed() << " ms\n";

    const Figures before = measure(today, false);
    const Figures now = measure(path, true);
    out << "rows: " << now.rows << "\n";
    const auto line = [&](const char *what, double a, double b, double rawA, double rawB) {
        out << QStringLiteral("%1 %2 ms (%3x)   %4 ms (%5x)\n")
                   .arg(QString::fromLatin1(what), -36)
                   .arg(a, 7, 'f', 1)
                   .arg(a / rawA, 0, 'f', 2)
                   .arg(b, 7, 'f', 1)
                   .arg(b / rawB, 0, 'f', 2);
    };
    out << QStringLiteral("%1 %2   %3\n")
               .arg(QString(), -36)
               .arg(QStringLiteral("today"), -17)
               .arg(QStringLiteral("now"));
    line("raw SQLite scan of the same rows", before.raw, now.raw, before.raw, now.raw);
    line("OpenMainRecordsets, nothing held", before.nothingHeld, now.nothingHeld, before.raw,
         now.raw);
    line("again, database unchanged", before.unchanged, now.unchanged, before.raw, now.raw);
    line("after a one-row change in SMS_Sent", before.afterChange, now.afterChange, before.raw,
         now.raw);
    line("the same, then every view read", before.everyViewRead, now.everyViewRead, before.raw,
         now.raw);
    out << QStringLiteral("today, after a one-row change: %1 ms, ratio %2\n")
               .arg(before.afterChange, 0, 'f', 1)
               .arg(before.afterChange / before.raw, 0, 'f', 2);
    out << QStringLiteral("after a one-row change: %1 ms, ratio %2\n")
               .arg(now.afterChange, 0, 'f', 1)
               .arg(now.afterChange / now.raw, 0, 'f', 2);
    if (keep < 0)
        QFile::remove(today);
    return 0;
}
