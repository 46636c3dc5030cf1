#include "core/mainwindow/Main.h"

#include "core/AppState.h"
#include "core/frmLogin.h"
#include "core/frmSplash.h"
#include "platform/settings/Settings.h"

#include <QApplication>
#include <cstdio>
#include <memory>

namespace portiva
{

int Main(AppState &state, Settings &settings, const QString &commandLineDatabase)
{
    state.CountryCode = settings.text(QStringLiteral("CountryCode"), QStringLiteral("47"));
    state.LogoCountryCode = settings.text(QStringLiteral("LogoCountryCode"), QStringLiteral("0"));

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

    std::fprintf(stderr, "Portiva3: logged in as %s; the main window is not built yet\n",
                 qPrintable(state.CurrentUserName));
    return 0;
}

} // namespace portiva
