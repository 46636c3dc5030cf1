#include "admin/UserAdmin.h"

#include "admin/CommandLanguage.h"
#include "admin/FuturePeriods.h"
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

// Said after every refusal of the panel's values: nothing of the user was written.
QString notStored()
{
    return phrase(u" Brukeren er ikke lagret.", u" Brugeren er ikke gemt.",
                  u" Användaren har inte sparats.");
}

QString periodText(const UserPanelValues &v)
{
    return phrase(u"Perioden slutter før den begynner (fra %1 kl. %2 til %3 kl. %4).",
                  u"Perioden slutter, før den begynder (fra %1 kl. %2 til %3 kl. %4).",
                  u"Perioden slutar innan den börjar (från %1 kl. %2 till %3 kl. %4).")
               .arg(vb::validityDateText(v.from), v.fraTid, vb::validityDateText(v.to), v.tilTid) +
           notStored();
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

UserPanelValues admissibleRight(const UserPanelValues &panel, const SelectedKey &key)
{
    if (!hasKeyUnit(key))
        throw Error(phrase(u"Ingen nøkkelenhet er valgt.", u"Ingen nøgleenhed er valgt.",
                           u"Ingen nyckelenhet är vald.") +
                    notStored());
    if (!vb::IsNumeric(panel.saldo))
        throw Error(phrase(u"Saldo må være et tall (0 for en periode).",
                           u"Saldo skal være et tal (0 for en periode).",
                           u"Saldot måste vara ett tal (0 för en period).") +
                    notStored());
    UserPanelValues v = panel;
    for (QString *hour : {&v.fraTid, &v.tilTid}) {
        const std::optional<QString> text = hourText(*hour);
        if (!text)
            throw Error(badHourText(*hour) + notStored());
        *hour = *text;
    }
    // Hour texts of two digits each compare as the hours they are.
    if (isPeriodBalance(v.saldo) && (v.to < v.from || (v.to == v.from && v.tilTid < v.fraTid)))
        throw Error(periodText(v));
    return v;
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

std::optional<QString> UserAdmin::admitNumber(const UserPanelValues &panel)
{
    const QString t = vb::Trim(panel.number);
    if (!numberCheck(t))
        return std::nullopt;
    addCatalogueEntry(panel);
    return t;
}

bool UserAdmin::RegisterUser(const UserPanelValues &typed, const SelectedKey &key)
{
    const UserPanelValues panel = admissibleRight(typed, key);
    // The command is made, and known to be sendable, before anything is written.
    const QString command =
        UserRegistrationCommand(vb::Trim(panel.number), m_state.CountryCode, panel.from,
                                panel.fraTid, panel.to, panel.tilTid, panel.saldo);
    if (const QString refusal = SendQueue::unsendableRefusal(command); !refusal.isEmpty())
        throw Error(refusal + notStored());
    const std::optional<QString> admitted = admitNumber(panel);
    if (!admitted)
        return false;
    const QString &t = *admitted;
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
    return true;
}

bool UserAdmin::QueueNewUser(const UserPanelValues &typed, const SelectedKey &key)
{
    const UserPanelValues panel = admissibleRight(typed, key);
    const std::optional<QString> admitted = admitNumber(panel);
    if (!admitted)
        return false;
    const QString &t = *admitted;
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
    return true;
}

UserAdmin::Removal UserAdmin::removeUser(const UserPanelValues &panel, const SelectedKey &key,
                                         const std::function<void()> &reload)
{
    const QString t = vb::Trim(panel.number);
    if (panel.heldId) {
        Recordset &periods = newUsersOf(key.number);
        if (findFromFirst(periods, QStringLiteral("ID"), QVariant(*panel.heldId)))
            periods.Delete();
        return Removal::QueuedPeriod;
    }

    // Held here: the reloads below replace the view while this removal still writes to it.
    const std::shared_ptr<Recordset> rights = m_views.adoSELECTEDBrukereRS;
    // A failed search is "not found", never the row the cursor happened to stand on.
    if (!findFromFirst(view(rights.get(), "adoSELECTEDBrukereRS"), QStringLiteral("KeyBruker"),
                       vb::UCase(t)))
        return Removal::NotFound;

    const QString command = UserRemovalCommand(t, m_state.CountryCode);
    const bool neverSent = rights->toTextOr(QStringLiteral("Status"), QString())
                               .compare(QLatin1String("NY"), Qt::CaseInsensitive) == 0;
    if (neverSent) {
        // The unit never heard of it. Its registrations go first: a failure in between must
        // not leave one queued for a right the register no longer holds.
        withdrawRegistrations(m_state.SharedConnection, key.number, t, m_state.CountryCode);
        rights->Delete();
        // Withdrawn at once and deleted below: its failure changes nothing.
        skipOnError([&] {
            SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"), command,
                                key.number, key.name, QString(), m_today(),
                                QStringLiteral("SLETTET"));
        });
    } else {
        rights->setValue(QStringLiteral("Status"), QStringLiteral("Slett"));
        rights->setValue(QStringLiteral("Gyldig fra"), vb::validityDateText(panel.from));
        rights->setValue(QStringLiteral("Gyldig til"), vb::validityDateText(m_today()));
        if (!panel.konto.isEmpty())
            rights->setValue(QStringLiteral("Konto"), panel.konto);
        rights->Update();
        SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"), command,
                            key.number, key.name, QString(), m_today());
    }
    skipOnError(reload);
    skipOnError([this] { purgeWithdrawn(); });
    return neverSent ? Removal::Withdrawn : Removal::Queued;
}

void UserAdmin::purgeWithdrawn()
{
    // Every withdrawn row of the table goes, whichever unit it was for.
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
