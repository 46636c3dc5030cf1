#pragma once

#include "modem/ExchangeGuard.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"

#include <QDate>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTableView;
class QTextEdit;
class QTimer;
class QToolButton;

namespace portiva
{

class Settings;
class frmHelp;
class ModemSession;
class ModemWindowHost;
class UpDown;
class WindowFactory;
struct MainViews;
class MainRecordsets;
class KeyUsers;
class UserPanel;
class KeyPanel;
class DatabaseMenu;
enum class WindowKind;

// The operator's main window. It carries the menus, the link and modem state, the terminal
// view, the key unit in view with its users, and the newest received SMS. The work of each
// subsystem lives in that subsystem's own objects; this class lays out the controls, owns
// those objects and keeps the public procedures as forwarders.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Builds every control, menu and timer; touches neither the settings nor the database
    // until Form_Load runs.
    explicit frmMain(AppState &state, QWidget *parent = nullptr);
    ~frmMain() override;

    AppState &state() { return m_state; }

    // ---- public procedures ----
    void Write2StatusBox(const QString &MessageEntry);
    void CLEAR_INPUT();
    void Read_SMS_MessageTEXT();
    QString Get_CMGS();
    void SendData(const QString &text);
    void ReceiveData(const QString &text);

    // ---- reload interface ----
    void OpenMainRecordsets();
    void ShowKeyUsers();

    // ---- window events ----
    void Form_Load();
    void Form_Activate();
    void Form_Deactivate();
    void ApplyLanguage();

    // ---- injection (tests and start-up) ----
    // The settings store Form_Load reads and the unload writes; without one the user's own.
    void setSettings(Settings *settings) { m_settings = settings; }
    void setWindowFactory(WindowFactory *factory) { m_factory = factory; }
    // Opens the help file; false when it could not be opened.
    void setHelpOpener(std::function<bool(const QString &)> opener);
    void setClock(std::function<QDate()> today) { m_today = std::move(today); }
    QDate today() const { return m_today(); }

    // ---- members named by the program ----
    MainTexts texts;
    // Busy flags of the modem work, shared with the modem objects that own their meaning.
    ModemFlags modemFlags;
    bool &ManualSMSBusy = modemFlags.ManualSMSBusy;
    bool REGNYBRUKER = false;
    bool UserGridActive = false;
    QString UserGridSortKey = QStringLiteral("Bruker");
    QString HelpFile;

    bool &QueueWorkerBusy = modemFlags.QueueWorkerBusy;
    bool &ModemInitBusy = modemFlags.ModemInitBusy;
    bool &CmgsWaitBusy = modemFlags.CmgsWaitBusy;
    bool &QueueNotEmpty = modemFlags.QueueNotEmpty;
    bool &ReadingMessages = modemFlags.ReadingMessages;
    // The modem dialogue (link, initialisation, queue, dispatcher); frmMainModem.cpp.
    ModemSession &modem() { return *m_modem; }

    MainViews &views() { return *m_views; }
    // A close asked for during a modem exchange; the exchange's end closes the window again.
    bool closePending() const { return m_closePending; }
    // The close of a termination signal: the close box's unload, but a send under way is
    // waited for rather than answered with a box nobody may read.
    void closeForShutdown();
    KeyUsers &keyUsers() { return *m_keyUsers; }
    // The user entry panel with registration, removal and free SMS; key and SMS stepping
    // (frmMainAdmin.cpp).
    UserPanel &userPanel() { return *m_userPanel; }
    KeyPanel &keyPanel() { return *m_keyPanel; }
    // The send tick's first step: one waiting period into force.
    void ProcessNewUsers();
    // OpenDatabase, the database choice and compaction, with CompactRequested/CompactFailed.
    DatabaseMenu &databaseMenu() { return *m_dbMenu; }
    void OpenDatabase();

