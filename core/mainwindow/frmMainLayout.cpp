// Controls, menus and timers of the main window, each named as the rest of the program knows it.

#include "core/mainwindow/UpDown.h"
#include "core/mainwindow/frmMain.h"
#include "platform/ui/ElidedLabel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace portiva
{

namespace
{

QMenu *addMenu(QWidget *parentMenu, const char *name, const QString &caption)
{
    auto *menu = new QMenu(caption, parentMenu);
    menu->setObjectName(QString::fromUtf8(name));
    // The submenu's entry in its parent carries the same name, so that visibility and
    // captions can be set through it like any other item.
    menu->menuAction()->setObjectName(QString::fromUtf8(name));
    if (auto *bar = qobject_cast<QMenuBar *>(parentMenu))
        bar->addMenu(menu);
    else
        static_cast<QMenu *>(parentMenu)->addMenu(menu);
    return menu;
}

QAction *addItem(QMenu *menu, const char *name, const QString &caption)
{
    auto *action = new QAction(caption, menu);
    action->setObjectName(QString::fromUtf8(name));
    menu->addAction(action);
    return action;
}

QLabel *label(const char *name, const QString &caption, QWidget *parent = nullptr)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QString::fromUtf8(name));
    return l;
}

QLineEdit *lineEdit(const QString &name, QWidget *parent = nullptr)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

QPushButton *button(const char *name, const QString &caption, QWidget *parent = nullptr)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromUtf8(name));
    return b;
}

// A small drawn picture standing for the modem pictures of the panel.
QLabel *picture(const char *name, const QColor &colour, bool phone)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::black);
    if (phone)
        painter.drawRoundedRect(9, 2, 14, 28, 3, 3);
    else
        painter.drawEllipse(4, 4, 24, 24);
    painter.end();
    auto *l = new QLabel;
    l->setObjectName(QString::fromUtf8(name));
    l->setPixmap(pixmap);
    return l;
}

} // namespace

void frmMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    mnuFile = addMenu(bar, "mnuFile", QStringLiteral("&File"));
    mnuFilePrint = addMenu(mnuFile, "mnuFilePrint", QStringLiteral("&Print..."));
    mnuFilePrintBrukere = addItem(mnuFilePrint, "mnuFilePrintBrukere", "Print Brukere");
    mnuFilePrintKatalog = addItem(mnuFilePrint, "mnuFilePrintKatalog", "Print Katalog");
    mnuFilePrintLogg = addItem(mnuFilePrint, "mnuFilePrintLogg", "Print Logg");
    mnuFilePrintKEY = addItem(mnuFilePrint, "mnuFilePrintKEY", "Print KEY");
    mnuFileDatabase = addItem(mnuFile, "mnuFileDatabase", QStringLiteral("&Database"));
    mnuFileCompactDatabase =
        addItem(mnuFile, "mnuFileCompactDatabase", QStringLiteral("&Compact Database"));
    mnuFileExit = addItem(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));

    mnuKEY = addMenu(bar, "mnuKEY", QStringLiteral("&KEY"));
    mnuDatafrmKey = addItem(mnuKEY, "mnuDatafrmKey", QStringLiteral("KEY Data"));
    mnuDatafrmKeyLogg = addItem(mnuKEY, "mnuDatafrmKeyLogg", QStringLiteral("KEY Logg"));
    mnuDatafrmKeyOppsett = addItem(mnuKEY, "mnuDatafrmKeyOppsett", QStringLiteral("KEY Oppsett"));
    mnuDatafrmPassWords = addItem(mnuKEY, "mnuDatafrmPassWords", QStringLiteral("PassWords"));

    mnuKatalog = addMenu(bar, "mnuKatalog", QStringLiteral("&Katalog"));
    mnuDatafrmKatalog = addItem(mnuKatalog, "mnuDatafrmKatalog", QStringLiteral("Katalog"));

    mnuSMS = addMenu(bar, "mnuSMS", QStringLiteral("&SMS"));
    mnuSMSSent = addItem(mnuSMS, "mnuSMSSent", QStringLiteral("Sent"));
    mnuSMSReceived = addItem(mnuSMS, "mnuSMSReceived", QStringLiteral("Mottatt"));
    mnuSMSUnSent = addItem(mnuSMS, "mnuSMSUnSent", QStringLiteral("Utboks"));
    mnuSMSSendingsbekreftelse =
        addMenu(mnuSMS, "mnuSMSSendingsbekreftelse", QStringLiteral("Sendingsbekreftelse"));
    mnuSMSSendingsbekreftelseAv =
        addItem(mnuSMSSendingsbekreftelse, "mnuSMSSendingsbekreftelseAv", QStringLiteral("Av"));
    mnuSMSSendingsbekreftelsePå =
        addItem(mnuSMSSendingsbekreftelse, "mnuSMSSendingsbekreftelsePå", QStringLiteral("På"));
    mnuSMSSendingsbekreftelseAv->setCheckable(true);
    mnuSMSSendingsbekreftelsePå->setCheckable(true);

    mnuComPort = addMenu(bar, "mnuComPort", QStringLiteral("&ComPort"));
    mnuComPortCom1 = addItem(mnuComPort, "mnuComPortCom1", QStringLiteral("Com&1"));
    mnuComPortCom2 = addItem(mnuComPort, "mnuComPortCom2", QStringLiteral("Com&2"));
    mnuComPortCom3 = addItem(mnuComPort, "mnuComPortCom3", QStringLiteral("Com&3"));
    mnuComPortCom4 = addItem(mnuComPort, "mnuComPortCom4", QStringLiteral("Com&4"));
    mnuComPortComOther = addItem(mnuComPort, "mnuComPortComOther", QStringLiteral("Com&Other"));
    mnuComPortComNone = addItem(mnuComPort, "mnuComPortComNone", QStringLiteral("Com&None"));
    mnuComPortWinsock = addItem(mnuComPort, "mnuComPortWinsock", QStringLiteral("NettverksModem"));
    for (QAction *a : {mnuComPortCom1, mnuComPortCom2, mnuComPortCom3, mnuComPortCom4,
                       mnuComPortComOther, mnuComPortComNone, mnuComPortWinsock})
        a->setCheckable(true);

    mnuSpråk = addMenu(bar, "mnuSpråk", QStringLiteral("&Språk"));
    mnuSpråkNorsk = addItem(mnuSpråk, "mnuSpråkNorsk", QStringLiteral("&Norsk"));
    mnuSpråkDansk = addItem(mnuSpråk, "mnuSpråkDansk", QStringLiteral("&Dansk"));
    mnuSpråkSvensk = addItem(mnuSpråk, "mnuSpråkSvensk", QStringLiteral("&Svensk"));
    mnuSpråkLanguage = addItem(mnuSpråk, "mnuSpråkLanguage", QStringLiteral("&Language Table"));

    mnuHelp = addMenu(bar, "mnuHelp", QStringLiteral("&Help"));
    mnuHelpHelp = addItem(mnuHelp, "mnuHelpHelp", QStringLiteral("&Help"));
    mnuHelpAbout = addItem(mnuHelp, "mnuHelpAbout", QStringLiteral("&About "));

    // F1 opens the help from any window of the program.
    helpShortcut = new QAction(this);
    helpShortcut->setObjectName(QStringLiteral("helpShortcut"));
    helpShortcut->setShortcut(QKeySequence(Qt::Key_F1));
    helpShortcut->setShortcutContext(Qt::ApplicationShortcut);
    addAction(helpShortcut);
}

