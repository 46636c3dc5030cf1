// Load, activation and unload of the main window.

#include "admin/MainViews.h"
#include "core/DatabaseMenu.h"
#include "core/HelpFile.h"
#include "core/SecurityProfile.h"
#include "core/mainwindow/frmMain.h"
#include "modem/ModemSession.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/settings/Settings.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowRegistry.h"
#include "platform/vb/Error.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace portiva
{

void frmMain::Form_Load()
{
    m_loaded = true;
    // The send timer runs from the start; its tick does nothing until the modem is ready.
    TimerSEND_SMS->start();
    guarded(QStringLiteral("Form Load"), [this] {
        loadSettings();
        HelpFile = helpFileFor(QCoreApplication::applicationDirPath());
        OpenDatabase();
        OpenMainRecordsets();
        cmdConnect->hide();
        cmdDisconnect->hide();
        databaseMenu().CompactRequested = false;
        applyMenuRules();
        claimModemAfterDatabaseChange();
        if (m_state.LastComPort > 4) {
            m_state.OtherComPort = m_state.LastComPort;
            mnuComPortComOther->setText(QStringLiteral("com") +
                                        QString::number(m_state.LastComPort));
        }
        ManualSMSBusy = false;
        TimerCom->setInterval(1000);
        if (m_state.ModemReady)
            TimerCom->start();
        else
            TimerCom->stop();
        fillHourLists();
        texts.setDefaults();
        ApplyLanguage();
        UserGridSortKey = QStringLiteral("Bruker");
        m_state.SelectedUserTab = texts.NewUsersTabText;
    });
}

// At the first showing, when no size was stored: the panels' own size hints, with the menu and
// the status bar around them, kept inside the screen with room for the window manager's frame; the
// window is moved in where it would stick out.
void frmMain::sizeToControls()
{
    if (!m_sizeFromControls)
        return;
    m_sizeFromControls = false;
    auto *scroll = findChild<QScrollArea *>(QStringLiteral("centralScroll"));
    if (!scroll || !scroll->widget())
        return;
    // Panels shown or hidden during the load (the network modem's) count once their layouts
    // have taken the change.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // Menu and status bar as the window lays them out now, around the scrolling panels.
    if (layout())
        layout()->activate();
    QSize need = scroll->widget()->sizeHint() + (size() - scroll->size());
    const QScreen *shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect room = shownOn ? shownOn->availableGeometry() : QRect(QPoint(), need);
    const QSize frame(16, 48);
    const int fullHeight = need.height();
    need = need.boundedTo(room.size() - frame);
    // Cut to a low screen, the panels scroll up and down: the bar is not to cost them width.
    if (need.height() < fullHeight)
        need.setWidth(qMin(need.width() + scroll->verticalScrollBar()->sizeHint().width(),
                           room.width() - frame.width()));
    m_wantedOuterSize = QSize();
    // Bars shown at the smaller size before would stay on their own, costing the room they
    // take: they are judged again at the new size.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(need);
    if (layout())
        layout()->activate();
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPoint at = pos();
    at.setX(qMax(room.left(), qMin(at.x(), room.right() - need.width() - frame.width())));
    at.setY(qMax(room.top(), qMin(at.y(), room.bottom() - need.height() - frame.height())));
    move(at);
}

void frmMain::loadSettings()
{
    Settings &s = settings();
    // Each setting counts as read once it was tried: an unreadable one is then replaced at the
    // unload, the ones after it keep their stored values.
    auto reading = [this](const char *key) {
        m_settingsNotRead.removeAll(QLatin1String(key));
        return QLatin1String(key);
    };
    const double left = s.number(reading("MainLeft"), SettingDefaults::MainLeft);
    const double top = s.number(reading("MainTop"), SettingDefaults::MainTop);
    const double width = s.number(reading("MainWidth"), SettingDefaults::MainWidth);
    const double height = s.number(reading("MainHeight"), SettingDefaults::MainHeight);
    restoreGeometryTwips(left, top, width, height);
    m_sizeFromControls =
        !s.contains(QStringLiteral("MainWidth")) && !s.contains(QStringLiteral("MainHeight"));

    m_state.SelectedKeyNummer =
        s.text(reading("KeySelect"), QString::fromLatin1(SettingDefaults::KeySelect));
    m_state.LastComPort = s.byteValue(reading("LastComPort"), SettingDefaults::LastComPort);
    m_state.SMSREPORT = s.boolean(reading("SMSREPORT"), SettingDefaults::SMSREPORT);
    m_state.CountryCode =
        s.text(reading("CountryCode"), QString::fromLatin1(SettingDefaults::CountryCode));

    m_state.HostName = s.text(reading("HostName"), QString::fromLatin1(SettingDefaults::HostName));
    m_state.Port = s.text(reading("Port"), QString::fromLatin1(SettingDefaults::Port));
    txtHostName->setText(m_state.HostName);
    txtPort->setText(m_state.Port);

    // What is saved at the end is the language in force then.
    m_state.LogoCountryCode = m_state.CountryCode;
    reading("LogoCountryCode");

    mnuSMSSendingsbekreftelseAv->setChecked(!m_state.SMSREPORT);
    mnuSMSSendingsbekreftelsePå->setChecked(m_state.SMSREPORT);
}

void frmMain::restoreGeometryTwips(double left, double top, double width, double height)
{
    const qreal dx = logicalDpiX();
    const qreal dy = logicalDpiY();
    auto px = [](double twips, qreal dpi) { return twipsToPixels(qRound(twips), dpi); };
    move(px(left, dx), px(top, dy));
    m_wantedOuterSize = QSize(px(width, dx), px(height, dy));
    resize(m_wantedOuterSize);
    m_sizeCorrected = false;
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_loaded)
        Form_Load();
    sizeToControls();
    fitOuterSize();
}

