#include "admin/UserAdmin.h"

#include "admin/CommandLanguage.h"
#include "admin/KeyUsers.h"
#include "admin/MainViews.h"
#include "core/AppState.h"
#include "core/MainTexts.h"
#include "modem/SendQueue.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"

#include <QLocale>

namespace portiva
{

namespace
{

const QString kNoEnd = QStringLiteral("31/12/2099");

QString orQuestionMark(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("?") : text;
}

} // namespace

bool findFromFirst(Recordset &rs, const QString &column, const QVariant &value)
{
    if (rs.RecordCount() == 0)
        return false;
    rs.MoveFirst();
    return rs.find(column, value);
}

bool hasKeyUnit(const SelectedKey &key)
{
    return key.number.size() >= 6;
}

bool isPeriodBalance(const QString &saldo)
{
    return vb::CDbl(saldo) == 0;
}

QString balanceText(double value)
{
    QString text = QString::number(value, 'g', 15);
    const QLocale system = QLocale::system();
    const QString decimal =
        system.language() == QLocale::C ? QStringLiteral(",") : system.decimalPoint();
    return text.replace(QLatin1Char('.'), decimal);
}

UserAdmin::UserAdmin(AppState &state, MainViews &views, const MainTexts &texts,
                     std::function<QDate()> today)
    : m_state(state), m_views(views), m_texts(texts), m_today(std::move(today))
{
}

Recordset &UserAdmin::view(Recordset *rs, const char *name) const
{
    if (!rs || !rs->isOpen())
        throw Error(QStringLiteral("%1 er ikke åpnet.").arg(QLatin1String(name)));
    return *rs;
}

Recordset &UserAdmin::newUsersOf(const QString &keyNumber)
{
    if (!m_state.SharedConnection)
        throw Error(QStringLiteral("The connection is closed."));
    m_views.adoNyeBrukereRS =
        Recordset::open(m_state.SharedConnection, newUsersOfKeyQuery(), {keyNumber});
    return *m_views.adoNyeBrukereRS;
}

bool UserAdmin::numberCheck(const QString &number)
{
    const qsizetype length = number.size();
    if (length >= 11 && length <= 12)
        return true;
    if (dialogs().msgBox(m_texts.PhoneLengthWarningText, Dialogs::Buttons::OkCancel) ==
        Dialogs::Answer::Cancel)
        return false;
    if (length < 11) {
        dialogs().msgBox(m_texts.PhoneTooShortText);
        return false;
    }
    return true;
}

void UserAdmin::addCatalogueEntry(const UserPanelValues &panel)
{
    const QString t = vb::Trim(panel.number);
    Recordset &katalog = view(m_views.adoKatalogRS.get(), "adoKatalogRS");
    if (findFromFirst(katalog, QStringLiteral("Bruker"), vb::UCase(t)))
        return;
    katalog.AddNew();
    katalog.setValue(QStringLiteral("Bruker"), t);
    katalog.setValue(QStringLiteral("BrukerKort"), nationalNumber9(t));
    katalog.setValue(QStringLiteral("Etternavn"), orQuestionMark(panel.surname));
    katalog.setValue(QStringLiteral("Fornavn"), orQuestionMark(panel.firstName));
    katalog.Update();
}

void UserAdmin::writeRight(Recordset &rs, const UserPanelValues &panel)
{
    const bool period = isPeriodBalance(panel.saldo);
    if (!panel.status.isEmpty())
        rs.setValue(QStringLiteral("Status"), panel.status);
    rs.setValue(QStringLiteral("Gyldig fra"), vb::validityDateText(panel.from));
    rs.setValue(QStringLiteral("Gyldig til"), period ? vb::validityDateText(panel.to) : kNoEnd);
    rs.setValue(QStringLiteral("FraTid"), panel.fraTid);
    rs.setValue(QStringLiteral("TilTid"), panel.tilTid);
    rs.setValue(QStringLiteral("Saldo"), panel.saldo);
    if (!panel.konto.isEmpty())
        rs.setValue(QStringLiteral("Konto"), panel.konto);
}

std::optional<QString> UserAdmin::admitNumber(const UserPanelValues &panel, const SelectedKey &key)
{
    // A right nobody's unit lists, or a command without a recipient, helps no one.
    if (!hasKeyUnit(key))
        return std::nullopt;
    const QString t = vb::Trim(panel.number);
    if (!numberCheck(t))
        return std::nullopt;
    addCatalogueEntry(panel);
    return t;
}

void UserAdmin::RegisterUser(const UserPanelValues &panel, const SelectedKey &key)
{
    const std::optional<QString> admitted = admitNumber(panel, key);
    if (!admitted)
        return;
    const QString &t = *admitted;
    // Nothing of the right is written unless the balance reads.
    const QString command = UserRegistrationCommand(
        t, m_state.CountryCode, panel.from, panel.fraTid, panel.to, panel.tilTid, panel.saldo);
    Recordset &rights = view(m_views.adoSELECTEDBrukereRS.get(), "adoSELECTEDBrukereRS");
    if (!findFromFirst(rights, QStringLiteral("KeyBruker"), vb::UCase(t))) {
        rights.AddNew();
        rights.setValue(QStringLiteral("KeyNummer"), key.number);
        rights.setValue(QStringLiteral("KeyBruker"), t);
    }
    writeRight(rights, panel);
    rights.Update();
    SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"), command, key.number,
                        key.name, QString(), panel.from);
}

