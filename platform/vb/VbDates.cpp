#include "platform/vb/Vb.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace portiva::vb
{

namespace
{

const QDate &dayZero()
{
    static const QDate zero(1899, 12, 30);
    return zero;
}

struct DateField {
    QChar letter; // 'd', 'M' or 'y'
    int count = 0;
};

// The numeric fields of a locale's short date and the first separator found between them.
QList<DateField> dateFields(const QString &pattern, QChar &separator)
{
    QList<DateField> fields;
    separator = QChar();
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (!quoted && (c == u'd' || c == u'M' || c == u'y')) {
            qsizetype j = i;
            while (j < pattern.size() && pattern.at(j) == c)
                ++j;
            fields.append({c, static_cast<int>(j - i)});
            i = j;
            continue;
        }
        if (fields.size() == 1 && separator.isNull() && !c.isSpace())
            separator = c;
        ++i;
    }
    return fields;
}

QString fieldPattern(const QList<DateField> &fields, QChar letter)
{
    for (const DateField &f : fields) {
        if (f.letter == letter)
            return f.count >= 2 ? QString(2, letter) : QString(letter);
    }
    return QString(2, letter);
}

} // namespace

int dayNumber(const QDate &date)
{
    return static_cast<int>(dayZero().daysTo(date));
}

QDate dateFromDayNumber(int dayNumber)
{
    return dayZero().addDays(dayNumber);
}

QString shortDatePatternFor(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QStringLiteral("dd.MM.yyyy");
    QChar separator;
    const QList<DateField> fields = dateFields(locale.dateFormat(QLocale::ShortFormat), separator);
    // Readers of these texts accept only "/", "." and "-" between the numbers.
    if (separator.isNull() || !QStringLiteral("/.-").contains(separator))
        separator = u'.';
    // Always day, month, four-digit year: readers take the first number as the day.
    return fieldPattern(fields, u'd') + separator + fieldPattern(fields, u'M') + separator +
           QStringLiteral("yyyy");
}

QString shortDatePattern()
{
    return shortDatePatternFor(QLocale::system());
}

QString shortDateText(const QDate &date)
{
    return QLocale::c().toString(date, shortDatePattern());
}

QString validityDateText(const QDate &date)
{
    return QStringLiteral("%1/%2/%3")
        .arg(date.day())
        .arg(date.month())
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QDate parseValidityDate(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,2})[/.\\-](\\d{1,2})[/.\\-](\\d{4}|\\d{2})$"));
    const QRegularExpressionMatch m = form.match(Trim(text));
    if (!m.hasMatch())
        return {};
    int year = m.captured(3).toInt();
    if (m.capturedLength(3) == 2)
        year += 2000;
    return QDate(year, m.captured(2).toInt(), m.captured(1).toInt()); // invalid when impossible
}

} // namespace portiva::vb
