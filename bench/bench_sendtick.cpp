// How long one send-timer tick takes with an empty queue on a large database: the tick runs on
// the operator's only thread every few seconds.
//
//   portiva-bench-sendtick --database FILE
//
// FILE is a large database kept by "portiva-bench-mainrecordsets --keep FILE"; its copy
// FILE.today (the site as it was before its tables counted their changes and had their
// look-up indexes) is measured first, with the layer's change tracking off, for the figure of
// today beside the figure of now. The modem is a scripted link on virtual time, so the figure
// is the program's own work: the two reloads of the main window's recordsets, the queue
// look-up and the listing command; and then the database's part of sending one row.
#include "LargeSite.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "modem/FakeLink.h"
#include "modem/ModemClock.h"
#include "modem/ModemDispatcher.h"
#include "modem/ModemHost.h"
#include "modem/ModemSession.h"
#include "modem/SendQueue.h"
#include "platform/db/Connection.h"
#include "programstate/AppState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <functional>

using namespace portiva;

namespace
{

struct ReloadHost : ModemHost {
    MainRecordsets *reload = nullptr;
    void OpenMainRecordsets() override { reload->openAll(); }
};

struct Figures {
    double tick = 0, reloads = 0, queue = 0, oneRow = 0;
};

Figures measure(const QString &path, bool tracking)
{
    AppState state;
    bench::openSite(state, path, tracking);
    state.SharedConnection->exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = '1:OK' WHERE CMGS = "
                                                "'UNSENT'"));
    MainViews views;
    MainRecordsets reload(state, views);
    ReloadHost host;
    host.reload = &reload;
    QTimer com, send;
    ModemFlags flags;
    auto *net = new FakeNetworkChannel;
    ModemSession session(state, host, com, send, flags, std::make_unique<FakeSerialChannel>(),
                         std::unique_ptr<NetworkChannel>(net), ModemTiming(),
                         std::make_unique<VirtualModemClock>());
    state.LastComPort = 255;
    net->connectToHost(QStringLiteral("127.0.0.1"), 23);
    state.ModemReady = true;

    reload.openAll();
    Figures f;
    f.tick = bench::median(9, [&] {
        session.context().restartSendTimer(10000);
        session.dispatcher().TimerSEND_SMS_Timer();
    });
    f.reloads = 2 * bench::median(9, [&] { reload.openAll(); });
    f.queue = bench::median(9, [&] { session.queue().Send_Next_SMS(); });
    // A row without a recipient goes to no modem: what is left is the database's part of a
    // send, the claim that marks the row and the write of its result.
    f.oneRow = bench::median(9, [&] {
        state.SharedConnection->exec(QStringLiteral("INSERT INTO SMS_Sent (SMS_Text, CMGS, "
                                                    "datolng) VALUES ('x', 'UNSENT', 0)"));
        session.queue().Send_Next_SMS();
    });
    state.SharedConnection->exec(
        QStringLiteral("DELETE FROM SMS_Sent WHERE TilNummer IS NULL AND SMS_Text = 'x'"));
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    const int at = int(args.indexOf(QStringLiteral("--database")));
    if (at < 0 || at + 1 >= args.size()) {
        out << "usage: portiva-bench-sendtick --database FILE\n";
        return 2;
    }
    const QString path = args[at + 1];
    const Figures today = measure(path + QStringLiteral(".today"), false);
    const Figures now = measure(path, true);
    const auto line = [&](const char *what, double a, double b) {
        out << QStringLiteral("%1 %2 ms   %3 ms\n")
                   .arg(QString::fromLatin1(what), -40)
                   .arg(a, 7, 'f', 2)
                   .arg(b, 7, 'f', 2);
    };
    out << QStringLiteral("%1 %2   %3\n")
               .arg(QString(), -40)
               .arg(QStringLiteral("today"), -10)
               .arg(QStringLiteral("now"));
    line("send tick, empty queue (median of 9)", today.tick, now.tick);
    line("  of which OpenMainRecordsets (x2)", today.reloads, now.reloads);
    line("  Send_Next_SMS queue look-up", today.queue, now.queue);
    line("Send_Next_SMS of one row, no modem", today.oneRow, now.oneRow);
    return 0;
}