void UserAdmin::QueueNewUser(const UserPanelValues &panel, const SelectedKey &key)
{
    const std::optional<QString> admitted = admitNumber(panel, key);
    if (!admitted)
        return;
    const QString &t = *admitted;
    isPeriodBalance(panel.saldo);
    Recordset &periods = newUsersOf(key.number);
    const bool found =
        panel.heldId && findFromFirst(periods, QStringLiteral("ID"), QVariant(*panel.heldId));
    if (!found) {
        periods.AddNew();
        periods.setValue(QStringLiteral("KeyNummer"), key.number);
        periods.setValue(QStringLiteral("Bruker"), t);
    }
    writeRight(periods, panel);
    periods.setValue(QStringLiteral("Etternavn"), orQuestionMark(panel.surname));
    periods.setValue(QStringLiteral("Fornavn"), orQuestionMark(panel.firstName));
    periods.Update();
}

UserAdmin::Removal UserAdmin::removeUser(const UserPanelValues &panel, const SelectedKey &key,
                                         const std::function<void()> &reload)
{
    const QString t = vb::Trim(panel.number);
    if (panel.heldId) {
        skipOnError([&] {
            Recordset &periods = newUsersOf(key.number);
            if (findFromFirst(periods, QStringLiteral("ID"), QVariant(*panel.heldId)))
                periods.Delete();
        });
        return Removal::QueuedPeriod;
    }

    // A failed search is "not found", never the row the cursor happened to stand on.
    Recordset *rights = m_views.adoSELECTEDBrukereRS.get();
    bool found = false;
    skipOnError([&] {
        found = findFromFirst(view(rights, "adoSELECTEDBrukereRS"), QStringLiteral("KeyBruker"),
                              vb::UCase(t));
    });
    if (!found)
        return Removal::NotFound;

    QString state = QStringLiteral("UNSENT");
    skipOnError([&] {
        if (rights->toTextOr(QStringLiteral("Status"), QString())
                .compare(QLatin1String("NY"), Qt::CaseInsensitive) == 0) {
            state = QStringLiteral("SLETTET");
            rights->Delete();
            return;
        }
        rights->setValue(QStringLiteral("Status"), QStringLiteral("Slett"));
        rights->setValue(QStringLiteral("Gyldig fra"), vb::validityDateText(panel.from));
        rights->setValue(QStringLiteral("Gyldig til"), vb::validityDateText(m_today()));
        if (!panel.konto.isEmpty())
            rights->setValue(QStringLiteral("Konto"), panel.konto);
        rights->Update();
    });
    skipOnError([&] {
        SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"),
                            UserRemovalCommand(t, m_state.CountryCode), key.number, key.name,
                            QString(), m_today(), state);
    });
    skipOnError(reload);
    if (state == QLatin1String("SLETTET")) {
        // Every registration of the user still waiting for this unit goes with it.
        skipOnError([&] {
            Recordset &queue = view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS");
            if (queue.RecordCount() == 0)
                return;
            for (queue.MoveFirst(); !queue.EOF(); queue.MoveNext()) {
                if (queue.toTextOr(QStringLiteral("TilNummer"), QString())
                            .compare(key.number, Qt::CaseInsensitive) != 0 ||
                    !isRegistrationFor(queue.toTextOr(QStringLiteral("SMS_Text"), QString()), t,
                                       m_state.CountryCode))
                    continue;
                queue.setValue(QStringLiteral("CMGS"), QStringLiteral("SLETTET"));
                queue.Update();
            }
        });
    }
    skipOnError(reload);
    skipOnError([&] {
        Recordset &queue = view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS");
        if (queue.RecordCount() == 0)
            return;
        queue.MoveFirst();
        while (queue.find(QStringLiteral("CMGS"), QStringLiteral("SLETTET"))) {
            queue.Delete();
            queue.MoveNext();
            if (queue.EOF())
                break;
        }
    });
    return state == QLatin1String("SLETTET") ? Removal::Withdrawn : Removal::Queued;
}

void UserAdmin::queueDoorSms(const QString &text, const SelectedKey &key)
{
    SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"), text, key.number,
                        key.name, QString(), m_today(), QStringLiteral("UNSENT"),
                        MatchMode::TextOnlyReaddress, KortRule::FromFourth);
}

void UserAdmin::queueUserSms(const QString &text, const UserPanelValues &panel)
{
    SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"), text,
                        vb::Trim(panel.number), panel.surname, panel.firstName, m_today(),
                        QStringLiteral("UNSENT"), MatchMode::TextOnlyReaddress,
                        KortRule::NineFromFourth);
}

} // namespace portiva
