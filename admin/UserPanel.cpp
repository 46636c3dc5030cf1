#include "admin/UserPanel.h"

#include "admin/KeyUsers.h"
#include "admin/MainViews.h"
#include "modem/SendQueue.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"
#include "programstate/Phrase.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTableView>
#include <QTimer>

namespace portiva
{

namespace
{

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void setBackground(QWidget *w, const QColor &colour)
{
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, colour);
    w->setPalette(palette);
}

// The field's text when it holds one; "" for Null, a missing column or no row.
QString present(const Recordset &rs, const char *field)
{
    const QString name = QString::fromLatin1(field);
    if (rs.BOF() || rs.EOF() || rs.fieldIndex(name) < 0)
        return QString();
    return rs.toTextOr(name, QString());
}

} // namespace

UserPanel::UserPanel(AppState &state, MainViews &views, const MainTexts &texts, KeyUsers &keyUsers,
                     UserPanelControls controls, UserPanelHooks hooks, QObject *parent)
    : QObject(parent), m_state(state), m_views(views), m_texts(texts), m_keyUsers(keyUsers),
      m_c(std::move(controls)), m_hooks(std::move(hooks)),
      m_admin(state, views, texts, m_hooks.today)
{
    for (QLineEdit *box : m_c.Txtfields)
        box->installEventFilter(this);
    if (m_c.DataGrid1)
        m_c.DataGrid1->installEventFilter(this);
}

// ---- panel state

UserPanelValues UserPanel::values() const
{
    UserPanelValues v;
    v.number = m_c.Txtfields[0]->text();
    v.firstName = m_c.Txtfields[1]->text();
    v.surname = m_c.Txtfields[2]->text();
    v.status = m_c.Txtfields[3]->text();
    v.konto = m_c.Txtfields[4]->text();
    v.heldId = m_heldId;
    v.from = m_c.DTPickerFrom->date();
    v.to = m_c.DTPickerTo->date();
    v.fraTid = m_c.FraTid->currentText();
    v.tilTid = m_c.TilTid->currentText();
    v.saldo = m_c.Saldo->text();
    return v;
}

SelectedKey UserPanel::selectedKey() const
{
    return {m_c.KeyTXT[0]->text(), m_c.KeyTXT[1]->text()};
}

void UserPanel::setHeldId(std::optional<qint64> id)
{
    m_heldId = id;
    // The box keeps its old sign of "none"; the held value itself is what counts.
    m_c.Txtfields[5]->setText(id ? QString::number(*id) : QStringLiteral("9999"));
}

QString UserPanel::selectedTabCaption() const
{
    const QStringList captions = m_keyUsers.tabCaptions();
    const int index = m_c.TabStrip1 ? m_c.TabStrip1->currentIndex() : -1;
    return index >= 0 && index < captions.size() ? captions[index] : QString();
}

void UserPanel::showMode()
{
    if (m_c.Label2)
        m_c.Label2->setText(vb::boolText(*m_hooks.REGNYBRUKER));
}

void UserPanel::restartTimerForOperator()
{
    if (!*m_hooks.QueueNotEmpty && m_hooks.restartSendTimer)
        m_hooks.restartSendTimer();
}

// ---- the panel's own events

void UserPanel::CLEAR_INPUT()
{
    for (int i : {0, 2, 1, 4, 3})
        m_c.Txtfields[i]->setText(QString());
    setHeldId(std::nullopt);
    m_c.FraTid->setEditText(QStringLiteral("00"));
    m_c.TilTid->setEditText(QStringLiteral("24"));
    m_c.Saldo->setText(QStringLiteral("0"));
    const QDate today = m_hooks.today();
    m_c.DTPickerTo->setDate(today.addDays(2));
    m_c.DTPickerFrom->setDate(today);
}

void UserPanel::cmdNyBruker_Click()
{
    *m_hooks.REGNYBRUKER = true;
    skipOnError([this] { showMode(); });
    skipOnError([this] { CLEAR_INPUT(); });
    m_c.Txtfields[0]->setFocus(Qt::OtherFocusReason);
    m_c.Txtfields[0]->insert(QStringLiteral("+") + m_state.CountryCode);
}

