// The main window's key and user panels: the controls handed to the panel objects of admin/
// and their events connected to the handlers there.

#include "admin/FuturePeriods.h"
#include "admin/KeyPanel.h"
#include "admin/KeyUsers.h"
#include "admin/MainRecordsets.h"
#include "admin/UserPanel.h"
#include "core/mainwindow/ModemWindowHost.h"
#include "core/mainwindow/UpDown.h"
#include "core/mainwindow/frmMain.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

namespace portiva
{

void ModemWindowHost::ProcessNewUsers()
{
    m_window.ProcessNewUsers();
}

void frmMain::ProcessNewUsers()
{
    portiva::ProcessNewUsers(
        m_state, [this] { ShowKeyUsers(); }, today());
}

void frmMain::CLEAR_INPUT()
{
    m_userPanel->CLEAR_INPUT();
}

void frmMain::wireAdmin()
{
    UserPanelControls c;
    c.Txtfields = Txtfields;
    c.KeyTXT = KeyTXT;
    c.FraTid = FraTid;
    c.TilTid = TilTid;
    c.DTPickerFrom = DTPickerFrom;
    c.DTPickerTo = DTPickerTo;
    c.Saldo = Saldo;
    c.KontoLBL = KontoLBL;
    c.Label2 = Label2;
    c.TabStrip1 = TabStrip1;
    c.DataGrid1 = DataGrid1;

    UserPanelHooks h;
    h.OpenMainRecordsets = [this] { OpenMainRecordsets(); };
    h.reloadQuietly = [this] { m_recordsets->openAll(); };
    h.ShowKeyUsers = [this] { ShowKeyUsers(); };
    h.restartSendTimer = [this] { restartSendTimer(3000); };
    h.today = [this] { return today(); };
    h.QueueNotEmpty = &QueueNotEmpty;
    h.ManualSMSBusy = &ManualSMSBusy;
    h.REGNYBRUKER = &REGNYBRUKER;
    h.UserGridActive = &UserGridActive;
    h.UserGridSortKey = &UserGridSortKey;
    m_userPanel = std::make_unique<UserPanel>(m_state, *m_views, texts, *m_keyUsers, c, h);
    UserPanel *panel = m_userPanel.get();

    KeyPanelHooks k;
    k.CLEAR_INPUT = [this] { CLEAR_INPUT(); };
    k.OpenMainRecordsets = [this] { OpenMainRecordsets(); };
    k.ShowKeyUsers = [this] { ShowKeyUsers(); };
    k.TabStrip1_Click = [panel] { panel->TabStrip1_Click(); };
    m_keyPanel = std::make_unique<KeyPanel>(m_state, *m_views, k, SMSRectxt, PhoneDisplay);
    KeyPanel *keys = m_keyPanel.get();

    connect(cmdNyBruker, &QPushButton::clicked, panel, &UserPanel::cmdNyBruker_Click);
    connect(CommandRegistrerBruker, &QPushButton::clicked, panel,
            &UserPanel::CommandRegistrerBruker_Click);
    connect(CommandSlettBruker, &QPushButton::clicked, panel, &UserPanel::CommandSlettBruker_Click);
    connect(CmdSMSDoor, &QPushButton::clicked, panel, &UserPanel::CmdSMSDoor_Click);
    connect(CommandSendSMS, &QPushButton::clicked, panel, &UserPanel::CommandSendSMS_Click);
    // The index has changed by now; rebuilds block the strip's signals.
    connect(TabStrip1, &QTabBar::currentChanged, panel, &UserPanel::TabStrip1_Click);
    connect(DTPickerFrom, &QDateEdit::dateChanged, panel, &UserPanel::DTPickerFrom_Change);
    connect(Saldo, &QLineEdit::textChanged, panel, &UserPanel::Saldo_Change);
    connect(UpDown3, &UpDown::downClick, panel, &UserPanel::UpDown3_DownClick);
    connect(UpDown3, &UpDown::upClick, panel, &UserPanel::UpDown3_UpClick);
    m_keyUsers->setRowChanged([panel] { panel->UserGridRowChange(); });

    // A header click sorts; it must not select a column or move the current cell.
    QHeaderView *header = DataGrid1->horizontalHeader();
    disconnect(header, &QHeaderView::sectionPressed, DataGrid1, nullptr);
    disconnect(header, &QHeaderView::sectionEntered, DataGrid1, nullptr);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, panel, &UserPanel::UserGridSortColumn);

    connect(UpDown1, &UpDown::downClick, keys, &KeyPanel::UpDown1_DownClick);
    connect(UpDown1, &UpDown::upClick, keys, &KeyPanel::UpDown1_UpClick);
    connect(UpDown2, &UpDown::downClick, keys, &KeyPanel::UpDown2_DownClick);
    connect(UpDown2, &UpDown::upClick, keys, &KeyPanel::UpDown2_UpClick);
    connect(ArrowLeft, &QToolButton::clicked, keys, &KeyPanel::ArrowLeft_Click);
    connect(ArrowRight, &QToolButton::clicked, keys, &KeyPanel::ArrowRight_Click);
}

} // namespace portiva
