#pragma once

#include <QString>
#include <optional>

namespace portiva
{

// Text rules of the received-SMS interpretation: 1-based positions, 0 = not found, and
// comparisons without regard to case, on the raw GSM text.
class SmsText
{
public:
    // Position of phrase in text from start (1-based); 0 when absent or start < 1.
    static int inStr(int start, const QString &text, const QString &phrase);
    static int inStr(const QString &text, const QString &phrase) { return inStr(1, text, phrase); }
    // Characters of text from start (1-based); refused (nullopt) for start < 1 or len < 0,
    // where QString::mid would quietly read something else.
    static std::optional<QString> mid(const QString &text, int start, int len);
    static std::optional<QString> mid(const QString &text, int start);
    // Blanks only: a line feed at either end belongs to the text.
    static QString vbTrim(const QString &text);
    // Non-empty and nothing but the digits 0-9.
    static bool isDigits(const QString &text);
};

} // namespace portiva