void UserPanel::TabStrip1_Click()
{
    const QString caption = selectedTabCaption();
    *m_hooks.REGNYBRUKER = same(caption, m_texts.NewUsersTabText);
    showMode();
    m_state.SelectedUserTab = caption;
    m_hooks.ShowKeyUsers();
    // A list that could not be shown leaves the tab of the one still shown, and registrations
    // follow the tab.
    *m_hooks.REGNYBRUKER = same(selectedTabCaption(), m_texts.NewUsersTabText);
    showMode();
    CLEAR_INPUT();
}

void UserPanel::UserGridActivate()
{
    *m_hooks.REGNYBRUKER = same(selectedTabCaption(), m_texts.NewUsersTabText);
    showMode();
    *m_hooks.UserGridActive = true;
}

void UserPanel::UserGridDeactivate()
{
    *m_hooks.UserGridActive = false;
}

void UserPanel::UserGridSortColumn(int ColIndex)
{
    static const char *const keys[] = {"BRUKER",       "Etternavn",    "Fornavn",
                                       "[Gyldig fra]", "[Gyldig fra]", "[Gyldig til]",
                                       "[Gyldig til]", "Konto",        "Status"};
    if (ColIndex >= 0 && ColIndex <= 8)
        *m_hooks.UserGridSortKey = QString::fromLatin1(keys[ColIndex]);
    const bool wasGuarded = m_guard;
    m_guard = true;
    guarded([this] {
        for (const auto &list : {m_views.adoListBrukereRS, m_views.adoNyeBrukereRS}) {
            if (list && list->isOpen())
                list->setSort(*m_hooks.UserGridSortKey);
        }
        CLEAR_INPUT();
    });
    m_guard = wasGuarded;
}

void UserPanel::UserGridRowChange()
{
    if (!*m_hooks.UserGridActive || m_guard || m_keyUsers.rebinding())
        return;
    const auto source = *m_hooks.REGNYBRUKER ? m_views.adoNyeBrukereRS : m_views.adoListBrukereRS;
    if (!source || !source->isOpen() || source->BOF() || source->EOF())
        return;
    const Recordset &rs = *source;
    for (int i = 0; i <= 4; ++i)
        m_c.Txtfields[i]->setText(QString());
    const std::pair<const char *, int> boxes[] = {
        {"Bruker", 0}, {"Fornavn", 1}, {"Etternavn", 2}, {"Status", 3}, {"Konto", 4}};
    for (const auto &[field, box] : boxes) {
        skipOnError([&, field = field, box = box] {
            const QString text = present(rs, field);
            if (!text.isEmpty())
                m_c.Txtfields[box]->setText(text);
        });
    }
    const std::pair<const char *, QDateEdit *> dates[] = {{"Gyldig til", m_c.DTPickerTo},
                                                          {"Gyldig fra", m_c.DTPickerFrom}};
    for (const auto &[field, picker] : dates) {
        const QDate date = vb::parseValidityDate(present(rs, field));
        if (date.isValid())
            picker->setDate(date);
    }
    for (const auto &[field, list] :
         {std::pair<const char *, QComboBox *>{"FraTid", m_c.FraTid}, {"TilTid", m_c.TilTid}}) {
        const QString text = present(rs, field);
        if (!text.isEmpty())
            list->setEditText(text);
    }
    skipOnError([&] {
        if (rs.fieldIndex(QStringLiteral("ID")) >= 0 && !rs.isNull(QStringLiteral("ID")))
            setHeldId(rs.value(QStringLiteral("ID")).toLongLong());
    });
    const QString saldo = present(rs, "Saldo");
    if (!saldo.isEmpty())
        m_c.Saldo->setText(saldo);
}

void UserPanel::DTPickerFrom_Change()
{
    if (m_c.DTPickerTo->date() < m_c.DTPickerFrom->date())
        m_c.DTPickerTo->setDate(m_c.DTPickerFrom->date().addDays(2));
}

