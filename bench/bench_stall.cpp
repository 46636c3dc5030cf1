// The longest time the operator's thread is busy without coming back to its event loop while
// the program sends a registration to a key unit on the modem simulator and takes in the
// unit's answer, on the large site; and the program's peak memory over the run.
//
//   portiva-bench-stall --database FILE [--cycles N]
//
// FILE is a site made by "portiva-bench-windows --make FILE --sent N" or kept by
// "portiva-bench-mainrecordsets --keep FILE" (the runs add their registrations to it); when
// FILE.today, the same site as it was before its tables counted their changes and had their
// look-up indexes, is there, it is run first with the layer's change tracking off, for the
// figure of today beside the figure of now. The unit in view is the one that holds most
// rights, its user grid on the tab the main window opens on and then on "Alle"; each run is a
// process of its own, so each peak memory is its own. The program's work is the real one
// (send timer, queue, listing, reply interpretation, the reloads as the main window makes
// them); only the modem's own waits are scaled down, which shortens the cycle, not the work
// between returns. Each stall is printed beside a raw SQLite scan of the rows the main
// window shows on that tab (ShownRows.h), on the same connection after the cycles.

#include "ShownRows.h"
#include "admin/CommandLanguage.h"
#include "admin/FuturePeriods.h"
#include "admin/KeyUsers.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "database/CreateDatabase.h"
#include "inbox/ReceivedSmsReader.h"
#include "modem/ModemClock.h"
#include "modem/ModemHost.h"
#include "modem/ModemSession.h"
#include "platform/db/Connection.h"
#include "platform/link/SerialLink.h"
#include "platform/link/TcpLink.h"
#include "platform/ui/Dialogs.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"
#include "tools/modemsim/ModemSim.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QTimer>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <functional>

using namespace portiva;

namespace
{

const QString kUnit = QStringLiteral("+4790000000");

// The modem host of the main window, less its widgets: both reloads, and the waiting periods.
// Commits of the program's connection that wrote the queue or the register (the modem hold's
// renewal may fall inside a send's wait, but it is not the send's). The tick reloads the views
// just before and just after its send, so the commits between those two reloads are the send's.
struct CommitCount {
    qint64 commits = 0;
    qint64 atReload = 0;
    qint64 sendCommits = 0; // the largest count between the two reloads of one tick
    bool wrote = false;
    void attach(sqlite3 *db)
    {
        sqlite3_update_hook(db, &CommitCount::changed, this);
        sqlite3_commit_hook(db, &CommitCount::committed, this);
        sqlite3_rollback_hook(
            db, [](void *self) { static_cast<CommitCount *>(self)->wrote = false; }, this);
    }
    static void changed(void *self, int, const char *, const char *table, sqlite3_int64)
    {
        if (qstrcmp(table, "SMS_Sent") == 0 || qstrcmp(table, "TBLbrukere") == 0)
            static_cast<CommitCount *>(self)->wrote = true;
    }
    static int committed(void *self)
    {
        auto *count = static_cast<CommitCount *>(self);
        count->commits += count->wrote;
        count->wrote = false;
        return 0;
    }
};

struct Host : ModemHost {
    MainRecordsets *reload = nullptr;
    KeyUsers *users = nullptr;
    AppState *state = nullptr;
    CommitCount *counted = nullptr;
    int reloadsOfTick = 2; // the tick begins with ProcessNewUsers
    void OpenMainRecordsets() override
    {
        if (counted && reloadsOfTick == 0)
            counted->atReload = counted->commits;
        if (counted && reloadsOfTick == 1)
            counted->sendCommits =
                std::max(counted->sendCommits, counted->commits - counted->atReload);
        ++reloadsOfTick;
        // As the main window's modem host reloads: the views, then the user grid as far as
        // the rights changed.
        reload->OpenMainRecordsets();
        users->refreshIfChanged();
    }
    void ProcessNewUsers() override
    {
        reloadsOfTick = 0;
        portiva::ProcessNewUsers(
            *state, [this] { users->ShowKeyUsers(); }, QDate::currentDate());
    }
};

// Longest time between two turns of the event loop: a zero timer fires at every turn,
// also in the nested loops of the modem waits.
class StallProbe
{
public:
    StallProbe()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0)
                m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start(0);
    }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_longest = 0;
};

