// The menu bar's handlers: windows opened by the menus, language, help, about and exit.

#include "admin/KeyUsers.h"
#include "core/frmAbout.h"
#include "core/frmHelp.h"
#include "core/mainwindow/WindowFactory.h"
#include "core/mainwindow/frmMain.h"
#include "platform/db/TextOrder.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowRegistry.h"
#include "programstate/Phrase.h"

#include <QAction>
#include <QFileInfo>
#include <QScreen>

namespace portiva
{

namespace
{

// A menu caption as a window title: the "&" that marks the access key is not shown, "&&"
// stands for one "&".
QString captionWithoutAccessKeys(const QString &caption)
{
    QString title;
    title.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && ++i >= caption.size())
            break;
        title.append(caption.at(i));
    }
    return title;
}

// A new window opens inside the screen the main window is on, below and right of its corner,
// with room kept for the window manager's frame: never partly beyond an edge.
void keepOnScreen(QWidget *window, const QWidget *mainWindow)
{
    const QScreen *screen = mainWindow->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QSize frame(16, 48);
    const QSize size =
        window->size().expandedTo(window->minimumSizeHint()).boundedTo(room.size() - frame);
    window->resize(size);
    QPoint at = mainWindow->frameGeometry().topLeft() + QPoint(40, 40);
    at.setX(qMax(room.left(), qMin(at.x(), room.right() + 1 - size.width() - frame.width())));
    at.setY(qMax(room.top(), qMin(at.y(), room.bottom() + 1 - size.height() - frame.height())));
    window->move(at);
}

} // namespace

void frmMain::connectMenus()
{
    const std::pair<QAction *, void (frmMain::*)()> handlers[] = {
        {mnuDatafrmKatalog, &frmMain::mnuDatafrmKatalog_Click},
        {mnuDatafrmKey, &frmMain::mnuDatafrmKey_Click},
        {mnuDatafrmKeyLogg, &frmMain::mnuDatafrmKeyLogg_Click},
        {mnuDatafrmKeyOppsett, &frmMain::mnuDatafrmKeyOppsett_Click},
        {mnuDatafrmPassWords, &frmMain::mnuDatafrmPassWords_Click},
        {mnuFilePrintBrukere, &frmMain::mnuFilePrintBrukere_Click},
        {mnuFilePrintKatalog, &frmMain::mnuFilePrintKatalog_Click},
        {mnuFilePrintKEY, &frmMain::mnuFilePrintKEY_Click},
        {mnuFilePrintLogg, &frmMain::mnuFilePrintLogg_Click},
        {mnuSMSReceived, &frmMain::mnuSMSReceived_Click},
        {mnuSMSSent, &frmMain::mnuSMSSent_Click},
        {mnuSMSUnSent, &frmMain::mnuSMSUnSent_Click},
        {mnuSpråkLanguage, &frmMain::mnuSpråkLanguage_Click},
        {mnuSpråkNorsk, &frmMain::mnuSpråkNorsk_Click},
        {mnuSpråkDansk, &frmMain::mnuSpråkDansk_Click},
        {mnuSpråkSvensk, &frmMain::mnuSpråkSvensk_Click},
        {mnuHelpHelp, &frmMain::mnuHelpHelp_Click},
        {helpShortcut, &frmMain::mnuHelpHelp_Click},
        {mnuHelpAbout, &frmMain::mnuHelpAbout_Click},
        {mnuFileExit, &frmMain::mnuFileExit_Click},
        {mnuFileDatabase, &frmMain::mnuFileDatabase_Click},
        {mnuFileCompactDatabase, &frmMain::mnuFileCompactDatabase_Click},
    };
    for (const auto &[action, handler] : handlers)
        connect(action, &QAction::triggered, this, handler);
}

void frmMain::openWindow(WindowKind kind, QAction *item)
{
    guarded([this, kind, item] {
        if (!m_factory) {
            m_ownFactory = std::make_unique<ProgramWindowFactory>(m_state);
            m_factory = m_ownFactory.get();
        }
        QWidget *window = m_factory->create(kind);
        if (!window) {
            dialogs().msgBox(QStringLiteral("The window %1 (%2) is not built yet.")
                                 .arg(windowKindName(kind), item->text()));
            return;
        }
        window->setWindowTitle(captionWithoutAccessKeys(item->text()));
        window->setAttribute(Qt::WA_DeleteOnClose);
        registerForm(window);
        keepOnScreen(window, this);
        window->show();
    });
}

