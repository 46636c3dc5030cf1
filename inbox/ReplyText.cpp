#include "inbox/ReplyText.h"

#include "inbox/SmsText.h"

namespace portiva
{

QString gsmPhrase(const char *pattern, std::initializer_list<char16_t> codes)
{
    QString out;
    auto code = codes.begin();
    for (const char *p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 'c' && code != codes.end()) {
            out += QChar(*code++);
            ++p;
        } else {
            out += QLatin1Char(*p);
        }
    }
    return out;
}

int firstOf(const QString &text, const QStringList &phrases, int from)
{
    int best = 0;
    for (const QString &phrase : phrases) {
        const int at = SmsText::inStr(from, text, phrase);
        if (at > 0 && (best == 0 || at < best))
            best = at;
    }
    return best;
}

bool isDigitChar(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QString withoutCountryCode(const QString &number)
{
    return number.startsWith(u'+') ? number.mid(3) : number;
}

std::optional<QString> numberBefore(const QString &text, int phrasePos)
{
    if (phrasePos <= 1) // nothing stands in front of the phrase
        return std::nullopt;
    const int lineStart = text.lastIndexOf(u'\n', phrasePos - 2) + 2; // 1-based, after the LF
    const QString number = withoutCountryCode(
        SmsText::vbTrim(SmsText::mid(text, lineStart, phrasePos - lineStart).value_or(QString())));
    if (!SmsText::isDigits(number))
        return std::nullopt;
    return number;
}

std::optional<QString> listedUser(const QString &candidate)
{
    if (candidate.size() < 8)
        return std::nullopt;
    for (int i = 0; i < 8; ++i) {
        if (!isDigitChar(candidate.at(i)))
            return std::nullopt;
    }
    const QString user =
        candidate.size() > 8 && !isDigitChar(candidate.at(8)) ? candidate.left(8) : candidate;
    for (QChar c : user) {
        if (c != u'0')
            return user;
    }
    return std::nullopt;
}

} // namespace portiva