void UserPanel::Saldo_Change()
{
    // A balance is a count: letters are said as such, and stay in the box to be corrected.
    const QString typed = m_c.Saldo->text();
    if (!vb::IsNumeric(typed)) {
        if (!vb::Trim(typed).isEmpty())
            dialogs().msgBox(
                phrase(u"Saldo må være et tall: «%1» er ikke et tall. Skriv hvor mange ganger "
                       u"brukeren kan åpne, eller 0 for en periode.",
                       u"Saldo skal være et tal: »%1« er ikke et tal. Skriv hvor mange gange "
                       u"brugeren kan åbne, eller 0 for en periode.",
                       u"Saldo måste vara ett tal: ”%1” är inte ett tal. Skriv hur många gånger "
                       u"användaren kan öppna, eller 0 för en period.")
                    .arg(typed));
        return;
    }
    guarded([this] {
        const double balance = vb::CDbl(m_c.Saldo->text());
        const bool byBalance = balance > 0;
        setBackground(m_c.Saldo, byBalance ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x80, 0x80, 0x80));
        if (!byBalance)
            m_c.DTPickerTo->setDate(m_hooks.today().addDays(2));
        for (QWidget *w : std::initializer_list<QWidget *>{m_c.FraTid, m_c.TilTid, m_c.DTPickerFrom,
                                                           m_c.DTPickerTo})
            w->setVisible(!byBalance);
        m_c.Txtfields[4]->setText(byBalance ? QStringLiteral("Saldo") : m_texts.NewUserKontoText);
        if (m_c.KontoLBL)
            m_c.KontoLBL->setText(byBalance ? QStringLiteral("Antall") : m_texts.AccountLabelText);
    });
}

void UserPanel::UpDown3_DownClick()
{
    if (!vb::IsNumeric(m_c.Saldo->text()))
        return;
    const double balance = vb::CDbl(m_c.Saldo->text());
    if (balance > 0)
        m_c.Saldo->setText(balanceText(balance - 1));
}

void UserPanel::UpDown3_UpClick()
{
    if (!vb::IsNumeric(m_c.Saldo->text()))
        return;
    m_c.Saldo->setText(balanceText(vb::CDbl(m_c.Saldo->text()) + 1));
}

void UserPanel::Txtfields_DblClick(int Index)
{
    if (Index != 3 || !vb::IsNumeric(m_state.CurrentSecurityLevel))
        return;
    if (vb::CDbl(m_state.CurrentSecurityLevel) > 4) {
        m_c.Txtfields[3]->setReadOnly(false);
        setBackground(m_c.Txtfields[3], QColor(0xFF, 0xFF, 0x80));
    }
}

void UserPanel::Txtfields_KeyPress(int Index, int KeyAscii)
{
    if (Index != 0 || KeyAscii != 27)
        return;
    guarded(QStringLiteral("Cancel New"), [this] {
        for (int i = 0; i <= 4; ++i)
            m_c.Txtfields[i]->setText(QString());
    });
}

void UserPanel::loadExisting(Recordset &rs, const QString &kontoField)
{
    const QString konto = present(rs, kontoField.toLatin1().constData());
    if (!konto.isEmpty())
        m_c.Txtfields[4]->setText(konto);
    const QString status = present(rs, "Status");
    if (!status.isEmpty())
        m_c.Txtfields[3]->setText(status);
    const QDate from = vb::parseValidityDate(present(rs, "Gyldig fra"));
    if (from.isValid())
        m_c.DTPickerFrom->setDate(from);
    const QDate to = vb::parseValidityDate(present(rs, "Gyldig til"));
    if (to.isValid())
        m_c.DTPickerTo->setDate(to);
}

// OK asks for a new period (the defaults); Cancel shows the existing one.
bool UserPanel::askAboutExisting(Recordset &rs, const QString &question)
{
    m_askedInHandler = true;
    if (dialogs().msgBox(question, Dialogs::Buttons::OkCancel) == Dialogs::Answer::Ok)
        return true;
    loadExisting(rs, QStringLiteral("Konto"));
    return false;
}

