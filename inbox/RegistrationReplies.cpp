// The units' answers to registration and removal commands.

#include "inbox/CallState.h"
#include "inbox/InboxLog.h"
#include "inbox/InboxRepo.h"
#include "inbox/ReplyText.h"
#include "inbox/SmsInterpreter.h"
#include "inbox/SmsText.h"
#include "modem/GsmCharTables.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QDate>

namespace portiva
{

namespace
{

const QString LF = QStringLiteral("\n");

bool oneOrTwoDigits(const QString &s)
{
    return (s.size() == 1 || s.size() == 2) && SmsText::isDigits(s);
}

QString midOrEmpty(const QString &text, int start, int len)
{
    return SmsText::mid(text, start, len).value_or(QString());
}

// A validity field "LABEL d/m-yyyy h:00" whose label starts at f. Only its own line is read,
// so a field with a part missing can never take the next field's "/", "-" or ":00"; what does
// not read as a date or an hour keeps the value it had. Returns where ":00" stands, or 0.
int readValidity(const QString &text, int f, const QString &sep, QString &date, QString &hour)
{
    const int lf = SmsText::inStr(f, text, LF);
    const int lineEnd = lf ? lf : int(text.size()) + 1;
    auto inLine = [&](int from, const char *what) {
        const int at = SmsText::inStr(from, text, QString::fromLatin1(what));
        return at > 0 && at < lineEnd ? at : 0;
    };
    const int s = inLine(f, "/");
    const int m = s ? inLine(s + 1, "-") : 0;
    if (!m)
        return 0;
    const int c = inLine(m + 1, ":00");
    const QString day = midOrEmpty(text, f + 5, s - f - 5);
    const QString month = midOrEmpty(text, s + 1, m - s - 1);
    const QString year = midOrEmpty(text, m + 1, 4);
    if (oneOrTwoDigits(day) && oneOrTwoDigits(month) && year.size() == 4 && SmsText::isDigits(year))
        date = day + sep + month + sep + year;
    if (c) {
        const QString h = midOrEmpty(text, m + 6, c - m - 6);
        if (oneOrTwoDigits(h))
            hour = h.size() == 1 ? QStringLiteral("0") + h : h;
    }
    return c;
}

// The values a registration reply reports behind its phrase at P, with their defaults where it
// reports none. Consumes the admin mark and the fields it reads from working; sets the call's
// status suffix, which later listings of the same message use too.
InboxRepo::Right readRegistration(QString &working, int P, CallState &call)
{
    const QString sep =
        call.shortDateText.contains(u'/') ? QStringLiteral("/") : QStringLiteral(".");
    InboxRepo::Right right;
    right.GyldigFra = call.shortDateText;
    right.GyldigTil =
        QStringLiteral("31") + sep + QStringLiteral("12") + sep + QStringLiteral("2099");
    right.FraTid = QStringLiteral("00");
    right.TilTid = QStringLiteral("24");
    right.Konto = QStringLiteral("MobReg");
    right.Saldo = QStringLiteral("0");
    call.suffix = QStringLiteral(" ");

    // Every mark and field is looked for behind the phrase; once the text is cut, from its start.
    int from = P;
    const int a = SmsText::inStr(P, working, QStringLiteral("A-"));
    if (a && a + 2 <= working.size()) {
        const QChar d = working.at(a + 1);
        if (d != u'0' && d != u'\n') {
            call.suffix = QStringLiteral(" A") + d;
            right.Konto = QStringLiteral("ADMIN-") + d;
            working = midOrEmpty(working, a + 2, 99);
            from = 1;
        }
    }
    auto field = [&](const QStringList &labels, QString &date, QString &hour) {
        const int f = firstOf(working, labels, from);
        if (!f)
            return;
        if (const int c = readValidity(working, f, sep, date, hour)) {
            working = midOrEmpty(working, c + 3, 99);
            from = 1;
        } else {
            from = f + 1;
        }
    };
    field({QStringLiteral("FRA :"), gsmPhrase("Fr%cn", {0x0F})}, right.GyldigFra, right.FraTid);
    field({QStringLiteral("TIL :"), QStringLiteral("Till")}, right.GyldigTil, right.TilTid);
    if (const int b = SmsText::inStr(from, working, QStringLiteral("SALDO:"))) {
        working = midOrEmpty(working, b, 99);
        const int lf = SmsText::inStr(working, LF);
        // On the last line the amount runs to the end of the text.
        right.Saldo = lf ? working.mid(6, lf - 7) : working.mid(6);
        right.Konto = QStringLiteral("Saldo");
    }

    return right;
}

} // namespace

QString SmsInterpreter::catalogueUser(const QString &national, const CallState &call,
                                      bool addMissing)
{
    std::optional<QString> found;
    containedStep("catalogue by national number",
                  [&] { found = m_repo.catalogueUserByShort(national); });
    if (found && !found->isEmpty())
        return *found;
    const QString international = QStringLiteral("+") + call.CountryCode + national;
    // A row holding the number only under Bruker is the same user: adding it again would
    // collide with that row's key.
    found.reset();
    const bool looked = containedStep("catalogue by number",
                                      [&] { found = m_repo.catalogueUserByNumber(international); });
    if (found && !found->isEmpty())
        return *found;
    if (addMissing && looked)
        containedStep("add to catalogue", [&] { m_repo.insertCatalogue(international, national); });
    return international;
}

void SmsInterpreter::tell(const QString &text) const
{
    qCDebug(lcInbox).noquote() << text;
    if (notice)
        notice(text);
}

bool SmsInterpreter::lastSentTo(const CallState &call, const QString &national,
                                std::optional<UserCommand> &last)
{
    return containedStep("what was sent to the unit", [&] {
        const std::vector<SentCommand> sent =
            sentCommandsAt(m_repo.connection(), call.sender, national);
        if (!sent.empty())
            last = sent.front().command;
    });
}

qint64 SmsInterpreter::rightOfCommand(const CallState &call, const UserCommand &command)
{
    int matches = 0;
    std::optional<qint64> id;
    if (!containedStep("find the right the answer is for", [&] {
            id =
                rightNamedBy(m_repo.connection(), call.sender, command, call.CountryCode, &matches);
        }))
        return -1;
    if (matches > 1)
        return -1;
    return id.value_or(0);
}

namespace
{

// The unit's own words for a user it has just taken in (the others: it had the user already).
bool isAddedPhrase(const QString &working, int P)
{
    for (const QString &added : {QStringLiteral("er lagt til"), gsmPhrase("%cr upplagt i", {0x7B}),
                                 QStringLiteral("er opprettet i")}) {
        if (SmsText::mid(working, P, int(added.size())).value_or(QString()) == added)
            return true;
    }
    return false;
}

// The date group of a reported validity ("d/m/yyyy" or "d.m.yyyy", then the hour).
QString reportedGroup(const QString &date, const QString &hour)
{
    const QStringList parts = QString(date).replace(u'.', u'/').split(u'/');
    if (parts.size() != 3)
        return QString();
    const QDate d(parts[2].toInt(), parts[1].toInt(), parts[0].toInt());
    return d.isValid() ? d.toString(QStringLiteral("yyMMdd")) + hour : QString();
}

bool samePeriod(const InboxRepo::Right &right, const UserCommand &sent)
{
    return reportedGroup(right.GyldigFra, right.FraTid) == sent.from &&
           reportedGroup(right.GyldigTil, right.TilTid) == sent.to;
}

QString manyRightsText(const QString &unit, const QString &number)
{
    return phrase(u"Svar fra %1 om %2 passer til flere brukere med samme nummer uten landskode; "
                  u"det er ikke brukt.",
                  u"Svar fra %1 om %2 passer til flere brugere med samme nummer uden landekode; "
                  u"det er ikke brugt.",
                  u"Svar från %1 om %2 passar flera användare med samma nummer utan "
                  u"landsnummer; det har inte använts.")
        .arg(unit, number);
}

} // namespace

void SmsInterpreter::registrationReply(QString &working, CallState &call)
{
    static const QStringList phrases = {
        QStringLiteral("er lagt til"),      QStringLiteral("finnes allerede"),
        gsmPhrase("%cr upplagt i", {0x7B}), QStringLiteral("finns redan"),
        QStringLiteral("er opprettet i"),   QStringLiteral("findes allerede")};
    const int P = firstOf(working, phrases);
    if (!P)
        return;

    const std::optional<QString> number = numberBefore(working, P);
    const bool added = isAddedPhrase(working, P);
    InboxRepo::Right right = readRegistration(working, P, call);

    if (!number) {
        qCDebug(lcInbox).noquote() << "registration reply names no clean number; applied to no "
                                      "one:"
                                   << working;
        return;
    }
    right.KeyNummer = call.sender;
    right.Status = QStringLiteral("Aktiv") + call.suffix;
    std::optional<UserCommand> last;
    if (!lastSentTo(call, *number, last))
        return;
    if (last && !last->registration) {
        // The user's removal went out after this registration: the answer is out of date, and
        // the removal's own answer settles the right.
        qCDebug(lcInbox).noquote()
            << "registration answer while a removal is outstanding:" << *number;
        return;
    }
    const bool period = right.Konto != QLatin1String("Saldo");
    if (last && added && period && !last->from.isEmpty() && !samePeriod(right, *last)) {
        tell(phrase(u"Svar fra %1 om %2 gjelder ikke perioden som sist ble sendt; det er ikke "
                    u"brukt.",
                    u"Svar fra %1 om %2 gælder ikke perioden, der sidst blev sendt; det er ikke "
                    u"brugt.",
                    u"Svar från %1 om %2 gäller inte perioden som senast skickades; det har inte "
                    u"använts.")
                 .arg(call.sender, *number));
        return;
    }
    const std::optional<qint64> answered = answeredRight(call, *number, last);
    if (!answered)
        return;
    qint64 id = *answered;
    if (id > 0)
        right.KeyBruker = QString(); // the row is known: its user stays as it is
    if (id < 0) {
        tell(manyRightsText(call.sender, *number));
        return;
    }
    if (id == 0) {
        // The user the command was made for, not a person elsewhere with the same digits.
        right.KeyBruker = last && last->home ? QStringLiteral("+") + call.CountryCode + *number
                                             : catalogueUser(*number, call, true);
        if (!containedStep("find the confirmed right",
                           [&] { id = m_repo.rightAt(right.KeyBruker, call.sender).value_or(0); }))
            return; // adding one now could double a right that is there
    }
    if (id > 0) {
        // Only a balance reply changes how the right is counted; "MobReg" or an admin account
        // never overwrite what the operator chose.
        const bool withKonto = right.Konto == QLatin1String("Saldo");
        containedStep("update the confirmed right",
                      [&] { m_repo.updateConfirmedRight(id, right, withKonto); });
    } else {
        containedStep("add the confirmed right", [&] { m_repo.insertRight(right); });
    }
    if (last && !added && period && !last->from.isEmpty() && !samePeriod(right, *last))
        tell(phrase(u"%1 hadde %2 fra før og beholder sin egen periode: den nye perioden er ikke "
                    u"tatt i bruk.",
                    u"%1 havde %2 i forvejen og beholder sin egen periode: den nye periode er "
                    u"ikke taget i brug.",
                    u"%1 hade %2 sedan tidigare och behåller sin egen period: den nya perioden "
                    u"används inte.")
                 .arg(call.sender, *number));
}

std::optional<qint64> SmsInterpreter::answeredRight(const CallState &call, const QString &number,
                                                    const std::optional<UserCommand> &last)
{
    if (last)
        return rightOfCommand(call, *last);
    // Nothing of this program's went out: the unit's own word, placed only when one right at
    // the unit can be meant.
    int twins = 0;
    if (!containedStep("count the rights of the number",
                       [&] { twins = m_repo.rightsWithNational(call.sender, number); }))
        return std::nullopt;
    return twins > 1 ? -1 : 0;
}

void SmsInterpreter::removalReply(const QString &working, const CallState &call)
{
    // The same words the ledger reads in stored texts, here in the raw codes the body came in.
    static const QStringList phrases = [] {
        QStringList raw;
        for (const QString &said : removalAnswerPhrases())
            raw << QString::fromLatin1(GsmCharTables::encode(said));
        return raw;
    }();
    const int P = firstOf(working, phrases);
    if (!P)
        return;
    const std::optional<QString> number = numberBefore(working, P);
    if (!number) {
        qCDebug(lcInbox).noquote()
            << "removal reply names no clean number; applied to no one:" << working;
        return;
    }
    std::optional<UserCommand> last;
    if (!lastSentTo(call, *number, last))
        return;
    if (last && last->registration) {
        // A registration went out after this removal: the user is on the unit again.
        qCDebug(lcInbox).noquote()
            << "removal answer while a registration is outstanding:" << *number;
        return;
    }
    const std::optional<qint64> answered = answeredRight(call, *number, last);
    if (!answered)
        return;
    const qint64 id = *answered;
    if (id < 0) {
        tell(manyRightsText(call.sender, *number));
        return;
    }
    if (id > 0) {
        containedStep("delete the removed right", [&] { m_repo.deleteRight(id); });
        return;
    }
    const QString user = catalogueUser(*number, call, false);
    containedStep("delete the removed right", [&] { m_repo.deleteRightAt(user, call.sender); });
}

} // namespace portiva