// Nothing here may wait for an operator: a box is answered OK and its text goes to stderr.
struct BenchDialogs : Dialogs {
    Answer msgBox(const QString &text, Buttons, const QString &) override
    {
        QTextStream(stderr) << "box: " << text << "\n";
        return Answer::Ok;
    }
    std::optional<QString> inputBox(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    void beep() override {}
};

bool waitFor(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// "100k", "1M": the site's size as the figures name it.
QString siteLabel(int sentRows)
{
    if (sentRows >= 1000000)
        return QString::number(double(sentRows) / 1e6, 'g', 3) + QLatin1Char('M');
    return QString::number(sentRows / 1000) + QLatin1Char('k');
}

int runPhase(const QString &path, bool tracking, int cycles, bool allUsersTab)
{
    QTextStream out(stdout);
    Connection::setChangeTracking(tracking);
    modemsim::ModemSim sim;
    sim.setTimescale(0.05);
    sim.addUnit(kUnit, QStringLiteral("Dør 0"), QStringLiteral("nb"));
    if (!sim.listen(0)) {
        out << "the simulator cannot listen\n";
        return 1;
    }
    AppState state;
    state.SharedConnection = Connection::open(buildConnectionString(path, databasePassword()));
    // As the program opens a file: one of an older program gets the look-up indexes first.
    if (tracking) {
        addIndexes(state.SharedConnection);
        state.SharedConnection->addChangeCounters();
    }
    state.CurrentSecurityLevel = QStringLiteral("6");
    state.SelectedKeyNummer = kUnit;
    state.CurrentComputerName = QStringLiteral("BENCH");
    state.CountryCode = QStringLiteral("47");
    state.LastComPort = 255;
    state.HostName = QStringLiteral("127.0.0.1");
    state.Port = QString::number(sim.port());
    MainTexts texts;
    // The tab the main window's load chooses, or the one of every right of the unit.
    state.SelectedUserTab = allUsersTab ? texts.AllUsersTabText : texts.NewUsersTabText;
    MainViews views;
    MainRecordsets reload(state, views);
    const QString UserGridSortKey = QStringLiteral("Bruker"); // KeyUsers keeps a reference
    KeyUsers users(state, views, texts, UserGridSortKey);
    CommitCount counted;
    counted.attach(state.SharedConnection->checkedHandle());
    Host host;
    host.counted = &counted;
    host.reload = &reload;
    host.users = &users;
    host.state = &state;
    QTimer TimerCom, TimerSEND_SMS;
    ModemFlags flags;
    ModemSession session(state, host, TimerCom, TimerSEND_SMS, flags,
                         std::make_unique<SerialLink>(), std::make_unique<TcpLink>(),
                         ModemTiming().scaled(0.05), std::make_unique<RealModemClock>());
    ReceivedSmsReader reader(
        session.context(),
        {[&] { reload.OpenMainRecordsets(); }, [&] { users.refreshIfChanged(); }, {}, {}});
    session.setReceiver(reader);
    reload.OpenMainRecordsets();
    users.ShowKeyUsers();
    session.OpenComPort();
    if (!waitFor([&] { return state.ModemReady && !flags.ModemInitBusy; }, 30000)) {
        out << "the modem did not become ready\n";
        return 1;
    }

    Connection &db = *state.SharedConnection;
    // A generated site leaves a backlog of rows for units the simulator does not know; the
    // cycles measure one row each, so the backlog is taken as sent already.
    db.exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = '1:OK' WHERE CMGS = 'UNSENT'"));
    const int sentRows = db.scalar("SELECT count(*) FROM SMS_Sent").toInt();
    // The newest ID, not a count: the bench's own look-ups run between turns of the loop too.
    const auto received = [&] { return db.scalar("SELECT max(ID) FROM SMS_Received").toInt(); };
    StallProbe probe;
    QElapsedTimer cycle;
    cycle.start();
    // Each run registers people the site does not hold yet: an answer for a number held twice
    // at the unit is not applied, and the cycle would leave out the grid's update.
    const int earlier =
        db.scalar("SELECT count(*) FROM TBLbrukere WHERE KeyBruker LIKE '+4749%'").toInt();
    for (int i = 0; i < cycles; ++i) {
        const QString person = QStringLiteral("+4749%1").arg(900000 + earlier + i);
        const int before = received();
        // The right the registration is for, as the register holds it before the unit answers.
        db.exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], "
                               "FraTid, [Gyldig til], TilTid, Konto, Saldo, Status) VALUES (?1, "
                               "?2, '1/1/2024', '00', '31/12/2099', '24', 'Gjest', '0', 'NY')"),
                {person, kUnit});
        db.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, SMS_Text, CMGS, "
                               "Dato, DatoLNG) VALUES (?1, ?2, ?3, 'UNSENT', ?4, ?5)"),
                {kUnit, kUnit.mid(3),
                 UserRegistrationCommand(person, state.CountryCode, QDate(2024, 1, 1),
                                         QStringLiteral("00"), QDate(2099, 12, 31),
                                         QStringLiteral("24")),
                 QDate::currentDate().toString(Qt::ISODate),
                 QDate(1899, 12, 30).daysTo(QDate::currentDate())});
        if (!waitFor([&] { return received() > before && !flags.ReadingMessages; }, 60000)) {
            out << "cycle " << i + 1 << " did not end\n";
            return 1;
        }
    }
    const double seconds = double(cycle.elapsed()) / 1000;
    const double longest = probe.longestMs();
    const QStringList shown = bench::shownStatements(path, state, state.SelectedUserTab);
    std::vector<double> raws;
    for (int run = 0; run < 3; ++run)
        raws.push_back(bench::rawShownMs(db.checkedHandle(), shown));
    std::sort(raws.begin(), raws.end());
    // Given back as the program's unload does, so that the site can be run again.
    db.exec(QStringLiteral("UPDATE Modem SET IMEICODE = '0', ModemManufacturer = ' ', ModemName = "
                           "' ', ModemStatus = 0, ModemOwner = '?' WHERE ModemOwner = ?1"),
            {state.CurrentComputerName});
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(longest, 0, 'f', 1)
               .arg(usage.ru_maxrss / 1024)
               .arg(cycles)
               .arg(seconds, 0, 'f', 1)
               .arg(counted.sendCommits)
               .arg(siteLabel(sentRows))
               .arg(raws[1], 0, 'f', 1);
    return 0;
}