    // ---- controls (objectName = the member's name) ----
    QMenu *mnuFile = nullptr, *mnuFilePrint = nullptr, *mnuKEY = nullptr, *mnuKatalog = nullptr,
          *mnuSMS = nullptr, *mnuSMSSendingsbekreftelse = nullptr, *mnuComPort = nullptr,
          *mnuSpråk = nullptr, *mnuHelp = nullptr;
    QAction *mnuFilePrintBrukere = nullptr, *mnuFilePrintKatalog = nullptr,
            *mnuFilePrintLogg = nullptr, *mnuFilePrintKEY = nullptr, *mnuFileDatabase = nullptr,
            *mnuFileCompactDatabase = nullptr, *mnuFileExit = nullptr, *mnuDatafrmKey = nullptr,
            *mnuDatafrmKeyLogg = nullptr, *mnuDatafrmKeyOppsett = nullptr,
            *mnuDatafrmPassWords = nullptr, *mnuDatafrmKatalog = nullptr, *mnuSMSSent = nullptr,
            *mnuSMSReceived = nullptr, *mnuSMSUnSent = nullptr,
            *mnuSMSSendingsbekreftelseAv = nullptr, *mnuSMSSendingsbekreftelsePå = nullptr,
            *mnuComPortCom1 = nullptr, *mnuComPortCom2 = nullptr, *mnuComPortCom3 = nullptr,
            *mnuComPortCom4 = nullptr, *mnuComPortComOther = nullptr, *mnuComPortComNone = nullptr,
            *mnuComPortWinsock = nullptr, *mnuSpråkNorsk = nullptr, *mnuSpråkDansk = nullptr,
            *mnuSpråkSvensk = nullptr, *mnuSpråkLanguage = nullptr, *mnuHelpHelp = nullptr,
            *mnuHelpAbout = nullptr, *helpShortcut = nullptr;

    // Key unit in view.
    QLabel *lblKEYdata = nullptr, *LblKeyName = nullptr;
    QVector<QLineEdit *> KeyTXT;
    UpDown *UpDown1 = nullptr;

    // User entry panel.
    QLabel *lblBRUKERdata = nullptr, *NummerLBL = nullptr, *EtternavnLBL = nullptr,
           *FornavnLBL = nullptr, *DatoLBL1 = nullptr, *DatoLBL2 = nullptr, *TidspunktLBL = nullptr,
           *KontoLBL = nullptr, *StatusLBL = nullptr, *Label2 = nullptr;
    QVector<QLineEdit *> Txtfields;
    QComboBox *FraTid = nullptr, *TilTid = nullptr;
    QDateEdit *DTPickerFrom = nullptr, *DTPickerTo = nullptr;
    QLineEdit *Saldo = nullptr;
    UpDown *UpDown3 = nullptr;
    QPushButton *cmdNyBruker = nullptr, *CommandRegistrerBruker = nullptr,
                *CommandSlettBruker = nullptr, *CmdSMSDoor = nullptr, *CommandSendSMS = nullptr;

    // User tabs and grid.
    QLabel *lblbrukertabell = nullptr;
    QTabBar *TabStrip1 = nullptr;
    QTableView *DataGrid1 = nullptr;

    // Received-SMS viewer.
    QLabel *lblInnkommendeSMS = nullptr, *SMSIDLBL = nullptr, *SMSFROMLBL = nullptr,
           *SMSDATELBL = nullptr, *SMSTXTLBL = nullptr;
    QVector<QLineEdit *> SMSRectxt;
    QPlainTextEdit *PhoneDisplay = nullptr;
    QToolButton *ArrowLeft = nullptr, *ArrowRight = nullptr;
    UpDown *UpDown2 = nullptr;

    // Modem state.
    QLabel *LblModemStatus = nullptr, *Image1 = nullptr, *Image2 = nullptr, *PhoneOn = nullptr,
           *PhoneOff = nullptr, *ModemResponse = nullptr;
    QVector<QLineEdit *> Modemdata;

    // Link and network modem.
    QLabel *LabelTCPIP = nullptr, *lblHostName = nullptr, *lblPort = nullptr;
    QFrame *Line1 = nullptr;
    QLineEdit *txtHostName = nullptr, *txtPort = nullptr;
    QPushButton *cmdConnect = nullptr, *cmdDisconnect = nullptr, *Command2 = nullptr,
                *Command3 = nullptr, *ComShowCom = nullptr;
    QTextEdit *txtMessages = nullptr;
    QTextEdit *rtfTerminalScreen = nullptr;

    // Status bar panels 1 (modem and link), 2 (reception), 3 (sending).
    QLabel *statusPanel(int panel) const;

