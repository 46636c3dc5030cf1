#include "admin/KeyCommands.h"

#include "admin/CommandLanguage.h"
#include "platform/ui/Dialogs.h"
#include "platform/vb/Vb.h"

namespace portiva
{

using vb::Left;
using vb::Mid;

namespace
{

// The character at a 1-based position, or none past the end.
QChar at(const QString &s, int position)
{
    return position >= 1 && position <= s.size() ? s.at(position - 1) : QChar();
}

bool twoDigits(const QString &part)
{
    return part.size() == 2 && part.at(0).isDigit() && part.at(1).isDigit() &&
           part.at(0).unicode() < 128 && part.at(1).unicode() < 128;
}

} // namespace

QString normaliseOpeningTime(const QString &answer)
{
    QString s = answer;
    if (at(s, 2) == QLatin1Char(':'))
        s = QLatin1Char('0') + s;
    if (at(s, 2) == QLatin1Char('-'))
        s = QLatin1Char('0') + s;
    if (at(s, 3) == QLatin1Char('-'))
        s = Left(s, 2) + QStringLiteral(":00") + Mid(s, 3, 10);
    if (at(s, 8) == QLatin1Char(':'))
        s = Left(s, 6) + QLatin1Char('0') + Mid(s, 7, 10);
    if (s.size() == 7)
        s = Left(s, 6) + QLatin1Char('0') + Mid(s, 7, 10);
    if (s.size() == 8)
        s += QStringLiteral(":00");
    return s;
}

OpeningTimeCheck checkOpeningTime(const QString &timeText)
{
    const QString parts[] = {Mid(timeText, 1, 2), Mid(timeText, 4, 2), Mid(timeText, 7, 2),
                             Mid(timeText, 10, 2)};
    for (const QString &part : parts) {
        // A sign or a blank is no hour: "-1" or " 7" would go to the unit as typed.
        if (!twoDigits(part))
            return OpeningTimeCheck::NotDigits;
    }
    const bool inRange = parts[0].toInt() < 24 && parts[1].toInt() < 60 && parts[2].toInt() < 24 &&
                         parts[3].toInt() < 60;
    const bool separated = at(timeText, 3) == QLatin1Char(':') &&
                           at(timeText, 6) == QLatin1Char('-') &&
                           at(timeText, 9) == QLatin1Char(':');
    return inRange && separated ? OpeningTimeCheck::Valid : OpeningTimeCheck::OutOfRange;
}

QString timedLockModeCommand(const QString &timeText, KeyModel model, int position)
{
    if (model == KeyModel::MinuteModel)
        return LockModeCommand(position, timeText);
    if (model == KeyModel::HourModel)
        return LockModeCommand(position,
                               Mid(timeText, 1, 2) + QLatin1Char('-') + Mid(timeText, 7, 2));
    return QString();
}

QString openingTimeExample(KeyModel model)
{
    const QString blanks(11, QLatin1Char(' '));
    return blanks +
           (model == KeyModel::HourModel ? QStringLiteral("07-16") : QStringLiteral("07:45-16:15"));
}

QString askOpeningTime(Dialogs &dialogs, KeyModel model, int position, const QString &prompt,
                       const QString &title)
{
    const QString text = prompt + QStringLiteral("\r\n\r\n") + openingTimeExample(model);
    for (;;) {
        const std::optional<QString> answer = dialogs.inputBox(text, title, QString());
        if (!answer || answer->isEmpty())
            return QString();
        if (model != KeyModel::HourModel && model != KeyModel::MinuteModel)
            return QString();
        const QString s = normaliseOpeningTime(*answer);
        switch (checkOpeningTime(s)) {
        case OpeningTimeCheck::Valid:
            return timedLockModeCommand(s, model, position);
        case OpeningTimeCheck::OutOfRange:
            dialogs.beep();
            break;
        case OpeningTimeCheck::NotDigits:
            break;
        }
    }
}

} // namespace portiva