QStringList runChild(const QString &program, const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, args);
    child.waitForFinished(600000);
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u' ');
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name) {
        const int at = int(args.indexOf(QString::fromLatin1(name)));
        return at > 0 && at + 1 < args.size() ? args[at + 1] : QString();
    };
    const QString database = option("--database");
    const int cycles = std::max(1, option("--cycles").isEmpty() ? 5 : option("--cycles").toInt());
    if (database.isEmpty()) {
        out << "usage: portiva-bench-stall --database FILE [--cycles N]\n";
        return 2;
    }
    BenchDialogs boxes;
    setDialogs(&boxes);
    const QString phase = option("--phase");
    const bool allUsersTab = option("--tab") == u"all";
    if (phase == u"today")
        return runPhase(database + QStringLiteral(".today"), false, cycles, allUsersTab);
    if (phase == u"now")
        return runPhase(database, true, cycles, allUsersTab);

    const QStringList common{QStringLiteral("--database"), database, QStringLiteral("--cycles"),
                             QString::number(cycles), QStringLiteral("--phase")};
    const auto failed = [&](const QStringList &figures) {
        if (figures.size() >= 7)
            return false;
        out << "a phase failed: " << figures.join(u' ') << "\n";
        return true;
    };
    // One line: "<what> at <site>: N ms, raw R ms, ratio X".
    const auto line = [&](const QString &what, const QStringList &f) {
        out << QStringLiteral("%1 at %2: %3 ms, raw %4 ms, ratio %5\n")
                   .arg(what, f[5], f[0], f[6])
                   .arg(f[0].toDouble() / std::max(0.001, f[6].toDouble()), 0, 'f', 2);
    };
    // The site as it was before its tables counted their changes, when one was kept beside it.
    if (QFile::exists(database + QStringLiteral(".today"))) {
        const QStringList today =
            runChild(app.applicationFilePath(), common + QStringList{"today"});
        if (failed(today))
            return 1;
        line(QStringLiteral("today, stall send-receive"), today);
        out << QStringLiteral("today, peak memory at %1: %2 MB\n").arg(today[5], today[1]);
    }
    for (const char *tab : {"new", "all"}) {
        const QStringList now =
            runChild(app.applicationFilePath(), common + QStringList{"now", "--tab", tab});
        if (failed(now))
            return 1;
        const MainTexts texts;
        line(QStringLiteral("stall send-receive, tab %1")
                 .arg(qstrcmp(tab, "all") == 0 ? texts.AllUsersTabText : texts.NewUsersTabText),
             now);
        out << QStringLiteral("writes per send: %1 commits\n").arg(now[4]);
        out << QStringLiteral("peak memory at %1: %2 MB, %3 cycles %4 s\n")
                   .arg(now[5], now[1], now[2], now[3]);
    }
    return 0;
}
