#include "inbox/SmsText.h"

#include "platform/vb/Vb.h"

namespace portiva
{

int SmsText::inStr(int start, const QString &text, const QString &phrase)
{
    if (start < 1)
        return 0;
    return vb::InStr(start, text, phrase, true);
}

std::optional<QString> SmsText::mid(const QString &text, int start, int len)
{
    if (start < 1 || len < 0)
        return std::nullopt;
    return vb::Mid(text, start, len);
}

std::optional<QString> SmsText::mid(const QString &text, int start)
{
    if (start < 1)
        return std::nullopt;
    return vb::Mid(text, start);
}

QString SmsText::vbTrim(const QString &text)
{
    return vb::Trim(text);
}

bool SmsText::isDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace portiva
