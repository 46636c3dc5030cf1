#pragma once

#include "modem/ExchangeGuard.h"
#include "modem/FakeLink.h"
#include "modem/LineReader.h"
#include "modem/ModemClock.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "modem/ModemTiming.h"
#include "modem/TerminalLog.h"
#include "programstate/AppState.h"

#include <QMap>
#include <QStringList>

namespace portiva::test
{

// Records what the dialogue shows in the window.
struct RecordingHost : ModemHost {
    QStringList status;
    QMap<int, QString> panels;
    QString owner;
    int reloads = 0;
    void Write2StatusBox(const QString &m) override { status << m; }
    void setStatusPanel(int p, const QString &t) override { panels[p] = t; }
    QString modemOwnerShown() const override { return owner; }
    void OpenMainRecordsets() override { ++reloads; }
};

// A headless modem dialogue on scripted links and virtual time.
struct Rig {
    AppState state;
    FakeSerialChannel serial;
    FakeNetworkChannel network;
    TerminalLog log;
    RecordingHost host;
    VirtualModemClock clock;
    ModemTiming timing;
    ExchangeState exchange;
    ModemLink link{state, serial, network, log, host};
    LineReader reader{link, clock, log, timing, exchange};

    explicit Rig(bool networkLink)
    {
        clock.onPump = [this](qint64 now) {
            serial.deliver(now);
            network.deliver(now);
        };
        if (networkLink) {
            state.LastComPort = 255;
            network.connectToHost(QStringLiteral("127.0.0.1"), 23);
        } else {
            state.LastComPort = 1;
            serial.open(QStringLiteral("/dev/fake"));
        }
    }
    void arrive(qint64 at, const QByteArray &bytes)
    {
        if (state.LastComPort == 255)
            network.script.add(at, bytes);
        else
            serial.script.add(at, bytes);
    }
    QByteArray rest() const
    {
        return state.LastComPort == 255 ? link.NetworkReceiveBuffer : serial.inbox;
    }
    QByteArray written() const
    {
        return state.LastComPort == 255 ? network.script.written : serial.script.written;
    }
};

} // namespace portiva::test