    QTimer *TimerCom = nullptr;
    QTimer *TimerSEND_SMS = nullptr;

    // ---- menu handlers ----
    void mnuDatafrmKatalog_Click();
    void mnuDatafrmKey_Click();
    void mnuDatafrmKeyLogg_Click();
    void mnuDatafrmKeyOppsett_Click();
    void mnuDatafrmPassWords_Click();
    void mnuFilePrintBrukere_Click();
    void mnuFilePrintKatalog_Click();
    void mnuFilePrintKEY_Click();
    void mnuFilePrintLogg_Click();
    void mnuSMSReceived_Click();
    void mnuSMSSent_Click();
    void mnuSMSUnSent_Click();
    void mnuSpråkLanguage_Click();
    void mnuSpråkNorsk_Click();
    void mnuSpråkDansk_Click();
    void mnuSpråkSvensk_Click();
    void mnuHelpHelp_Click();
    void mnuHelpAbout_Click();
    void mnuFileExit_Click();
    void mnuFileDatabase_Click();
    void mnuFileCompactDatabase_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Layout (frmMainLayout.cpp).
    void buildMenus();
    void buildControls();
    QWidget *buildKeyPanel();
    QWidget *buildUserPanel();
    QWidget *buildUserGrid();
    QWidget *buildSmsPanel();
    QWidget *buildModemPanel();
    QWidget *buildLinkPanel();
    void buildStatusBar();
    void buildTimers();
    void connectMenus();
    void wireSubsystems();
    // Key and user panels (frmMainAdmin.cpp).
    void wireAdmin();

    // Load and unload (frmMainLoad.cpp).
    void loadSettings();
    void restoreGeometryTwips(double left, double top, double width, double height);
    void sizeToControls();
    void fitOuterSize();
    void fillHourLists();
    void applyMenuRules();
    void unloadSteps();
    void saveSettings();
    void restartSendTimer(int interval);
    Settings &settings();

    // Menus (frmMainMenus.cpp).
    void openWindow(WindowKind kind, QAction *item);
    void switchLanguage(const QString &code);

    // Modem hooks (frmMainModem.cpp): the modem objects fill these in.
    void setupModem();
    void claimModemAfterDatabaseChange();
    void OpenComPort();
    void InitModem();
    void TimerCom_Timer();
    void TimerSEND_SMS_Timer();
    void closeSerialPort();
    void releaseModemRow();
    bool exchangeInProgress() const;

    // Language map of this window (frmMainLanguage.cpp).
    void applyLanguageRow(int row, const QString &text);

    AppState &m_state;
    std::unique_ptr<ModemWindowHost> m_modemHost;
    std::unique_ptr<ModemSession> m_modem;
    std::unique_ptr<MainViews> m_views;
    std::unique_ptr<MainRecordsets> m_recordsets;
    std::unique_ptr<KeyUsers> m_keyUsers;
    std::unique_ptr<UserPanel> m_userPanel;
    std::unique_ptr<KeyPanel> m_keyPanel;
    std::unique_ptr<DatabaseMenu> m_dbMenu;
    Settings *m_settings = nullptr;
    std::unique_ptr<Settings> m_ownSettings;
    WindowFactory *m_factory = nullptr;
    std::unique_ptr<WindowFactory> m_ownFactory;
    std::function<bool(const QString &)> m_helpOpener;
    QPointer<frmHelp> m_helpWindow;
    std::function<QDate()> m_today;
    QLabel *m_panels[3] = {nullptr, nullptr, nullptr};
    bool m_loaded = false;
    // Settings the load has not come to read: the unload keeps what is stored for them, so a
    // load stopped by one unreadable value never overwrites the others with defaults.
    QStringList m_settingsNotRead{"MainLeft",        "MainTop",     "MainWidth", "MainHeight",
                                  "KeySelect",       "LastComPort", "SMSREPORT", "CountryCode",
                                  "LogoCountryCode", "HostName",    "Port"};
    bool m_closePending = false;
    bool m_unloaded = false;
    bool m_sizeCorrected = false;
    QSize m_wantedOuterSize;
    // No size was stored: the window takes the size its controls need once they have their
    // texts (sizeToControls).
    bool m_sizeFromControls = false;
};

} // namespace portiva
