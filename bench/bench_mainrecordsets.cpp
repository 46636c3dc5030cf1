// How long the main window's reload takes on a large site, against a raw SQLite scan of the
// rows of the same queries on the same connection: with nothing held (every view opened
// anew), again on an unchanged database, and after a one-row change in SMS_Sent, as the send
// tick and every received SMS make it. Then the whole reload as the main window makes it,
// its user grid on the "Alle" tab of the unit in view: after a send's one-row change in
// SMS_Sent, after a registration's send (that row and its right's mark in one commit), and
// after a received answer (the message stored, a right's status changed), each beside a raw
// scan of the rows the window shows (ShownRows.h).
//
//   portiva-bench-mainrecordsets [--keep FILE]
//   portiva-bench-mainrecordsets --site FILE [--label 1M]
//
// Without --site the bench makes its site: 200 key units, 10,000 catalogue persons, 20,000
// rights, 100,000 sent and 100,000 received SMS and 50,000 log entries; each figure is then
// taken twice in the same run: "today", the site and the layer as they were before the tables
// counted their changes (no counters, no look-up indexes, every view read at once), and
// "now". --keep leaves the site in FILE and its "today" copy in FILE.today, for
// portiva-bench-sendtick and portiva-bench-stall. With --site the bench measures "now" on a
// copy of FILE (a site made by "portiva-bench-windows --make"), labelled as --label says.
// Medians of five runs.

#include "LargeSite.h"
#include "ShownRows.h"
#include "admin/KeyUsers.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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
        QByteArray sql = q.sql;
        if (q.param)
            sql.replace('?', QByteArray("'") + q.param + '\'');
        cells += scanRows(db, sql);
    }
    return cells;
}

struct Figures {
    double raw = 0, nothingHeld = 0, unchanged = 0, afterChange = 0, everyViewRead = 0;
    double shownRaw = 0, afterSend = 0, afterMarkingSend = 0, afterAnswer = 0;
    QString rows;
};

// The main window's reloads with its user grid, on the "Alle" tab of the unit in view: the
// modem road's (after a send) and the received SMS reader's (after an answer).
void measureWindow(const QString &path, AppState &state, MainViews &views, MainRecordsets &reload,
                   Figures &f)
{
    const MainTexts texts;
    state.SelectedUserTab = texts.AllUsersTabText;
    const QString sortKey = QStringLiteral("Bruker");
    KeyUsers users(state, views, texts, sortKey);
    users.rebuild();
    Connection &db = *state.SharedConnection;
    const QVariant right =
        db.scalar(QStringLiteral("SELECT min(rid) FROM TBLbrukere WHERE KeyNummer = ?1"),
                  {views.shownKeyNummer});
    int turn = 0;
    const auto sendChange = [&] {
        db.exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = ?1 WHERE ID = 2"),
                {QStringLiteral("%1:OK").arg(++turn % 200)});
    };
    const auto answerChange = [&] {
        db.exec(QStringLiteral("INSERT INTO SMS_Received (FraNummer, FraNummerKort, Etternavn, "
                               "Dato, SMS_Text) VALUES (?1, ?2, 'Dør', '24/05/10,12:00:00', "
                               "'41234567 er lagt til')"),
                {views.shownKeyNummer, views.shownKeyNummer.mid(3)});
        db.exec(QStringLiteral("UPDATE TBLbrukere SET Status = ?1 WHERE rid = ?2"),
                {++turn % 2 ? QStringLiteral("Aktiv ") : QStringLiteral("Registrerer"), right});
    };
    // A registration's send writes its result and its right's mark in one commit.
    const auto markingSendChange = [&] {
        Connection::Transaction both(state.SharedConnection);
        sendChange();
        db.exec(QStringLiteral("UPDATE TBLbrukere SET Status = ?1 WHERE rid = ?2"),
                {turn % 2 ? QStringLiteral("Registrerer") : QStringLiteral("Sletter"), right});
        both.commit();
    };
    const auto modemReload = [&] {
        reload.openAll();
        users.refreshIfChanged();
    };
    f.afterSend = median(5, modemReload, sendChange);
    f.afterMarkingSend = median(5, modemReload, markingSendChange);
    // The received SMS reader reloads the window as the modem road does.
    f.afterAnswer = median(5, modemReload, answerChange);
    const QStringList shown = shownStatements(path, state, state.SelectedUserTab);
    f.shownRaw = median(3, [&] { rawShownMs(db.checkedHandle(), shown); });
}

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
    if (tracking)
        measureWindow(path, state, views, reload, f);
    return f;
}

