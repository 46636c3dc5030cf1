#include "platform/vb/Vb.h"

#include "platform/phrase/Phrase.h"

#include <QLocale>
#include <cmath>

namespace portiva::vb
{

// The runtime's failures in the operator's words: what was wrong, and that nothing was done.
QString errorDescription(int number)
{
    switch (number) {
    case InvalidCall:
        return phrase(u"Ugyldig verdi, så handlingen ble ikke utført.",
                      u"Ugyldig værdi, så handlingen blev ikke udført.",
                      u"Ogiltigt värde, så åtgärden utfördes inte.");
    case Overflow:
        return phrase(u"Tallet er for stort, så det ble ikke brukt.",
                      u"Tallet er for stort, så det blev ikke brugt.",
                      u"Talet är för stort, så det användes inte.");
    case TypeMismatch:
        return phrase(u"Verdien er ikke av riktig slag (for eksempel tekst der et tall eller en "
                      u"dato skulle stå), så den ble ikke brukt.",
                      u"Værdien er ikke af den rigtige slags (for eksempel tekst, hvor der skulle "
                      u"stå et tal eller en dato), så den blev ikke brugt.",
                      u"Värdet är inte av rätt slag (till exempel text där ett tal eller ett datum "
                      u"skulle stå), så det användes inte.");
    case InvalidNull:
        return phrase(u"Et tomt felt kan ikke brukes her, så ingenting ble gjort.",
                      u"Et tomt felt kan ikke bruges her, så intet blev gjort.",
                      u"Ett tomt fält kan inte användas här, så ingenting gjordes.");
    case SubscriptOutOfRange:
        return phrase(u"Det finnes ingen slik plass i listen, så ingenting ble gjort.",
                      u"Der findes ingen sådan plads i listen, så intet blev gjort.",
                      u"Det finns ingen sådan plats i listan, så ingenting gjordes.");
    case InvalidPropertyValue:
        return phrase(u"Verdien kan ikke brukes for denne innstillingen, så den er ikke endret.",
                      u"Værdien kan ikke bruges til denne indstilling, så den er ikke ændret.",
                      u"Värdet kan inte användas för den här inställningen, så den har inte "
                      u"ändrats.");
    case InvalidPicture:
        return phrase(u"Bildet kan ikke leses, så det er ikke vist.",
                      u"Billedet kan ikke læses, så det er ikke vist.",
                      u"Bilden kan inte läsas, så den visas inte.");
    case PrinterError:
        return phrase(u"Skriveren meldte en feil, så utskriften er ikke fullført.",
                      u"Printeren meldte en fejl, så udskriften er ikke fuldført.",
                      u"Skrivaren meddelade ett fel, så utskriften har inte slutförts.");
    case ItemNotFound:
        return phrase(u"Feltet eller elementet finnes ikke, så det ble ikke lest.",
                      u"Feltet eller elementet findes ikke, så det blev ikke læst.",
                      u"Fältet eller elementet finns inte, så det lästes inte.");
    default:
        return phrase(u"Handlingen ble ikke utført (feil %1).",
                      u"Handlingen blev ikke udført (fejl %1).",
                      u"Åtgärden utfördes inte (fel %1).")
            .arg(number);
    }
}

void raise(int number)
{
    throw Error(errorDescription(number), number);
}

namespace
{

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int hexDigit(QChar c)
{
    if (isDigit(c))
        return c.unicode() - u'0';
    const QChar l = c.toLower();
    if (l >= u'a' && l <= u'f')
        return l.unicode() - u'a' + 10;
    return -1;
}

// "&H..." / "&O..." read from pos; the runtime treats a value that fits 16 bits (and then 32)
// as a signed one, so &HFFFF is -1.
bool readRadix(const QString &s, qsizetype &pos, double &out, bool wholeOnly)
{
    if (pos + 1 >= s.size() || s.at(pos) != u'&')
        return false;
    const QChar kind = s.at(pos + 1).toUpper();
    const int radix = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
    if (radix == 0)
        return false;
    qsizetype i = pos + 2;
    quint64 v = 0;
    int digits = 0;
    for (; i < s.size(); ++i) {
        const int d = hexDigit(s.at(i));
        if (d < 0 || d >= radix)
            break;
        v = v * radix + d;
        ++digits;
        if (v > 0xFFFFFFFFull)
            return false;
    }
    if (digits == 0 || (wholeOnly && i != s.size()))
        return false;
    if (v <= 0xFFFF)
        out = static_cast<qint16>(v);
    else
        out = static_cast<qint32>(v);
    pos = i;
    return true;
}

// Sign, digits, one decimal point (any of decimals), exponent E or D. Returns the end of the
// longest readable prefix, or -1 when no digit was read.
qsizetype scanDecimal(const QString &s, qsizetype pos, const QString &decimals, QString &canonical)
{
    canonical.clear();
    qsizetype i = pos;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        canonical += s.at(i++);
    int mantissa = 0;
    while (i < s.size() && isDigit(s.at(i))) {
        canonical += s.at(i++);
        ++mantissa;
    }
    if (i < s.size() && decimals.contains(s.at(i))) {
        ++i;
        canonical += u'.';
        while (i < s.size() && isDigit(s.at(i))) {
            canonical += s.at(i++);
            ++mantissa;
        }
    }
    if (mantissa == 0)
        return -1;
    if (i < s.size() && QStringLiteral("eEdD").contains(s.at(i))) {
        qsizetype j = i + 1;
        QString exp = QStringLiteral("e");
        if (j < s.size() && (s.at(j) == u'+' || s.at(j) == u'-'))
            exp += s.at(j++);
        const qsizetype digitsStart = j;
        while (j < s.size() && isDigit(s.at(j)))
            exp += s.at(j++);
        if (j > digitsStart) {
            canonical += exp;
            i = j;
        }
    }
    return i;
}

// The decimal separator a typed number may use besides ".": the locale of the short date, a C
// or POSIX locale counting as Norwegian.
QString localeDecimal()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QStringLiteral(",");
    return system.decimalPoint();
}

double textToNumber(const QString &raw)
{
    const QString s = raw.trimmed();
    if (s.compare(u"True", Qt::CaseInsensitive) == 0)
        return -1;
    if (s.compare(u"False", Qt::CaseInsensitive) == 0)
        return 0;
    double value = 0;
    qsizetype pos = 0;
    if (readRadix(s, pos, value, true))
        return value;
    QString canonical;
    const qsizetype end = scanDecimal(s, 0, QStringLiteral(".") + localeDecimal(), canonical);
    if (end != s.size())
        raise(TypeMismatch);
    bool ok = false;
    value = canonical.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        raise(Overflow);
    return value;
}

double rangeChecked(double rounded, double low, double high)
{
    if (!(rounded >= low && rounded <= high))
        raise(Overflow);
    return rounded;
}

} // namespace

