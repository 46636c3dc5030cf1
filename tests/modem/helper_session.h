#pragma once

#include "helper_rig.h"
#include "modem/ModemSession.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/link/SerialLink.h"
#include "platform/link/TcpLink.h"
#include "programstate/AppState.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/Waiting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

namespace portiva::test
{

// One workstation: a modem session over the real links, on real time scaled down 20 times.
struct Workstation {
    AppState state;
    RecordingHost host;
    QTimer TimerCom, TimerSEND_SMS;
    ModemFlags flags;
    ModemTiming timing;
    ModemSession session{state,
                         host,
                         TimerCom,
                         TimerSEND_SMS,
                         flags,
                         std::make_unique<SerialLink>(),
                         std::make_unique<TcpLink>(),
                         timing,
                         std::make_unique<RealModemClock>()};

    Workstation(std::shared_ptr<Connection> db, const QString &computer,
                const ModemTiming &t = ModemTiming().scaled(0.05))
        : timing(t)
    {
        state.SharedConnection = std::move(db);
        state.CurrentComputerName = computer;
    }
    QString owner() const
    {
        return state.SharedConnection
            ->scalar(QStringLiteral("SELECT ModemOwner FROM Modem ORDER BY rowid LIMIT 1"))
            .toString();
    }
};

inline bool waitFor(const std::function<bool()> &done, int ms = 10000)
{
    return test::waitUntil(done, ms);
}

} // namespace portiva::test