void line(QTextStream &out, const QString &what, const QString &label, double ms, double raw)
{
    out << QStringLiteral("%1 at %2: %3 ms, raw %4 ms, ratio %5\n")
               .arg(what, label)
               .arg(ms, 0, 'f', 1)
               .arg(raw, 0, 'f', 1)
               .arg(ms / raw, 0, 'f', 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bench.mdb"));
    const QStringList args = app.arguments();
    const auto option = [&](const char *name) {
        const int at = int(args.indexOf(QString::fromLatin1(name)));
        return at > 0 && at + 1 < args.size() ? args[at + 1] : QString();
    };
    const QString site = option("--site");
    const QString keep = option("--keep");
    QString label = option("--label");
    if (!keep.isEmpty())
        path = keep;
    const QString today = path + QStringLiteral(".today");

    QElapsedTimer made;
    made.start();
    if (site.isEmpty()) {
        makeLargeSite(path);
        makeTodayCopy(path, today);
        out << "large site generated in " << made.elapsed() << " ms\n";
        if (label.isEmpty())
            label = QStringLiteral("100k");
    } else if (!QFile::copy(site, path)) {
        out << "cannot copy " << site << " to " << path << "\n";
        return 1;
    } else if (label.isEmpty()) {
        label = QFileInfo(site).baseName();
    }

    const Figures before = site.isEmpty() ? measure(today, false) : Figures();
    const Figures now = measure(path, true);
    out << "rows: " << now.rows << "\n";
    if (site.isEmpty()) {
        const auto row = [&](const char *what, double a, double b) {
            out << QStringLiteral("%1 %2 ms (%3x)   %4 ms (%5x)\n")
                       .arg(QString::fromLatin1(what), -36)
                       .arg(a, 7, 'f', 1)
                       .arg(a / before.raw, 0, 'f', 2)
                       .arg(b, 7, 'f', 1)
                       .arg(b / now.raw, 0, 'f', 2);
        };
        out << QStringLiteral("%1 %2   %3\n")
                   .arg(QString(), -36)
                   .arg(QStringLiteral("today"), -17)
                   .arg(QStringLiteral("now"));
        row("raw SQLite scan of the same rows", before.raw, now.raw);
        row("OpenMainRecordsets, nothing held", before.nothingHeld, now.nothingHeld);
        row("again, database unchanged", before.unchanged, now.unchanged);
        row("after a one-row change in SMS_Sent", before.afterChange, now.afterChange);
        row("the same, then every view read", before.everyViewRead, now.everyViewRead);
        line(out, QStringLiteral("today, OpenMainRecordsets after a one-row change"), label,
             before.afterChange, before.raw);
    } else {
        line(out, QStringLiteral("OpenMainRecordsets, nothing held"), label, now.nothingHeld,
             now.raw);
    }
    line(out, QStringLiteral("OpenMainRecordsets after a one-row change"), label, now.afterChange,
         now.raw);
    line(out, QStringLiteral("main window reload after a send"), label, now.afterSend,
         now.shownRaw);
    line(out, QStringLiteral("main window reload after a send that marks its right"), label,
         now.afterMarkingSend, now.shownRaw);
    line(out, QStringLiteral("main window reload after an answer"), label, now.afterAnswer,
         now.shownRaw);
    if (keep.isEmpty())
        QFile::remove(today);
    return 0;
}
