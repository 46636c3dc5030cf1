#include "admin/UserAdmin.h"

#include "admin/CommandLanguage.h"
#include "admin/FuturePeriods.h"
#include "admin/KeyUsers.h"
#include "admin/MainViews.h"
#include "modem/SendQueue.h"
#include "modem/UnitLedger.h"
#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
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

// A national number the unit keeps for two people: it could not tell them apart.
QString twinText(const QString &user, const QString &key, const QString &twin)
{
    return phrase(u"%1 kan ikke registreres på %2: enheten kjenner numrene uten landskode, og "
                  u"%3 har samme nummer der.",
                  u"%1 kan ikke registreres på %2: enheden kender numrene uden landekode, og %3 "
                  u"har samme nummer der.",
                  u"%1 kan inte registreras på %2: enheten känner numren utan landsnummer, och "
                  u"%3 har samma nummer där.")
        .arg(user, key, twin);
}

bool samePeriod(const QVariantMap &stored, const UserPanelValues &panel)
{
    const bool period = isPeriodBalance(panel.saldo);
    auto text = [&](const char *column) { return stored.value(QLatin1String(column)).toString(); };
    return vb::parseValidityDate(text("Gyldig fra")) == panel.from &&
           vb::parseValidityDate(text("Gyldig til")) ==
               (period ? panel.to : vb::parseValidityDate(kNoEnd)) &&
           hourText(text("FraTid")) == panel.fraTid && hourText(text("TilTid")) == panel.tilTid &&
           vb::IsNumeric(text("Saldo")) && vb::CDbl(text("Saldo")) == vb::CDbl(panel.saldo);
}

bool isLeaving(const QString &status)
{
    return status.compare(QLatin1String("Slett"), Qt::CaseInsensitive) == 0 ||
           status.compare(QLatin1String("Sletter"), Qt::CaseInsensitive) == 0;
}

} // namespace

QString noSmsText()
{
    return phrase(u" SMS-en er ikke lagt i køen.", u" SMS'en er ikke lagt i køen.",
                  u" SMS:et har inte lagts i kön.");
}

QString userNumberRefusal(const QString &number)
{
    // "+", then the digits of a whole international number, at most fifteen.
    if (isInternationalNumber(number) && number.size() <= 16)
        return QString();
    return phrase(u"«%1» er ikke et telefonnummer: skriv + og landskoden, så bare sifre "
                  u"(som +4712345678).",
                  u"«%1» er ikke et telefonnummer: skriv + og landekoden, derefter kun cifre "
                  u"(som +4512345678).",
                  u"«%1» är inte ett telefonnummer: skriv + och landsnumret, sedan bara siffror "
                  u"(som +46701234567).")
        .arg(number);
}

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
        throw Error(closedRowsText() + QStringLiteral(" (") + QLatin1String(name) + u')');
    return *rs;
}