void UserPanel::Txtfields_LostFocus(int Index)
{
    const bool ran = guarded(QStringLiteral("Lost Focus"), [this, Index] {
        const QString n = m_c.Txtfields[0]->text();
        const QString k = vb::UCase(vb::Trim(n));
        if (!n.isEmpty() && Index >= 0 && Index <= 2) {
            Recordset &katalog = m_admin.view(m_views.adoKatalogRS.get(), "adoKatalogRS");
            if (findFromFirst(katalog, QStringLiteral("Bruker"), k)) {
                const std::pair<const char *, int> names[] = {{"Etternavn", 2}, {"Fornavn", 1}};
                for (const auto &[field, box] : names) {
                    const QString typed = m_c.Txtfields[box]->text();
                    if (!typed.isEmpty())
                        katalog.setValue(QString::fromLatin1(field), typed);
                    else if (!present(katalog, field).isEmpty())
                        m_c.Txtfields[box]->setText(present(katalog, field));
                }
                katalog.Update();
            }
        }
        if (!n.isEmpty() && Index == 0) {
            bool defaults = true;
            Recordset &rights =
                m_admin.view(m_views.adoSELECTEDBrukereRS.get(), "adoSELECTEDBrukereRS");
            rights.Requery();
            if (findFromFirst(rights, QStringLiteral("KeyBruker"), k))
                defaults = askAboutExisting(rights, m_texts.UserRegisteredQuestion);
            // The unit in view, whichever list the grid showed last.
            Recordset &periods = m_admin.newUsersOf(m_c.KeyTXT[0]->text());
            if (findFromFirst(periods, QStringLiteral("Bruker"), k))
                defaults = askAboutExisting(periods, m_texts.UserQueuedQuestion);
            if (defaults) {
                m_c.Txtfields[4]->setText(m_texts.NewUserKontoText);
                m_c.Txtfields[3]->setText(QStringLiteral("NY"));
                m_c.DTPickerTo->setDate(m_hooks.today().addDays(2));
                m_c.DTPickerFrom->setDate(m_hooks.today());
            }
            m_hooks.OpenMainRecordsets();
            m_hooks.ShowKeyUsers();
        }
        if (Index == 3) {
            m_c.Txtfields[3]->setReadOnly(true);
            setBackground(m_c.Txtfields[3], QColor(0xC0, 0xFF, 0xFF));
        }
    });
    if (!ran) {
        QLineEdit *number = m_c.Txtfields[0];
        QTimer::singleShot(0, number, [number] { number->setFocus(Qt::OtherFocusReason); });
    }
}

void UserPanel::lostFocusFromFilter(int index)
{
    // The widget the operator moved to; a box shown in the handler takes the focus away.
    QPointer<QWidget> next = QApplication::focusWidget();
    m_askedInHandler = false;
    const bool wasGuarded = m_guard;
    m_guard = true;
    Txtfields_LostFocus(index);
    m_guard = wasGuarded;
    if (m_askedInHandler && next && next->window()) {
        QApplication::setActiveWindow(next->window());
        next->setFocus(Qt::MouseFocusReason);
    }
}

bool UserPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_c.DataGrid1) {
        if (event->type() == QEvent::FocusIn)
            UserGridActivate();
        else if (event->type() == QEvent::FocusOut)
            UserGridDeactivate();
        return QObject::eventFilter(watched, event);
    }
    const int index = m_c.Txtfields.indexOf(static_cast<QLineEdit *>(watched));
    if (index < 0)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusOut:
        lostFocusFromFilter(index);
        break;
    case QEvent::MouseButtonDblClick:
        Txtfields_DblClick(index);
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            Txtfields_KeyPress(index, 27);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// ---- registration, removal, free SMS

void UserPanel::CommandRegistrerBruker_Click()
{
    skipOnError([this] { restartTimerForOperator(); });
    bool stored = false;
    bool blocked = false;
    // A refusal or a failure is shown, and the panel keeps what was typed, to be corrected.
    guardedNotDone(
        phrase(u"Brukeren ble ikke registrert.", u"Brugeren blev ikke registreret.",
               u"Användaren registrerades inte."),
        [this, &stored] {
            const UserPanelValues panel = values();
            const SelectedKey key = selectedKey();
            stored = *m_hooks.REGNYBRUKER ? m_admin.QueueNewUser(panel, key)
                                          : m_admin.RegisterUser(panel, key);
        },
        &blocked);
    if (stored)
        skipOnError([this] { CLEAR_INPUT(); });
    // The file could not be used: the views stay as they are rather than fail again.
    if (blocked)
        return;
    skipOnError([this] { m_hooks.OpenMainRecordsets(); });
    skipOnError([this] { m_hooks.ShowKeyUsers(); });
}

