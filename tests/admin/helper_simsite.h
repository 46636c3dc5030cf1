#pragma once

// The program on a database with one key unit, its modem the simulator with that unit, for the
// tests that drive the real main window against the simulated unit.

#include "core/mainwindow/frmMain.h"
#include "modem/ModemSession.h"
#include "platform/db/Connection.h"
#include "platform/settings/Settings.h"
#include "programstate/AppState.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/Waiting.h"
#include "tools/modemsim/ModemSim.h"

#include <QSettings>
#include <QTemporaryDir>

namespace portiva::test
{

inline bool waitFor(const std::function<bool()> &done, int ms = 30000)
{
    return test::waitUntil(done, ms);
}

inline const QString kUnit = QStringLiteral("+4711111111");

// The program on a database with one key unit, its modem the simulator with that unit.
struct Site {
    ScriptedDialogs dialogs;
    TestDatabase db;
    modemsim::ModemSim sim;
    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    AppState state;
    std::unique_ptr<frmMain> w;
    std::shared_ptr<Connection> conn;

    Site()
    {
        db.connection()->exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet) VALUES "
                              "('+4711111111', 'Hovedport', '4')");
        sim.setTimescale(0.05);
        sim.addUnit(kUnit, "Hovedport");
    }
    ~Site()
    {
        if (w)
            w->modem().shutdown();
    }

    bool start()
    {
        if (!sim.listen(0))
            return false;
        const QString ini = dir.filePath("settings.ini");
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("Settings/LastComPort", 255);
            s.setValue("Settings/HostName", "127.0.0.1");
            s.setValue("Settings/Port", QString::number(sim.port()));
            s.setValue("Settings/KeySelect", kUnit);
        }
        settings = std::make_unique<Settings>(ini);
        state.DBPath = db.path();
        state.CurrentUserName = "Forvaltermann";
        state.CurrentSecurityLevel = "6";
        state.CurrentComputerName = "PC-TEST";
        w = std::make_unique<frmMain>(state);
        w->setSettings(settings.get());
        const QDate today = QDate::currentDate();
        w->setClock([today] { return today; });
        dialogs.answer(Dialogs::Answer::Ok); // "Kobler til: ..."
        w->Form_Load();
        w->CLEAR_INPUT();
        w->ShowKeyUsers();
        conn = Connection::open(state.ConnectionString);
        return state.ModemReady;
    }
    // The operator opens the network link again by the link menu, after it dropped.
    void reconnect()
    {
        dialogs.answerInput(QStringLiteral("127.0.0.1"));
        dialogs.answerInput(QString::number(sim.port()));
        dialogs.answer(Dialogs::Answer::Ok); // "Kobler til: ..."
        w->mnuComPortWinsock->trigger();
    }
    QVariant scalar(const QString &sql) { return conn->scalar(sql); }
    bool idle() const { return !w->ReadingMessages && !w->QueueWorkerBusy; }
};

} // namespace portiva::test