QWidget *frmMain::buildKeyPanel()
{
    auto *panel = new QFrame;
    panel->setObjectName(QStringLiteral("KeyPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(panel);
    lblKEYdata = label("lblKEYdata", QStringLiteral("DØR NUMMER"));
    LblKeyName = label("LblKeyName", QStringLiteral("DØR NAVN"));
    for (int i = 0; i < 2; ++i) {
        KeyTXT << lineEdit(QStringLiteral("KeyTXT(%1)").arg(i));
        KeyTXT[i]->setReadOnly(true);
    }
    KeyTXT[0]->setToolTip(QStringLiteral("Telefonnummer til dør eller port"));
    KeyTXT[1]->setToolTip(QStringLiteral("Navn på dør eller port"));
    UpDown1 = new UpDown(QStringLiteral("UpDown1"));
    grid->addWidget(lblKEYdata, 0, 0);
    grid->addWidget(KeyTXT[0], 0, 1);
    grid->addWidget(UpDown1, 0, 2, 2, 1);
    grid->addWidget(LblKeyName, 1, 0);
    grid->addWidget(KeyTXT[1], 1, 1);
    return panel;
}

QWidget *frmMain::buildUserPanel()
{
    auto *panel = new QFrame;
    panel->setObjectName(QStringLiteral("UserPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(panel);
    lblBRUKERdata = label("lblBRUKERdata", QStringLiteral("BRUKER DATA"));
    NummerLBL = label("NummerLBL", QStringLiteral("Nummer"));
    FornavnLBL = label("FornavnLBL", QStringLiteral("Fornavn"));
    EtternavnLBL = label("EtternavnLBL", QStringLiteral("Etternavn"));
    StatusLBL = label("StatusLBL", QStringLiteral("Status"));
    KontoLBL = label("KontoLBL", QStringLiteral("Konto"));
    DatoLBL1 = label("DatoLBL1", QStringLiteral("Dato Fra"));
    DatoLBL2 = label("DatoLBL2", QStringLiteral("Dato Til"));
    TidspunktLBL = label("TidspunktLBL", QStringLiteral("Tidspunkt"));
    Label2 = label("Label2", QStringLiteral("False"));
    for (int i = 0; i < 6; ++i)
        Txtfields << lineEdit(QStringLiteral("Txtfields(%1)").arg(i));
    Txtfields[3]->setReadOnly(true);
    Txtfields[3]->setToolTip(QStringLiteral(
        "Status viser hvilken status gjeldende bruker har. NY, Aktiv, Slettet osv."));
    Txtfields[5]->setReadOnly(true);
    Txtfields[5]->setText(QStringLiteral("9999"));

    FraTid = new QComboBox;
    TilTid = new QComboBox;
    FraTid->setObjectName(QStringLiteral("FraTid"));
    TilTid->setObjectName(QStringLiteral("TilTid"));
    for (QComboBox *c : {FraTid, TilTid}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    DTPickerFrom = new QDateEdit;
    DTPickerTo = new QDateEdit;
    DTPickerFrom->setObjectName(QStringLiteral("DTPickerFrom"));
    DTPickerTo->setObjectName(QStringLiteral("DTPickerTo"));
    for (QDateEdit *d : {DTPickerFrom, DTPickerTo}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    Saldo = lineEdit(QStringLiteral("Saldo"));
    Saldo->setText(QStringLiteral("0"));
    UpDown3 = new UpDown(QStringLiteral("UpDown3"));

    cmdNyBruker = button("cmdNyBruker", QStringLiteral("Ny Bruker"));
    CommandRegistrerBruker =
        button("CommandRegistrerBruker", QStringLiteral("Registrer / Oppdater Bruker"));
    CommandSlettBruker = button("CommandSlettBruker", QStringLiteral("Slett Bruker"));
    CmdSMSDoor = button("CmdSMSDoor", QStringLiteral("Send SMS til DØR"));
    CommandSendSMS = button("CommandSendSMS", QStringLiteral("Send SMS til Bruker"));
    cmdNyBruker->setToolTip(QStringLiteral("Trykk her for å legge til NYE brukere"));
    CommandRegistrerBruker->setToolTip(
        QStringLiteral("Oppdaterer og/eller registrerer nye brukere"));
    CmdSMSDoor->setToolTip(QStringLiteral("Sender SMS kommandoer til dør eller port"));
    CommandSendSMS->setToolTip(QStringLiteral("Send SMS til valgt bruker"));
    CommandSlettBruker->setToolTip(QStringLiteral("Sletter bruker på angitt tidspunkt"));

    int r = 0;
    grid->addWidget(lblBRUKERdata, r, 0, 1, 2);
    grid->addWidget(Label2, r++, 2);
    const std::pair<QLabel *, QLineEdit *> rows[] = {{NummerLBL, Txtfields[0]},
                                                     {FornavnLBL, Txtfields[1]},
                                                     {EtternavnLBL, Txtfields[2]},
                                                     {StatusLBL, Txtfields[3]},
                                                     {KontoLBL, Txtfields[4]}};
    for (const auto &[l, e] : rows) {
        grid->addWidget(l, r, 0);
        grid->addWidget(e, r++, 1, 1, 2);
    }
    grid->addWidget(Txtfields[5], r++, 1, 1, 2);
    grid->addWidget(DatoLBL1, r, 0);
    grid->addWidget(DTPickerFrom, r, 1);
    grid->addWidget(FraTid, r++, 2);
    grid->addWidget(DatoLBL2, r, 0);
    grid->addWidget(DTPickerTo, r, 1);
    grid->addWidget(TilTid, r++, 2);
    grid->addWidget(TidspunktLBL, r, 0);
    grid->addWidget(Saldo, r, 1);
    grid->addWidget(UpDown3, r++, 2);
    for (QPushButton *b :
         {cmdNyBruker, CommandRegistrerBruker, CommandSlettBruker, CmdSMSDoor, CommandSendSMS})
        grid->addWidget(b, r++, 0, 1, 3);
    return panel;
}

QWidget *frmMain::buildUserGrid()
{
    auto *panel = new QWidget;
    auto *box = new QVBoxLayout(panel);
    lblbrukertabell = label("lblbrukertabell", QStringLiteral("BRUKEROVERSIKT"));
    TabStrip1 = new QTabBar;
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->setToolTip(QStringLiteral("Velg konto for visning i tabell"));
    TabStrip1->setExpanding(false);
    DataGrid1 = new QTableView;
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setToolTip(QStringLiteral("Sortering velges ved å klikke på overskriftene"));
    DataGrid1->setSortingEnabled(false);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    box->addWidget(lblbrukertabell);
    box->addWidget(TabStrip1);
    box->addWidget(DataGrid1, 1);
    return panel;
}

QWidget *frmMain::buildSmsPanel()
{
    auto *panel = new QFrame;
    panel->setObjectName(QStringLiteral("SmsPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(panel);
    lblInnkommendeSMS = label("lblInnkommendeSMS", QStringLiteral("INNKOMMENDE SMS"));
    SMSIDLBL = label("SMSIDLBL", QStringLiteral("ID"));
    SMSFROMLBL = label("SMSFROMLBL", QStringLiteral("Fra"));
    SMSDATELBL = label("SMSDATELBL", QStringLiteral("Dato"));
    SMSTXTLBL = label("SMSTXTLBL", QStringLiteral("Tekst"));
    for (int i = 0; i < 5; ++i) {
        SMSRectxt << lineEdit(QStringLiteral("SMSRectxt(%1)").arg(i));
        SMSRectxt[i]->setReadOnly(true);
    }
    PhoneDisplay = new QPlainTextEdit;
    PhoneDisplay->setObjectName(QStringLiteral("PhoneDisplay"));
    PhoneDisplay->setReadOnly(true);
    PhoneDisplay->setMinimumHeight(90);
    ArrowLeft = new QToolButton;
    ArrowRight = new QToolButton;
    ArrowLeft->setObjectName(QStringLiteral("ArrowLeft"));
    ArrowRight->setObjectName(QStringLiteral("ArrowRight"));
    ArrowLeft->setArrowType(Qt::LeftArrow);
    ArrowRight->setArrowType(Qt::RightArrow);
    UpDown2 = new UpDown(QStringLiteral("UpDown2"));

    grid->addWidget(lblInnkommendeSMS, 0, 0, 1, 3);
    const std::pair<QLabel *, QLineEdit *> rows[] = {{SMSIDLBL, SMSRectxt[0]},
                                                     {SMSFROMLBL, SMSRectxt[1]},
                                                     {SMSDATELBL, SMSRectxt[2]},
                                                     {SMSTXTLBL, SMSRectxt[3]}};
    int r = 1;
    for (const auto &[l, e] : rows) {
        grid->addWidget(l, r, 0);
        grid->addWidget(e, r++, 1, 1, 2);
    }
    grid->addWidget(SMSRectxt[4], r++, 1, 1, 2);
    auto *steps = new QHBoxLayout;
    steps->addWidget(ArrowLeft);
    steps->addWidget(ArrowRight);
    steps->addWidget(UpDown2);
    steps->addStretch(1);
    grid->addLayout(steps, r++, 0, 1, 3);
    grid->addWidget(PhoneDisplay, r, 0, 1, 3);
    return panel;
}

QWidget *frmMain::buildModemPanel()
{
    auto *panel = new QFrame;
    panel->setObjectName(QStringLiteral("ModemPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(panel);
    LblModemStatus = label("LblModemStatus", QStringLiteral("Modem Status"));
    Image1 = picture("Image1", QColor(0x80, 0x80, 0x80), false);
    Image2 = picture("Image2", QColor(0x00, 0xC0, 0x00), false);
    PhoneOn = picture("PhoneOn", QColor(0x00, 0xC0, 0x00), true);
    PhoneOff = picture("PhoneOff", QColor(0x40, 0x40, 0x40), true);
    Image1->setCursor(Qt::PointingHandCursor);
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->hide();
    PhoneOn->hide();
    // Modem lines can be long; the frame keeps its width and the user grid its room.
    ModemResponse = new ElidedLabel;
    ModemResponse->setObjectName(QStringLiteral("ModemResponse"));
    ModemResponse->setTextInteractionFlags(Qt::NoTextInteraction);
    // Boxes showing the Modem row; the ownership test reads the row itself.
    for (int i = 0; i < 5; ++i) {
        Modemdata << lineEdit(QStringLiteral("Modemdata(%1)").arg(i));
        Modemdata[i]->setReadOnly(true);
        Modemdata[i]->hide();
    }
    grid->addWidget(LblModemStatus, 0, 0, 1, 4);
    grid->addWidget(Image1, 1, 0);
    grid->addWidget(Image2, 1, 1);
    grid->addWidget(PhoneOn, 1, 2);
    grid->addWidget(PhoneOff, 1, 3);
    grid->addWidget(ModemResponse, 2, 0, 1, 4);
    for (int i = 0; i < 5; ++i)
        grid->addWidget(Modemdata[i], 3 + i, 0, 1, 4);
    return panel;
}

QWidget *frmMain::buildLinkPanel()
{
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("LinkPanel"));
    auto *grid = new QGridLayout(panel);
    LabelTCPIP = label("LabelTCPIP", QStringLiteral("Nettverksmodem (TCP/IP)"));
    lblHostName = label("lblHostName", QStringLiteral("Vertsnavn"));
    lblPort = label("lblPort", QStringLiteral("Port"));
    Line1 = new QFrame;
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    txtHostName = lineEdit(QStringLiteral("txtHostName"));
    txtPort = lineEdit(QStringLiteral("txtPort"));
    txtHostName->setText(QStringLiteral("127.0.0.1"));
    txtPort->setText(QStringLiteral("23"));
    cmdConnect = button("cmdConnect", QStringLiteral("Koble til"));
    cmdDisconnect = button("cmdDisconnect", QStringLiteral("Koble fra"));
    Command2 = button("Command2", QStringLiteral("AT"));
    Command3 = button("Command3", QStringLiteral("Init Modem"));
    ComShowCom = button("ComShowCom", QStringLiteral("Vis Modemkommunikasjon"));
    txtMessages = new QTextEdit;
    txtMessages->setObjectName(QStringLiteral("txtMessages"));
    txtMessages->setReadOnly(true);
    txtMessages->setAcceptRichText(false);
    rtfTerminalScreen = new QTextEdit;
    rtfTerminalScreen->setObjectName(QStringLiteral("rtfTerminalScreen"));
    rtfTerminalScreen->setReadOnly(true);
    rtfTerminalScreen->setAcceptRichText(false);
    rtfTerminalScreen->hide();

    grid->addWidget(LabelTCPIP, 0, 0, 1, 4);
    grid->addWidget(lblHostName, 1, 0);
    grid->addWidget(txtHostName, 1, 1);
    grid->addWidget(lblPort, 1, 2);
    grid->addWidget(txtPort, 1, 3);
    grid->addWidget(cmdConnect, 2, 0);
    grid->addWidget(cmdDisconnect, 2, 1);
    grid->addWidget(Command2, 2, 2);
    grid->addWidget(Command3, 2, 3);
    grid->addWidget(Line1, 3, 0, 1, 4);
    grid->addWidget(txtMessages, 4, 0, 1, 4);
    grid->addWidget(ComShowCom, 5, 0, 1, 4);
    grid->addWidget(rtfTerminalScreen, 6, 0, 1, 4);
    // The network group shows only while the network modem is the link choice.
    for (QWidget *w : std::initializer_list<QWidget *>{
             LabelTCPIP, lblHostName, lblPort, txtHostName, txtPort, Command2, Command3,
             txtMessages, rtfTerminalScreen, Line1, ComShowCom, cmdConnect, cmdDisconnect})
        w->hide();
    return panel;
}

void frmMain::buildStatusBar()
{
    auto *bar = new QStatusBar;
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    setStatusBar(bar);
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel;
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(m_panels[i], i == 0 ? 2 : 1);
    }
}

void frmMain::buildTimers()
{
    TimerCom = new QTimer(this);
    TimerCom->setObjectName(QStringLiteral("TimerCom"));
    TimerCom->setInterval(1000);
    TimerSEND_SMS = new QTimer(this);
    TimerSEND_SMS->setObjectName(QStringLiteral("TimerSEND_SMS"));
    TimerSEND_SMS->setInterval(10000);
}

void frmMain::buildControls()
{
    auto *central = new QWidget;
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *columns = new QHBoxLayout(central);

    auto *left = new QVBoxLayout;
    left->addWidget(buildKeyPanel());
    left->addWidget(buildUserPanel());
    left->addStretch(1);

    auto *right = new QVBoxLayout;
    right->addWidget(buildModemPanel());
    right->addWidget(buildSmsPanel());
    right->addWidget(buildLinkPanel(), 1);

    columns->addLayout(left);
    columns->addWidget(buildUserGrid(), 1);
    columns->addLayout(right);
    // The stored size is the operator's, even below what the panels need: they scroll then.
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("centralScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(central);
    setCentralWidget(scroll);
    buildStatusBar();
    buildTimers();
}

QLabel *frmMain::statusPanel(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panels[panel - 1] : nullptr;
}

} // namespace portiva
