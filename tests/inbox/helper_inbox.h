#pragma once

#include "inbox/ReceivedSmsReader.h"
#include "modem/ExchangeGuard.h"
#include "modem/FakeLink.h"
#include "modem/LineReader.h"
#include "modem/ModemClock.h"
#include "modem/ModemContext.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "modem/ModemTiming.h"
#include "modem/TerminalLog.h"
#include "platform/db/Connection.h"
#include "programstate/AppState.h"
#include "tests/support/TestDatabase.h"

#include <QByteArray>
#include <QMap>
#include <QTimer>
#include <QVariantList>

namespace portiva::test
{

struct InboxHost : ModemHost {
    QMap<int, QString> panels;
    QString modemResponse;
    void setStatusPanel(int p, const QString &t) override { panels[p] = t; }
    void setModemResponse(const QString &t) override { modemResponse = t; }
};

// How the scripted modem answers after the header has been read.
enum class ModemScript { Normal, Silent, DeleteErrors, DeleteErrorThenOk, SecondEntry };

// One received-SMS call on a scripted serial modem, virtual time and a fresh database.
struct InboxRig {
    TestDatabase db;
    AppState state;
    FakeSerialChannel serial;
    FakeNetworkChannel network;
    TerminalLog log;
    InboxHost host;
    VirtualModemClock clock;
    ModemTiming timing;
    ModemFlags flags;
    ExchangeState exchange{nullptr, flags};
    ModemLink link{state, serial, network, log, host};
    LineReader reader{link, clock, log, timing, exchange};
    QTimer TimerCom, TimerSEND_SMS;
    ModemContext ctx{state, link, reader, clock, timing, exchange, host, TimerCom, TimerSEND_SMS};
    int reloads = 0, keyUserRebuilds = 0;
    // The rig's day, and the short date the system would write for it.
    QDate today = QDate(2009, 5, 10);
    QString shortDate = QStringLiteral("10.05.2009");
    ReceivedSmsReader inbox{ctx,
                            {[this] { ++reloads; }, [this] { ++keyUserRebuilds; },
                             [this] { return today; },
                             [this](const QDate &) { return shortDate; }}};
    // Set when a timer ran or ReadingMessages was clear while the call waited for the modem.
    bool pollSeenDuringCall = false;
    int deleteErrorsLeft = 0;

    InboxRig()
    {
        state.LastComPort = 1;
        state.ModemReady = true;
        state.SharedConnection = db.connection();
        serial.open(QStringLiteral("/dev/fake"));
        clock.onPump = [this](qint64 now) {
            if (exchange.active() &&
                (TimerCom.isActive() || TimerSEND_SMS.isActive() || !flags.ReadingMessages))
                pollSeenDuringCall = true;
            serial.deliver(now);
        };
        serial.script.onWrite = [this](const QByteArray &bytes) {
            if (!bytes.startsWith("AT+CMGD="))
                return;
            const bool error = deleteErrorsLeft > 0;
            if (error)
                --deleteErrorsLeft;
            serial.script.add(clock.now(), error ? "\r\nERROR\r\n" : "\r\nOK\r\n");
        };
        TimerCom.setInterval(1000);
        TimerCom.start();
        TimerSEND_SMS.setInterval(30000);
        TimerSEND_SMS.start();
    }

    // The bytes that follow the header: the body line (unless noBody) and the listing's end.
    void script(const QByteArray &body, bool noBody, ModemScript how)
    {
        QByteArray bytes = noBody ? QByteArray() : body + "\r\n";
        if (how == ModemScript::SecondEntry)
            bytes += "+CMGL: 9,\"REC UNREAD\",\"+4741234567\",,\"09/05/10,14:04:00+08\"\r\n"
                     "Neste\r\n";
        if (how != ModemScript::Silent)
            bytes += "\r\nOK\r\n";
        deleteErrorsLeft = how == ModemScript::DeleteErrors        ? 3
                           : how == ModemScript::DeleteErrorThenOk ? 1
                                                                   : 0;
        serial.script.add(0, bytes);
    }

    // The dispatcher's part, then the call.
    void handle(const QString &header)
    {
        const qsizetype at = header.indexOf(QLatin1String("+CMGL: "));
        bool ok = false;
        QString digits;
        for (qsizetype i = at + 7; at >= 0 && i < header.size() && header.at(i).isDigit(); ++i)
            digits += header.at(i);
        state.CurrentSMSIndex = digits.isEmpty() ? -1 : digits.toInt(&ok);
        flags.ReadingMessages = true;
        TimerCom.stop();
        inbox.readEntry(header);
    }

    QByteArray written() const { return serial.script.written; }
    Connection &sql() { return *state.SharedConnection; }
    void exec(const QString &statement, const QVariantList &params = {})
    {
        sql().exec(statement, params);
    }
};

} // namespace portiva::test
