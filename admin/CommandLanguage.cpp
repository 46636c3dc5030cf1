#include "admin/CommandLanguage.h"

#include "programstate/Phrase.h"

#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"

#include <QRegularExpression>

namespace portiva
{

namespace
{

QString two(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Day codes of the opening-time lock modes, by list position from 3 on.
const int kTimedCodes[] = {5, 7, 4, 6, 1, 2, 3};

QString prefixed(const QString &number, const QString &countryCode, const char *home,
                 const char *foreign)
{
    return QString::fromLatin1(isHomeNumber(number, countryCode) ? home : foreign);
}

} // namespace

bool isHomeNumber(const QString &number, const QString &countryCode)
{
    return number.contains(QStringLiteral("+") + countryCode, Qt::CaseInsensitive);
}

bool isInternationalNumber(const QString &number)
{
    static const QRegularExpression form(
        QRegularExpression::anchoredPattern(QStringLiteral("\\+[0-9]+")));
    return form.match(number).hasMatch();
}

QString nationalNumber9(const QString &number)
{
    return number.mid(3, 9);
}

QString nationalNumberAll(const QString &number)
{
    return number.mid(3);
}

std::optional<QString> hourText(const QString &typed)
{
    const QString t = vb::Trim(typed);
    if (t.isEmpty() || t.size() > 2)
        return std::nullopt;
    for (QChar c : t) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const QString hour = t.size() == 1 ? QStringLiteral("0") + t : t;
    if (hour > QLatin1String("24"))
        return std::nullopt;
    return hour;
}

QString badHourText(const QString &typed)
{
    return phrase(u"Timen \"%1\" finnes ikke: skriv en time fra 00 til 24.",
                  u"Timen \"%1\" findes ikke: skriv en time fra 00 til 24.",
                  u"Timmen \"%1\" finns inte: skriv en timme från 00 till 24.")
        .arg(typed);
}

QString commandDateGroup(const QDate &date, const QString &hour)
{
    return two(date.year() % 100) + two(date.month()) + two(date.day()) + hour;
}

QString UserRegistrationCommand(const QString &number, const QString &countryCode,
                                const QDate &from, const QString &fromHour, const QDate &to,
                                const QString &toHour)
{
    return prefixed(number, countryCode, "I ", "i ") + nationalNumber9(number) + QLatin1Char('>') +
           commandDateGroup(from, fromHour) + QLatin1Char('<') + commandDateGroup(to, toHour);
}

QString UserRegistrationCommand(const QString &number, const QString &countryCode,
                                const QString &balance)
{
    return prefixed(number, countryCode, "I ", "i ") + nationalNumber9(number) + QLatin1Char('*') +
           balance;
}

QString UserRegistrationCommand(const QString &number, const QString &countryCode,
                                const QDate &from, const QString &fromHour, const QDate &to,
                                const QString &toHour, const QString &balance)
{
    if (vb::CDbl(balance) == 0)
        return UserRegistrationCommand(number, countryCode, from, fromHour, to, toHour);
    return UserRegistrationCommand(number, countryCode, balance);
}

QString UserRemovalCommand(const QString &number, const QString &countryCode)
{
    return prefixed(number, countryCode, "U ", "u ") + nationalNumberAll(number);
}

bool isRegistrationFor(const QString &text, const QString &number, const QString &countryCode)
{
    const QString head = prefixed(number, countryCode, "I ", "i ") + nationalNumber9(number);
    if (!text.startsWith(head, Qt::CaseInsensitive) || text.size() <= head.size())
        return false;
    const QChar next = text.at(head.size());
    return next == QLatin1Char('>') || next == QLatin1Char('*');
}

QString AdminRegisterCommand()
{
    return QStringLiteral("?");
}

QString AdminResetCommand()
{
    return QStringLiteral("AR");
}

QString AssistantAdminCommand(int n, const QString &admin)
{
    return QStringLiteral("A%1 ").arg(n) + admin;
}

QString OwnNumberCommand(const QString &egetNummer, const QString &keyNummer)
{
    if (egetNummer == QLatin1String("6") || egetNummer == QLatin1String("99999999"))
        return QStringLiteral("A6 ") + keyNummer;
    return QStringLiteral("A6 ") + egetNummer;
}

QString InOutTimesCommand(const QString &inStart, const QString &inStop, const QString &outStart,
                          const QString &outStop)
{
    return QStringLiteral("A7 ") + inStart + inStop + outStart + outStop;
}

QString KeyNameCommand(const QString &beskrivelse)
{
    if (beskrivelse.startsWith(QLatin1Char('!')))
        return QStringLiteral("B ") + beskrivelse;
    return QStringLiteral("B !") + beskrivelse;
}

QString AlarmFunctionCommand(int position)
{
    if (position < 0 || position > 8)
        throw Error(vb::errorDescription(vb::InvalidCall), vb::InvalidCall);
    return QStringLiteral("V") + QString::number(position);
}

QStringList alarmFunctionTexts()
{
    return {QStringLiteral("ALARM AV"),           QStringLiteral("ALARM PÅ"),
            QStringLiteral("Åpnet ved ALARM"),    QStringLiteral("Stengt ved ALARM"),
            QStringLiteral("Endebryter A"),       QStringLiteral("Endebryter B"),
            QStringLiteral("Endebr.A m/rapport"), QStringLiteral("Endebr.B m/rapport"),
            QStringLiteral("ALARM Enderbryter")};
}

QStringList lockModeTexts()
{
    return {QStringLiteral("Normal  (N)"),         QStringLiteral("Lukket  (L)"),
            QStringLiteral("Oppe    (O)"),         QStringLiteral("Oppe hverdager"),
            QStringLiteral("Oppe alle dager"),     QStringLiteral("Bistabil hverdager"),
            QStringLiteral("Bistabil alle dager"), QStringLiteral("Bare i dag"),
            QStringLiteral("Hverdager int. 2"),    QStringLiteral("Alle dager int. 2")};
}

bool lockModeIsTimed(int listIndex)
{
    return listIndex >= 3 && listIndex <= 9;
}

QString LockModeCommand(int listIndex)
{
    switch (listIndex) {
    case 0:
        return QStringLiteral("N");
    case 1:
        return QStringLiteral("L");
    case 2:
        return QStringLiteral("O");
    default:
        return QString();
    }
}

QString LockModeCommand(int listIndex, const QString &times)
{
    if (!lockModeIsTimed(listIndex))
        throw Error(vb::errorDescription(vb::InvalidCall), vb::InvalidCall);
    return QStringLiteral("O ") + times + QLatin1Char('*') +
           QString::number(kTimedCodes[listIndex - 3]);
}

QString PulseLengthCommand(const QString &pulslengde)
{
    return QStringLiteral("P ") + pulslengde;
}

QString FetchUsersCommand()
{
    return QStringLiteral("K");
}

QString KeyTextCommand(int n, const QString &text)
{
    return QStringLiteral("T%1 ").arg(n) + text;
}

QString LogRequestCommand(int count)
{
    return QStringLiteral("r") + QString::number(count);
}

} // namespace portiva