double Val(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            s += c;
    }
    double value = 0;
    qsizetype pos = 0;
    if (readRadix(s, pos, value, false))
        return value;
    QString canonical;
    if (scanDecimal(s, 0, QStringLiteral("."), canonical) < 0)
        return 0;
    bool ok = false;
    value = canonical.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

double CDbl(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        raise(InvalidNull);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QString:
        return textToNumber(value.toString());
    case QMetaType::QByteArray:
        return textToNumber(QString::fromUtf8(value.toByteArray()));
    case QMetaType::QDate:
        return dayNumber(value.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dayNumber(dt.date()) + dt.time().msecsSinceStartOfDay() / 86400000.0;
    }
    default:
        raise(TypeMismatch);
    }
}

bool IsNumeric(const QVariant &value)
{
    try {
        CDbl(value);
        return true;
    } catch (const Error &) {
        return false;
    }
}

double roundHalfEven(double value)
{
    // nearbyint follows the default rounding mode, which is to nearest with ties to even.
    return std::nearbyint(value);
}

int CInt(const QVariant &value)
{
    return static_cast<int>(rangeChecked(roundHalfEven(CDbl(value)), -32768, 32767));
}

qint32 CLng(const QVariant &value)
{
    return static_cast<qint32>(
        rangeChecked(roundHalfEven(CDbl(value)), -2147483648.0, 2147483647.0));
}

quint8 CByte(const QVariant &value)
{
    return static_cast<quint8>(rangeChecked(roundHalfEven(CDbl(value)), 0, 255));
}

bool CBool(const QVariant &value)
{
    if (value.isValid() && value.typeId() == QMetaType::Bool)
        return value.toBool();
    return CDbl(value) != 0;
}

QString numberText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also -0
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return QString::number(static_cast<qlonglong>(value));
    // %g with 15 significant digits switches to the exponent form where the runtime does.
    QString text = QString::number(value, 'g', 15);
    return text.replace(u'e', u'E');
}

QString Trim(const QString &text)
{
    return RTrim(LTrim(text));
}

QString LTrim(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return text.mid(i);
}

QString RTrim(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return text.left(n);
}

QString UCase(const QString &text)
{
    return text.toUpper();
}

QString LCase(const QString &text)
{
    return text.toLower();
}

int InStr(int start, const QString &text, const QString &find, bool textCompare)
{
    if (start < 1)
        raise(InvalidCall);
    if (text.isEmpty())
        return 0;
    if (find.isEmpty())
        return start <= text.size() + 1 ? start : 0;
    if (start > text.size())
        return 0;
    const qsizetype at =
        text.indexOf(find, start - 1, textCompare ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return at < 0 ? 0 : static_cast<int>(at) + 1;
}

QString Mid(const QString &text, int start)
{
    if (start < 1)
        raise(InvalidCall);
    return start > text.size() ? QString() : text.mid(start - 1);
}

QString Mid(const QString &text, int start, int length)
{
    if (start < 1 || length < 0)
        raise(InvalidCall);
    return start > text.size() ? QString() : text.mid(start - 1, length);
}

QString Left(const QString &text, int length)
{
    if (length < 0)
        raise(InvalidCall);
    return text.left(length);
}

QString Right(const QString &text, int length)
{
    if (length < 0)
        raise(InvalidCall);
    return text.right(length);
}

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

int boolValue(bool value)
{
    return value ? -1 : 0;
}

} // namespace portiva::vb