// The window manager frames the window some time after it is shown and then moves or resizes
// it: that is the first moment the frame's size is known.
void frmMain::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    fitOuterSize();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitOuterSize();
}

// The stored size is the outer frame, as the unload stores it: once the frame is known, the
// inside is made smaller by it, once, so that a close and reopen keeps the same size. Without
// a window manager there is no frame and nothing to correct.
void frmMain::fitOuterSize()
{
    if (m_sizeCorrected || !m_wantedOuterSize.isValid() || !isVisible())
        return;
    const QSize extra = frameGeometry().size() - size();
    if (extra.width() <= 0 && extra.height() <= 0)
        return;
    m_sizeCorrected = true;
    resize(m_wantedOuterSize - extra);
}

void frmMain::applyMenuRules()
{
    mnuSpråkLanguage->setVisible(
        m_state.CurrentUserName.compare(QStringLiteral("Forvaltermann"), Qt::CaseInsensitive) == 0);
    applySecurityProfile(this, m_state.CurrentSecurityLevel);
}

void frmMain::fillHourLists()
{
    for (QComboBox *list : {FraTid, TilTid}) {
        list->clear();
        for (int hour = 0; hour <= 24; ++hour)
            list->addItem(QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0')));
        list->setCurrentIndex(-1);
    }
    FraTid->setEditText(QStringLiteral("00"));
    TilTid->setEditText(QStringLiteral("24"));
}

void frmMain::restartSendTimer(int interval)
{
    TimerSEND_SMS->stop();
    TimerSEND_SMS->setInterval(interval);
    TimerSEND_SMS->start();
}

void frmMain::Form_Activate()
{
    // The queue is looked at 3 s after the operator comes back.
    skipOnError([this] {
        if (!QueueNotEmpty)
            restartSendTimer(3000);
    });
    skipOnError([this] { CLEAR_INPUT(); });
    skipOnError([this] { OpenMainRecordsets(); });
    skipOnError([this] { ShowKeyUsers(); });
    skipOnError([this] {
        DTPickerFrom->setDate(today());
        DTPickerTo->setDate(today().addDays(2));
    });
}

void frmMain::Form_Deactivate()
{
    skipOnError([this] {
        if (!QueueNotEmpty)
            restartSendTimer(3000);
    });
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (QueueWorkerBusy) {
        dialogs().msgBox(texts.WaitForSendingText);
        event->ignore();
        return;
    }
    // Shutdown waits for the modem exchange under way; its end closes the window again.
    if (exchangeInProgress()) {
        m_closePending = true;
        event->ignore();
        return;
    }
    m_closePending = false;
    unloadSteps();
    m_unloaded = true;
    event->accept();
    QCoreApplication::quit();
}

void frmMain::closeForShutdown()
{
    if (m_unloaded)
        return;
    if (exchangeInProgress()) {
        m_closePending = true;
        return;
    }
    close();
}

void frmMain::unloadSteps()
{
    // Each step may fail on its own; shutdown always reaches the settings.
    skipOnError([this] {
        TimerSEND_SMS->stop();
        TimerCom->stop();
    });
    skipOnError([this] { closeSerialPort(); });
    skipOnError([this] { OpenMainRecordsets(); });
    skipOnError([this] {
        if (m_state.ModemReady)
            releaseModemRow();
    });
    skipOnError([this] {
        QList<QPointer<QWidget>> others;
        for (QWidget *form : WindowRegistry::instance().forms()) {
            if (form != this)
                others.prepend(form);
        }
        for (const QPointer<QWidget> &form : others) {
            if (form)
                form->close();
        }
    });
    skipOnError([this] {
        if (!isMinimized())
            saveSettings();
    });
}

void frmMain::releaseModemRow()
{
    Recordset *modem = m_views->adoModemRS.get();
    if (!modem)
        throw Error(noCurrentRowText());
    if (!modem->BOF())
        modem->MoveFirst();
    // The row as just read: another workstation's hold is not this one's to give up (and the
    // write-back refuses a row changed since).
    const bool mine = modem->toTextOr(QStringLiteral("ModemOwner"), QString())
                          .compare(m_state.CurrentComputerName, Qt::CaseInsensitive) == 0;
    if (mine) {
        modem->setValue(QStringLiteral("IMEICODE"), QStringLiteral("0"));
        modem->setValue(QStringLiteral("ModemManufacturer"), QStringLiteral(" "));
        modem->setValue(QStringLiteral("ModemName"), QStringLiteral(" "));
        modem->setValue(QStringLiteral("ModemStatus"), false);
        modem->setValue(QStringLiteral("ModemOwner"), QStringLiteral("?"));
        modem->Update();
    }
    m_modem->context().modemLock.unlock();
}

void frmMain::saveSettings()
{
    Settings &s = settings();
    const QRect frame = frameGeometry();
    const qreal dx = logicalDpiX();
    const qreal dy = logicalDpiY();
    auto wasRead = [this](const char *key) {
        return !m_settingsNotRead.contains(QLatin1String(key));
    };
    const std::pair<const char *, int> geometry[] = {
        {"MainLeft", pixelsToTwips(frame.x(), dx)},
        {"MainTop", pixelsToTwips(frame.y(), dy)},
        {"MainWidth", pixelsToTwips(frame.width(), dx)},
        {"MainHeight", pixelsToTwips(frame.height(), dy)},
    };
    for (const auto &[key, twips] : geometry) {
        if (wasRead(key))
            s.setNumber(QLatin1String(key), twips);
    }
    if (wasRead("KeySelect"))
        s.setText(QStringLiteral("KeySelect"), m_state.SelectedKeyNummer);
    if (wasRead("LastComPort"))
        s.setNumber(QStringLiteral("LastComPort"), m_state.LastComPort);
    if (!m_state.DBPathForThisRun)
        s.setText(QStringLiteral("DBPath"), m_state.DBPath);
    if (wasRead("SMSREPORT"))
        s.setBoolean(QStringLiteral("SMSREPORT"), m_state.SMSREPORT);
    if (wasRead("CountryCode"))
        s.setText(QStringLiteral("CountryCode"), m_state.CountryCode);
    if (wasRead("LogoCountryCode"))
        s.setText(QStringLiteral("LogoCountryCode"), m_state.LogoCountryCode);
    if (wasRead("HostName"))
        s.setText(QStringLiteral("HostName"), txtHostName->text());
    if (wasRead("Port"))
        s.setText(QStringLiteral("Port"), txtPort->text());
    s.sync();
}

} // namespace portiva
