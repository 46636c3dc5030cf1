#include "modem/UnitLedger.h"

#include "modem/GsmCharTables.h"

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

#include <QRegularExpression>

#include <algorithm>

namespace portiva
{

namespace
{

bool isHome(const QString &user, const QString &countryCode)
{
    return user.contains(QLatin1Char('+') + countryCode, Qt::CaseInsensitive);
}

QString nationalOf(const QString &user, bool registration)
{
    return registration ? user.mid(3, 9) : user.mid(3);
}

bool isDigits(const QString &s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// The texts that begin with prefix are those from prefix up to, not including, this bound; a
// user's number is digits, so no character of the prefix is the highest there is.
QString prefixBound(const QString &prefix)
{
    QString bound = prefix;
    if (!bound.isEmpty())
        bound.back() = QChar(bound.back().unicode() + 1);
    return bound;
}

} // namespace

std::optional<UserCommand> readUserCommand(const QString &text)
{
    if (text.size() < 3 || text.at(1) != u' ')
        return std::nullopt;
    const QChar letter = text.at(0);
    UserCommand c;
    c.home = letter.isUpper();
    if (letter.toUpper() == u'I') {
        c.registration = true;
        const qsizetype mark = text.indexOf(QRegularExpression(QStringLiteral("[>*]")), 2);
        if (mark < 0)
            return std::nullopt;
        c.national = text.mid(2, mark - 2);
        if (text.at(mark) == u'>') {
            const qsizetype back = text.indexOf(u'<', mark);
            if (back < 0)
                return std::nullopt;
            c.from = text.mid(mark + 1, back - mark - 1);
            c.to = text.mid(back + 1);
        }
    } else if (letter.toUpper() == u'U') {
        c.national = text.mid(2);
    } else {
        return std::nullopt;
    }
    if (!isDigits(c.national))
        return std::nullopt;
    return c;
}

bool commandNames(const UserCommand &command, const QString &user, const QString &countryCode)
{
    const QString t = user.trimmed();
    return command.home == isHome(t, countryCode) &&
           command.national == nationalOf(t, command.registration);
}

bool textWentOut(const QVariant &cmgs)
{
    if (cmgs.isNull())
        return false;
    const QString s = cmgs.toString().trimmed();
    return !s.isEmpty() && s.compare(QLatin1String("UNSENT"), Qt::CaseInsensitive) != 0 &&
           s.compare(QLatin1String("SLETTET"), Qt::CaseInsensitive) != 0 &&
           s.compare(QLatin1String("ERROR"), Qt::CaseInsensitive) != 0;
}

std::vector<SentCommand> sentCommandsAt(const std::shared_ptr<Connection> &db, const QString &unit,
                                        const QString &national)
{
    std::vector<SentCommand> found;
    // The range on the text's first digits lets the unit's whole history be passed by.
    const QString indexed = national.left(16);
    auto rs = Recordset::open(
        db,
        QStringLiteral("SELECT ID, SMS_Text, CMGS FROM SMS_Sent WHERE "
                       "trim(TilNummer) = ?1 AND substr(SMS_Text, 3, 16) >= "
                       "?4 AND substr(SMS_Text, 3, 16) < ?5 AND "
                       "substr(SMS_Text, 3, ?2) = ?3 ORDER BY ID DESC"),
        {unit.trimmed(), int(national.size()), national, indexed, prefixBound(indexed)});
    if (rs->RecordCount() == 0)
        return found;
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
        if (!textWentOut(rs->value(QStringLiteral("CMGS"))))
            continue;
        const auto command = readUserCommand(rs->toTextOr(QStringLiteral("SMS_Text"), QString()));
        if (command && command->national == national)
            found.push_back({rs->value(QStringLiteral("ID")).toLongLong(), *command});
    }
    return found;
}

const QStringList &removalAnswerPhrases()
{
    // Stored texts are decoded: the Swedish form's first letter arrives as GSM code 0x7B.
    static const QStringList phrases = {
        QStringLiteral("er slettet"), QStringLiteral("finnes ikke"), QStringLiteral("findes ikke"),
        QStringLiteral("finns inte"),
        GsmCharTables::decode(QByteArray("\x7Br borttagen")) /* "är borttagen" */};
    return phrases;
}

int removalAnswersFrom(const std::shared_ptr<Connection> &db, const QString &unit,
                       const QString &national)
{
    auto rs = Recordset::open(db,
                              QStringLiteral("SELECT SMS_Text FROM SMS_Received WHERE "
                                             "trim(FraNummer) = ?1 AND instr(SMS_Text, ?2) > 0"),
                              {unit.trimmed(), national});
    int answers = 0;
    if (rs->RecordCount() == 0)
        return answers;
    static const QRegularExpression lineBreak(QStringLiteral("\\r?\\n"));
    for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
        const QString text = rs->toTextOr(QStringLiteral("SMS_Text"), QString());
        for (const QString &line : text.split(lineBreak)) {
            for (const QString &said : removalAnswerPhrases()) {
                const qsizetype at = line.indexOf(said);
                if (at <= 0)
                    continue;
                QString number = line.left(at).trimmed();
                if (number.startsWith(u'+'))
                    number = number.mid(3);
                if (number == national)
                    ++answers;
                break;
            }
        }
    }
    return answers;
}

