#include "platform/vb/Vb.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace portiva::vb
{

namespace
{

bool isPlaceholder(QChar c)
{
    return c == u'0' || c == u'#' || c == u'.';
}

// Digits of |value| rounded half away from zero to the given decimals.
QString roundedDigits(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // The small nudge keeps decimal halves such as 0.125 that binary stores just below .5.
    const double scaled = std::floor(std::fabs(value) * scale * (1 + 1e-13) + 0.5);
    QString digits = QString::number(scaled, 'f', 0);
    if (digits.size() <= decimals)
        digits = QString(decimals + 1 - digits.size(), u'0') + digits;
    return digits;
}

QString formatDigits(double value, const QString &body)
{
    const qsizetype dot = body.indexOf(u'.');
    const QString intPart = dot < 0 ? body : body.left(dot);
    const QString fracPart = dot < 0 ? QString() : body.mid(dot + 1);
    const int decimals = static_cast<int>(fracPart.size());
    const int minDecimals = static_cast<int>(fracPart.count(u'0'));
    const int minInt = static_cast<int>(intPart.count(u'0'));

    const QString digits = roundedDigits(value, decimals);
    QString whole = digits.left(digits.size() - decimals);
    QString frac = digits.right(decimals);
    while (frac.size() > minDecimals && frac.endsWith(u'0'))
        frac.chop(1);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole == u"0" && minInt == 0)
        whole.clear();
    if (whole.size() < minInt)
        whole = QString(minInt - whole.size(), u'0') + whole;
    QString text = whole;
    if (!frac.isEmpty() || (dot >= 0 && minDecimals > 0))
        text += u'.' + frac;
    const bool negative = value < 0 && digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return negative ? u'-' + text : text;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString dateToken(QChar letter, int count, const QDateTime &dt, bool minute)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    const QLocale c = QLocale::c();
    switch (letter.unicode()) {
    case u'd':
        if (count == 1)
            return QString::number(d.day());
        if (count == 2)
            return twoDigits(d.day());
        if (count == 3)
            return c.dayName(d.dayOfWeek(), QLocale::ShortFormat);
        if (count == 4)
            return c.dayName(d.dayOfWeek(), QLocale::LongFormat);
        return shortDateText(d);
    case u'm':
        if (minute)
            return count == 1 ? QString::number(t.minute()) : twoDigits(t.minute());
        if (count == 1)
            return QString::number(d.month());
        if (count == 2)
            return twoDigits(d.month());
        return c.monthName(d.month(), count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
    case u'y':
        if (count <= 2)
            return count == 1 ? QString::number(d.dayOfYear()) : twoDigits(d.year() % 100);
        return QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
    case u'h':
        return count == 1 ? QString::number(t.hour()) : twoDigits(t.hour());
    case u'n':
        return count == 1 ? QString::number(t.minute()) : twoDigits(t.minute());
    case u's':
        return count == 1 ? QString::number(t.second()) : twoDigits(t.second());
    }
    return {};
}

struct Token {
    QChar letter; // null for a literal
    int count = 0;
    QString literal;
};

QList<Token> tokenize(const QString &pattern)
{
    QList<Token> tokens;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i).toLower();
        if (QStringLiteral("dmyhns").contains(c)) {
            qsizetype j = i;
            while (j < pattern.size() && pattern.at(j).toLower() == c)
                ++j;
            tokens.append({c, static_cast<int>(j - i), {}});
            i = j;
        } else if (pattern.at(i) == u'"') {
            const qsizetype end = pattern.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            tokens.append({QChar(), 0, pattern.mid(i + 1, stop - i - 1)});
            i = stop + 1;
        } else if (pattern.at(i) == u'\\' && i + 1 < pattern.size()) {
            tokens.append({QChar(), 0, pattern.mid(i + 1, 1)});
            i += 2;
        } else {
            tokens.append({QChar(), 0, pattern.mid(i, 1)});
            ++i;
        }
    }
    return tokens;
}

// "m" is the minute right after an hour or right before a second, as the runtime reads it.
bool isMinute(const QList<Token> &tokens, qsizetype at)
{
    for (qsizetype i = at - 1; i >= 0; --i) {
        if (!tokens.at(i).letter.isNull()) {
            if (tokens.at(i).letter == u'h')
                return true;
            break;
        }
    }
    for (qsizetype i = at + 1; i < tokens.size(); ++i) {
        if (!tokens.at(i).letter.isNull())
            return tokens.at(i).letter == u's';
    }
    return false;
}

} // namespace

QString Format(double value, const QString &pattern)
{
    const qsizetype first = [&] {
        for (qsizetype i = 0; i < pattern.size(); ++i) {
            if (isPlaceholder(pattern.at(i)))
                return i;
        }
        return qsizetype(-1);
    }();
    if (first < 0)
        return pattern.isEmpty() ? numberText(value) : pattern;
    qsizetype last = first;
    while (last < pattern.size() && isPlaceholder(pattern.at(last)))
        ++last;
    return pattern.left(first) + formatDigits(value, pattern.mid(first, last - first)) +
           pattern.mid(last);
}

QString Format(const QDateTime &value, const QString &pattern)
{
    const QString named = pattern.toLower();
    if (named == u"short date")
        return shortDateText(value.date());
    if (named == u"short time")
        return Format(value, QStringLiteral("hh:nn"));
    if (named == u"long time")
        return Format(value, QStringLiteral("hh:nn:ss"));
    if (named == u"general date") {
        const QString date = shortDateText(value.date());
        if (value.time().msecsSinceStartOfDay() == 0)
            return date;
        return date + u' ' + Format(value, QStringLiteral("hh:nn:ss"));
    }
    const QList<Token> tokens = tokenize(pattern);
    QString out;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token &t = tokens.at(i);
        out += t.letter.isNull() ? t.literal
                                 : dateToken(t.letter, t.count, value, isMinute(tokens, i));
    }
    return out;
}

QString Format(const QDate &value, const QString &pattern)
{
    return Format(QDateTime(value, QTime(0, 0)), pattern);
}

} // namespace portiva::vb