void UserPanel::CommandSlettBruker_Click()
{
    skipOnError([this] { restartTimerForOperator(); });
    UserAdmin::Removal result = UserAdmin::Removal::NotFound;
    bool blocked = false;
    const bool done = guardedNotDone(
        phrase(u"Brukeren ble ikke slettet.", u"Brugeren blev ikke slettet.",
               u"Användaren togs inte bort."),
        [&] { result = m_admin.removeUser(values(), selectedKey(), m_hooks.reloadQuietly); },
        &blocked);
    if (done && result == UserAdmin::Removal::NotFound) {
        // Nothing was removed: said, and what was typed is kept to be corrected.
        const SelectedKey key = selectedKey();
        dialogs().msgBox(
            phrase(u"%1 har ingen tilgang på %2: ingenting er slettet.",
                   u"%1 har ingen adgang på %2: intet er slettet.",
                   u"%1 har ingen behörighet på %2: ingenting har tagits bort.")
                .arg(vb::Trim(values().number), key.name.isEmpty() ? key.number : key.name));
        return;
    }
    if (done)
        skipOnError([this] { CLEAR_INPUT(); });
    if (blocked)
        return;
    skipOnError([this] { m_hooks.OpenMainRecordsets(); });
    skipOnError([this] { m_hooks.ShowKeyUsers(); });
}

std::optional<QString> UserPanel::askFreeText(const QString &recipient)
{
    QString typed;
    for (;;) {
        const std::optional<QString> answer = dialogs().inputBox(
            m_texts.FreeSmsPromptText, m_texts.FreeSmsTitleText + recipient, typed);
        // Cancelled, or nothing to say: nothing goes out at the site's cost.
        if (!answer || vb::Trim(*answer).isEmpty())
            return std::nullopt;
        const QString refusal = SendQueue::unsendableRefusal(*answer);
        if (refusal.isEmpty())
            return answer;
        dialogs().msgBox(refusal);
        // Offered again, to be corrected rather than typed anew.
        typed = *answer;
    }
}

void UserPanel::freeSms(const QString &recipient, const QString &noRecipientText,
                        const std::function<void(const QString &)> &queue)
{
    bool &busy = *m_hooks.ManualSMSBusy;
    busy = true;
    // Any failure clears the flag at once and the next step still runs.
    auto step = [&busy](auto &&fn) {
        if (!skipOnError(fn))
            busy = false;
    };
    step([this] { restartTimerForOperator(); });
    std::optional<QString> text;
    if (vb::Trim(recipient).isEmpty())
        step([&] { dialogs().msgBox(noRecipientText); });
    else
        step([&] { text = askFreeText(recipient); });
    if (text) {
        step([&] { dialogs().msgBox(*text, Dialogs::Buttons::Ok, QStringLiteral("Send SMS")); });
        guarded([&] { queue(*text); });
    }
    busy = false;
}

void UserPanel::CmdSMSDoor_Click()
{
    const SelectedKey key = selectedKey();
    freeSms(key.number,
            phrase(u"Ingen nøkkelenhet er valgt. SMS-en er ikke lagt i køen.",
                   u"Ingen nøgleenhed er valgt. SMS'en er ikke lagt i køen.",
                   u"Ingen nyckelenhet är vald. SMS:et har inte lagts i kön."),
            [this, key](const QString &text) { m_admin.queueDoorSms(text, key); });
}

void UserPanel::CommandSendSMS_Click()
{
    const UserPanelValues panel = values();
    const QString number = vb::Trim(panel.number);
    // Refused before the text is asked for: it could never be sent.
    if (const QString refusal = userNumberRefusal(number);
        !number.isEmpty() && !refusal.isEmpty()) {
        skipOnError([&] { dialogs().msgBox(refusal + noSmsText()); });
        return;
    }
    freeSms(number,
            phrase(u"Brukeren har ikke noe telefonnummer. SMS-en er ikke lagt i køen.",
                   u"Brugeren har intet telefonnummer. SMS'en er ikke lagt i køen.",
                   u"Användaren har inget telefonnummer. SMS:et har inte lagts i kön."),
            [this, panel](const QString &text) { m_admin.queueUserSms(text, panel); });
}

} // namespace portiva
