#include "core/mainwindow/Main.h"

#include "core/frmLogin.h"
#include "core/frmSplash.h"
#include "core/mainwindow/frmMain.h"
#include "modem/GsmCharTables.h"
#include "platform/db/TextOrder.h"
#include "platform/settings/Settings.h"
#include "platform/ui/BusyPointer.h"
#include "platform/ui/ShutdownSignals.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QApplication>
#include <QPointer>
#include <memory>

namespace portiva
{

int Main(AppState &state, Settings &settings, const QString &commandLineDatabase)
{
    state.CountryCode = settings.text(QStringLiteral("CountryCode"), QStringLiteral("47"));
    state.LogoCountryCode = settings.text(QStringLiteral("LogoCountryCode"), QStringLiteral("0"));
    setPhraseLanguage(state.CountryCode);
    installBusyPointer();
    setListLanguage(state.CountryCode);
    // A logout or a shutdown of the desktop closes the program as its close box would.
    QPointer<frmMain> shown;
    ShutdownSignals shutdown([&shown] {
        if (shown)
            shown->closeForShutdown();
    });

    {
        auto login = std::make_unique<frmLogin>(state, settings, commandLineDatabase);
        login->exec();
        if (!login->LoginSucceeded)
            return 0;
    }

    {
        frmSplash splash;
        splash.exec();
    }
    if (shutdown.requested())
        return 0;

    frmMain mainWindow(state);
    mainWindow.setSettings(&settings);
    state.SelectedUserTab = QStringLiteral("1");
    mainWindow.Form_Load();
    shown = &mainWindow;
    // Filled only now: a modem initialisation started by the load sends nothing before the
    // first send-timer tick, which comes after this.
    GsmCharTables::InitGSMCharTables();
    mainWindow.show();
    // A window manager activates a new window itself; without one the main window would
    // never become the active form, and its activation (the first user list) would not run.
    mainWindow.activateWindow();
    return QApplication::exec();
}

} // namespace portiva
