#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace portiva
{

// Text rules the reply and listing blocks share, on the raw GSM text with 1-based positions.

// A phrase with GSM codes in it: each "%c" in pattern is replaced by the next code.
QString gsmPhrase(const char *pattern, std::initializer_list<char16_t> codes);
// Of several alternative phrases, the first position at or after from of any of them; 0 when
// none is there.
int firstOf(const QString &text, const QStringList &phrases, int from = 1);
// The national number written in front of the phrase at phrasePos: from the start of its line,
// blanks trimmed, a "+" and country code dropped. Nothing unless it is all digits, so a reply
// that cannot be read cleanly is applied to nobody.
std::optional<QString> numberBefore(const QString &text, int phrasePos);
// A user number a listing gives after "*": its first 8 characters digits, a 9th kept only when
// it is a digit too; nothing for anything else or for all zeros.
std::optional<QString> listedUser(const QString &candidate);
// A number without its "+" and two-digit country code; others as they are.
QString withoutCountryCode(const QString &number);
bool isDigitChar(QChar c);

} // namespace portiva
