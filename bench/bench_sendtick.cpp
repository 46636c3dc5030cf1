// How long one send-timer tick takes with an empty queue on a large database: the tick runs on
// the operator's only thread every few seconds.
//
//   portiva-bench-sendtick --database FILE
//
// FILE is a large database kept by "portiva-bench-mainrecordsets --keep FILE". The modem is a
// scripted link on virtual time, so the figure is the program's own work: the two reloads of
// the main window's recordsets, the queue look-up and the listing command; and then the
// database's part of sending one row.
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

double median(int runs, const std::function<void()> &fn)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
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
    AppState state;
    state.SharedConnection =
        Connection::open(buildConnectionString(args[at + 1], databasePassword()));
    state.CurrentSecurityLevel = QStringLiteral("6");
    state.SelectedKeyNummer = QStringLiteral("+4790000000");
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
    const double tick = median(9, [&] {
        session.context().restartSendTimer(10000);
        session.dispatcher().TimerSEND_SMS_Timer();
    });
    const double reloads = median(9, [&] { reload.openAll(); });
    const double queue = median(9, [&] { session.queue().Send_Next_SMS(); });
    // A row without a recipient goes to no modem: what is left is the database's part of a
    // send, the claim that marks the row and the write of its result.
    const double oneRow = median(9, [&] {
        state.SharedConnection->exec(QStringLiteral("INSERT INTO SMS_Sent (SMS_Text, CMGS, "
                                                    "datolng) VALUES ('x', 'UNSENT', 0)"));
        session.queue().Send_Next_SMS();
    });
    state.SharedConnection->exec(
        QStringLiteral("DELETE FROM SMS_Sent WHERE TilNummer IS NULL AND SMS_Text = 'x'"));
    out << "send tick, empty queue (median of 9): " << QString::number(tick, 'f', 1) << " ms\n"
        << "  of which OpenMainRecordsets (x2):   " << QString::number(2 * reloads, 'f', 1)
        << " ms\n"
        << "  Send_Next_SMS queue look-up:        " << QString::number(queue, 'f', 2) << " ms\n"
        << "Send_Next_SMS of one row, no modem:   " << QString::number(oneRow, 'f', 2)
        << " ms (look-up, in-flight mark, result)\n";
    return 0;
}