namespace
{

// The commands that went out to the unit naming the user, newest first, each once.
std::vector<SentCommand> sentNaming(const std::shared_ptr<Connection> &db, const QString &unit,
                                    const QString &user, const QString &countryCode)
{
    std::vector<SentCommand> naming;
    // A removal carries every digit, a registration at most nine: both forms are looked for.
    for (const bool registration : {true, false}) {
        for (const SentCommand &sent : sentCommandsAt(db, unit, nationalOf(user, registration))) {
            const bool seen = std::any_of(naming.begin(), naming.end(),
                                          [&](const SentCommand &s) { return s.id == sent.id; });
            if (!seen && commandNames(sent.command, user, countryCode))
                naming.push_back(sent);
        }
    }
    std::sort(naming.begin(), naming.end(),
              [](const SentCommand &a, const SentCommand &b) { return a.id > b.id; });
    return naming;
}

} // namespace

bool unitMayHold(const std::shared_ptr<Connection> &db, const QString &unit, const QString &user,
                 const QString &countryCode)
{
    const QString t = user.trimmed();
    const std::vector<SentCommand> naming = sentNaming(db, unit, t, countryCode);
    if (naming.empty())
        return false;
    if (naming.front().command.registration)
        return true;
    // The unit reports the digits without a country code, so the removals of a national twin
    // count too: every one must have its answer.
    const QString national = naming.front().command.national;
    const std::vector<SentCommand> sent = sentCommandsAt(db, unit, national);
    const auto removals = std::count_if(
        sent.begin(), sent.end(), [](const SentCommand &s) { return !s.command.registration; });
    return removalAnswersFrom(db, unit, national) < removals;
}

bool rightMayBeHeld(const std::shared_ptr<Connection> &db, const QString &unit, const QString &user,
                    const QString &status, const QString &countryCode)
{
    return status.compare(QLatin1String("NY"), Qt::CaseInsensitive) != 0 ||
           unitMayHold(db, unit, user, countryCode);
}

std::optional<qint64> rightNamedBy(const std::shared_ptr<Connection> &db, const QString &unit,
                                   const UserCommand &command, const QString &countryCode,
                                   int *matches)
{
    // Only the rights whose number goes on with the command's digits can be named by it.
    auto rs = Recordset::open(db,
                              QStringLiteral("SELECT rid, KeyBruker FROM TBLbrukere WHERE "
                                             "trim(KeyNummer) = ?1 AND substr(trim(KeyBruker), 4) "
                                             ">= ?2 AND substr(trim(KeyBruker), 4) < ?3 ORDER BY "
                                             "rid"),
                              {unit.trimmed(), command.national, prefixBound(command.national)});
    std::optional<qint64> found;
    int count = 0;
    if (rs->RecordCount() > 0) {
        for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
            if (commandNames(command, rs->toTextOr(QStringLiteral("KeyBruker"), QString()),
                             countryCode)) {
                ++count;
                found = rs->value(QStringLiteral("rid")).toLongLong();
            }
        }
    }
    if (matches)
        *matches = count;
    return count == 1 ? found : std::nullopt;
}

} // namespace portiva
