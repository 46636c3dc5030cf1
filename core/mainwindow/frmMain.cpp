#include "core/mainwindow/frmMain.h"

#include "admin/KeyPanel.h"
#include "admin/KeyUsers.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "admin/UserPanel.h"
#include "core/DatabaseMenu.h"
#include "core/HelpFile.h"
#include "core/mainwindow/ModemWindowHost.h"
#include "core/mainwindow/WindowFactory.h"
#include "modem/ModemSession.h"
#include "platform/settings/Settings.h"
#include "platform/ui/WindowRegistry.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QTimer>
#include <QUrl>

namespace portiva
{

frmMain::frmMain(AppState &state, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_views(std::make_unique<MainViews>()),
      m_today([] { return QDate::currentDate(); })
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QCoreApplication::applicationName());
    buildMenus();
    buildControls();
    wireSubsystems();
    wireAdmin();
    connectMenus();
    setHelpOpener({});

    // Activation means the operator moved between the program's own forms, never a box.
    registerForm(this);
    connect(&WindowRegistry::instance(), &WindowRegistry::formActivated, this,
            [this](QWidget *form) {
                if (form == this)
                    Form_Activate();
            });
    connect(&WindowRegistry::instance(), &WindowRegistry::formDeactivated, this,
            [this](QWidget *form) {
                if (form == this)
                    Form_Deactivate();
            });
    setupModem();
}

frmMain::~frmMain() = default;

void frmMain::wireSubsystems()
{
    MainRecordsetsControls rc;
    rc.KeyTXT = KeyTXT;
    rc.SMSRectxt = SMSRectxt;
    rc.Modemdata = Modemdata;
    rc.LblModemStatus = LblModemStatus;
    rc.Image1 = Image1;
    rc.Image2 = Image2;
    rc.PhoneOn = PhoneOn;
    rc.PhoneOff = PhoneOff;
    rc.PhoneDisplay = PhoneDisplay;
    rc.statusPanel1 = statusPanel(1);
    rc.txtHostName = txtHostName;
    m_recordsets = std::make_unique<MainRecordsets>(m_state, *m_views, rc);

    KeyUsersControls kc;
    kc.keyNumber = KeyTXT[0];
    kc.TabStrip1 = TabStrip1;
    kc.DataGrid1 = DataGrid1;
    kc.NummerLBL = NummerLBL;
    kc.EtternavnLBL = EtternavnLBL;
    kc.FornavnLBL = FornavnLBL;
    kc.DatoLBL1 = DatoLBL1;
    kc.DatoLBL2 = DatoLBL2;
    kc.KontoLBL = KontoLBL;
    kc.StatusLBL = StatusLBL;
    m_keyUsers = std::make_unique<KeyUsers>(m_state, *m_views, texts, UserGridSortKey, kc);

    DatabaseMenuHooks hooks;
    hooks.busy = [this] { return QueueWorkerBusy || ReadingMessages || exchangeInProgress(); };
    hooks.timers = [this] { return QList<QTimer *>{TimerCom, TimerSEND_SMS}; };
    hooks.texts = [this] {
        return DatabaseMenuTexts{texts.WaitForSendingText, texts.CompactWarningText,
                                 texts.CompactDoneText, texts.CompactFailedText};
    };
    hooks.OpenMainRecordsets = [this] { OpenMainRecordsets(); };
    hooks.ShowKeyUsers = [this] { ShowKeyUsers(); };
    hooks.releaseModemRow = [this] { releaseModemRow(); };
    hooks.claimModemAfterChange = [this] { claimModemAfterDatabaseChange(); };
    m_dbMenu = std::make_unique<DatabaseMenu>(m_state, this, std::move(hooks));
}

void frmMain::setHelpOpener(std::function<bool(const QString &)> opener)
{
    if (!opener) {
        opener = [](const QString &path) {
            return desktopHasHtmlViewer() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        };
    }
    m_helpOpener = std::move(opener);
}

Settings &frmMain::settings()
{
    if (!m_settings) {
        m_ownSettings = std::make_unique<Settings>();
        m_settings = m_ownSettings.get();
    }
    return *m_settings;
}

void frmMain::OpenMainRecordsets()
{
    m_recordsets->OpenMainRecordsets();
}

void frmMain::ShowKeyUsers()
{
    m_keyUsers->ShowKeyUsers();
}

void frmMain::OpenDatabase()
{
    m_dbMenu->OpenDatabase();
}

void frmMain::mnuFileDatabase_Click()
{
    m_dbMenu->mnuFileDatabase_Click();
}

void frmMain::mnuFileCompactDatabase_Click()
{
    m_dbMenu->mnuFileCompactDatabase_Click();
}

void frmMain::ReceiveData(const QString &)
{
    // Public since the first version of the program; nothing ever called it with work to do.
}

} // namespace portiva