Recordset &UserAdmin::newUsersOf(const QString &keyNumber)
{
    if (!m_state.SharedConnection)
        throw Error(closedConnectionText());
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

std::shared_ptr<Connection> UserAdmin::connection() const
{
    if (!m_state.SharedConnection)
        throw Error(closedConnectionText());
    return m_state.SharedConnection;
}

void UserAdmin::refuseTwin(const QString &t, const SelectedKey &key)
{
    const QVariant twin = connection()->scalar(
        QStringLiteral("SELECT trim(KeyBruker) FROM TBLbrukere WHERE KeyNummer = ?1 AND "
                       "substr(trim(KeyBruker), 4, 9) = ?2 AND trim(KeyBruker) <> ?3 UNION ALL "
                       "SELECT trim(Bruker) FROM NYEbrukere WHERE KeyNummer = ?1 AND "
                       "substr(trim(Bruker), 4, 9) = ?2 AND trim(Bruker) <> ?3 LIMIT 1"),
        {key.number, nationalNumber9(t), t});
    if (!twin.isNull())
        throw Error(twinText(t, key.name.isEmpty() ? key.number : key.name, twin.toString()) +
                    notStored());
}

bool UserAdmin::RegisterUser(const UserPanelValues &typed, const SelectedKey &key)
{
    const QString t = vb::Trim(typed.number);
    if (const QString refusal = userNumberRefusal(t); !refusal.isEmpty())
        throw Error(refusal + notStored());
    const UserPanelValues panel = admissibleRight(typed, key);
    // The command is made, and known to be sendable, before anything is written.
    const QString command = UserRegistrationCommand(
        t, m_state.CountryCode, panel.from, panel.fraTid, panel.to, panel.tilTid, panel.saldo);
    if (const QString refusal = SendQueue::unsendableRefusal(command); !refusal.isEmpty())
        throw Error(refusal + notStored());
    refuseTwin(t, key);
    // Asked before the transaction: no box waits while the database is held.
    if (!numberCheck(t))
        return false;
    const std::shared_ptr<Connection> db = connection();
    auto right = Recordset::open(db,
                                 QStringLiteral("SELECT rid, KeyBruker, KeyNummer, [Gyldig fra], "
                                                "FraTid, [Gyldig til], TilTid, Konto, Saldo, "
                                                "Status FROM TBLbrukere WHERE KeyNummer = ?1 AND "
                                                "KeyBruker = ?2 ORDER BY rid LIMIT 1"),
                                 {key.number, t});
    Connection::Transaction transaction(db);
    addCatalogueEntry(panel);
    if (!right->EOF()) {
        QVariantMap stored;
        for (int i = 0; i < right->fieldCount(); ++i)
            stored.insert(right->fieldName(i), right->value(i));
        const QString status = stored.value(QStringLiteral("Status")).toString();
        if (!samePeriod(stored, panel) &&
            rightMayBeHeld(db, key.number, t, status, m_state.CountryCode)) {
            // A unit answers the registration of a user it holds with the period it has: the
            // new period waits, the unit is told to remove the user, and the period comes into
            // force once the removal is confirmed.
            changeHeldPeriod(panel, t, key, stored, !isLeaving(status));
            transaction.commit();
            return true;
        }
    } else {
        right->AddNew();
        right->setValue(QStringLiteral("KeyNummer"), key.number);
        right->setValue(QStringLiteral("KeyBruker"), t);
    }
    writeRight(*right, panel);
    right->Update();
    // An older period still queued must not reach the unit after this one.
    withdrawRegistrations(db, key.number, t, m_state.CountryCode);
    queueUnitCommand(db, command, key.number, panel.from, key.name);
    transaction.commit();
    return true;
}

void UserAdmin::changeHeldPeriod(const UserPanelValues &panel, const QString &t,
                                 const SelectedKey &key, const QVariantMap &stored,
                                 bool sendRemoval)
{
    const std::shared_ptr<Connection> db = connection();
    db->exec(QStringLiteral("INSERT INTO NYEbrukere (KeyNummer, Bruker, Etternavn, Fornavn, Konto, "
                            "Status, [Gyldig fra], [Gyldig til], FraTid, TilTid, Saldo) VALUES "
                            "(?1, ?2, ?3, ?4, ?5, 'NY', ?6, ?7, ?8, ?9, ?10)"),
             {key.number, t, orQuestionMark(panel.surname), orQuestionMark(panel.firstName),
              panel.konto.isEmpty() ? stored.value(QStringLiteral("Konto")) : panel.konto,
              vb::validityDateText(panel.from),
              isPeriodBalance(panel.saldo) ? vb::validityDateText(panel.to) : kNoEnd, panel.fraTid,
              panel.tilTid, panel.saldo});
    withdrawRegistrations(db, key.number, t, m_state.CountryCode);
    if (!sendRemoval)
        return; // its removal is under way already
    db->exec(QStringLiteral("UPDATE TBLbrukere SET Status = 'Slett' WHERE rid = ?1"),
             {stored.value(QStringLiteral("rid"))});
    queueUnitCommand(db, UserRemovalCommand(t, m_state.CountryCode), key.number, m_today(),
                     key.name);
}

bool UserAdmin::QueueNewUser(const UserPanelValues &typed, const SelectedKey &key)
{
    const QString t = vb::Trim(typed.number);
    if (const QString refusal = userNumberRefusal(t); !refusal.isEmpty())
        throw Error(refusal + notStored());
    const UserPanelValues panel = admissibleRight(typed, key);
    refuseTwin(t, key);
    if (!numberCheck(t))
        return false;
    Connection::Transaction transaction(connection());
    addCatalogueEntry(panel);
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
    transaction.commit();
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

    const std::shared_ptr<Connection> db = connection();
    // A failed search is "not found", never the row the cursor happened to stand on.
    auto right = Recordset::open(db,
                                 QStringLiteral("SELECT rid, Status FROM TBLbrukere WHERE "
                                                "KeyNummer = ?1 AND KeyBruker = ?2 ORDER BY rid "
                                                "LIMIT 1"),
                                 {key.number, t});
    if (right->EOF())
        return Removal::NotFound;
    const QVariant rid = right->value(QStringLiteral("rid"));
    const QString command = UserRemovalCommand(t, m_state.CountryCode);
    // What went out to the unit decides, not the status: a right registered again shows "NY"
    // while the unit still holds it.
    const bool neverSent =
        !rightMayBeHeld(db, key.number, t, right->toTextOr(QStringLiteral("Status"), QString()),
                        m_state.CountryCode);
    {
        Connection::Transaction transaction(db);
        // Registrations still queued go first: none may reach the unit after its removal.
        withdrawRegistrations(db, key.number, t, m_state.CountryCode);
        if (neverSent) {
            db->exec(QStringLiteral("DELETE FROM TBLbrukere WHERE rid = ?1"), {rid});
        } else {
            db->exec(QStringLiteral("UPDATE TBLbrukere SET Status = 'Slett', [Gyldig fra] = ?1, "
                                    "[Gyldig til] = ?2, Konto = coalesce(?3, Konto) WHERE "
                                    "rid = ?4"),
                     {vb::validityDateText(panel.from), vb::validityDateText(m_today()),
                      panel.konto.isEmpty() ? QVariant() : QVariant(panel.konto), rid});
            queueUnitCommand(db, command, key.number, m_today(), key.name);
        }
        transaction.commit();
    }
    if (neverSent) {
        // Withdrawn at once and deleted below: its failure changes nothing.
        skipOnError([&] {
            SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"), command,
                                key.number, key.name, QString(), m_today(),
                                QStringLiteral("SLETTET"));
        });
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
    if (const QString refusal = userNumberRefusal(vb::Trim(panel.number)); !refusal.isEmpty())
        throw Error(refusal + noSmsText());
    SendQueue::QueueSMS(view(m_views.adoSMSUNSentRS.get(), "adoSMSUNSentRS"), text,
                        vb::Trim(panel.number), panel.surname, panel.firstName, m_today(),
                        QStringLiteral("UNSENT"), MatchMode::TextOnlyReaddress,
                        KortRule::NineFromFourth);
}

} // namespace portiva