void frmMain::mnuDatafrmKatalog_Click()
{
    openWindow(WindowKind::frmBrukere, mnuDatafrmKatalog);
}

void frmMain::mnuDatafrmKey_Click()
{
    openWindow(WindowKind::frmKEY, mnuDatafrmKey);
}

void frmMain::mnuDatafrmKeyLogg_Click()
{
    openWindow(WindowKind::frmLOGG, mnuDatafrmKeyLogg);
}

void frmMain::mnuDatafrmKeyOppsett_Click()
{
    openWindow(WindowKind::frmKeyProperties, mnuDatafrmKeyOppsett);
}

void frmMain::mnuDatafrmPassWords_Click()
{
    openWindow(WindowKind::frmPassword, mnuDatafrmPassWords);
}

void frmMain::mnuFilePrintBrukere_Click()
{
    openWindow(WindowKind::frmPrintBrukere, mnuFilePrintBrukere);
}

void frmMain::mnuFilePrintKatalog_Click()
{
    openWindow(WindowKind::frmPrintKatalog, mnuFilePrintKatalog);
}

void frmMain::mnuFilePrintKEY_Click()
{
    openWindow(WindowKind::frmPrintKEY, mnuFilePrintKEY);
}

void frmMain::mnuFilePrintLogg_Click()
{
    openWindow(WindowKind::frmPrintLogg, mnuFilePrintLogg);
}

void frmMain::mnuSMSReceived_Click()
{
    openWindow(WindowKind::frmSMSReceived, mnuSMSReceived);
}

void frmMain::mnuSMSSent_Click()
{
    // The new window reads it while it loads.
    m_state.ShowSentSMS = true;
    openWindow(WindowKind::frmSMSSent, mnuSMSSent);
}

void frmMain::mnuSMSUnSent_Click()
{
    m_state.ShowSentSMS = false;
    openWindow(WindowKind::frmSMSSent, mnuSMSUnSent);
}

void frmMain::mnuSpråkLanguage_Click()
{
    openWindow(WindowKind::frmLanguage, mnuSpråkLanguage);
}

void frmMain::switchLanguage(const QString &code)
{
    m_state.CountryCode = code;
    m_state.LogoCountryCode = code;
    setPhraseLanguage(code);
    setListLanguage(code);
    const MainTexts before = texts;
    // Texts applied before a failure stay; the program runs on.
    if (!guarded([this] { ApplyLanguage(); }))
        return;
    // The new-users and all-users tabs are chosen by caption: the choice follows the caption's
    // new text, or the list would turn into an account of that name, with nobody in it.
    QString &selected = m_state.SelectedUserTab;
    switch (userListMode(selected, before.NewUsersTabText, before.AllUsersTabText)) {
    case UserListMode::NewUsers:
        selected = texts.NewUsersTabText;
        break;
    case UserListMode::AllUsers:
        selected = texts.AllUsersTabText;
        break;
    default:
        break;
    }
    ShowKeyUsers();
}

void frmMain::mnuSpråkNorsk_Click()
{
    switchLanguage(QStringLiteral("47"));
}

void frmMain::mnuSpråkDansk_Click()
{
    switchLanguage(QStringLiteral("45"));
}

void frmMain::mnuSpråkSvensk_Click()
{
    switchLanguage(QStringLiteral("46"));
}

void frmMain::mnuHelpHelp_Click()
{
    if (HelpFile.isEmpty() || !QFileInfo(HelpFile).isFile()) {
        dialogs().msgBox(phrase(u"Finner ikke hjelpefilen %1.", u"Kan ikke finde hjælpefilen %1.",
                                u"Hittar inte hjälpfilen %1.")
                             .arg(HelpFile));
        return;
    }
    if (m_helpOpener(HelpFile))
        return;
    // No viewer on this desktop: the program shows the file itself, once.
    if (!m_helpWindow) {
        m_helpWindow = new frmHelp(HelpFile, this);
        keepOnScreen(m_helpWindow, this);
        m_helpWindow->show();
    }
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void frmMain::mnuHelpAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

} // namespace portiva
