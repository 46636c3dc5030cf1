#pragma once

// The language runtime's string, number and date rules that stored data and the key units'
// texts depend on. Failures throw portiva::Error with the runtime's number and description.

#include "platform/vb/Error.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace portiva::vb
{

// The runtime's error numbers; their descriptions are told in the chosen language.
enum ErrorNumber {
    InvalidCall = 5,
    Overflow = 6,
    TypeMismatch = 13,
    InvalidNull = 94,
    SubscriptOutOfRange = 9,
    InvalidPropertyValue = 380,
    InvalidPicture = 481,
    PrinterError = 482,
    // The data layer's "not in the collection", raised for an unknown column by name.
    ItemNotFound = 3265,
};
QString errorDescription(int number);
[[noreturn]] void raise(int number);

// ---- numbers ----

// Leading number of a text: blanks, tabs and line feeds are skipped anywhere, "." is the only
// decimal point, "&H"/"&O" prefixes are read, nothing readable gives 0. Never fails.
double Val(const QString &text);

// Conversion of a value to a number as the runtime coerces it: numbers as they are, Booleans
// -1/0, dates as day numbers, text that wholly reads as a number (blanks at either end allowed;
// "." or the number locale's decimal separator; "True"/"False" any case). Null → error 94,
// unreadable text → error 13.
double CDbl(const QVariant &value);
// The same, then rounded half to even and checked against the type's range (error 6).
int CInt(const QVariant &value);     // -32768 … 32767
qint32 CLng(const QVariant &value);  // 32-bit
quint8 CByte(const QVariant &value); // 0 … 255
// Booleans: "True"/"False" any case, or any number (non-zero = True); else error 13.
bool CBool(const QVariant &value);
// True when CDbl would succeed on the value.
bool IsNumeric(const QVariant &value);

// Rounds half to the even neighbour (the runtime's CInt/CLng/Round).
double roundHalfEven(double value);

// The runtime's text of a number (CStr): 7 → "7", 2.5 → "2.5", -0.25 → "-0.25", at most 15
// significant digits, 1E+15 and 1E-05 beyond the plain range.
QString numberText(double value);

// Format(value, pattern) for the patterns the program uses.
// Numbers: digit placeholders "0" (always shown) and "#" (shown when significant), an optional
// "." with decimals, e.g. "0", "00", "0.00", "#0.0"; halves round away from zero.
QString Format(double value, const QString &pattern);
// Dates and times: d dd ddd dddd, m mm mmm mmmm (minutes after h or before s), yy yyyy, h hh,
// n nn, s ss; other characters are copied. Named patterns "Short Date", "General Date",
// "Short Time" ("hh:nn"), "Long Time" ("hh:nn:ss").
QString Format(const QDateTime &value, const QString &pattern);
QString Format(const QDate &value, const QString &pattern);

// ---- dates ----

// Day numbers (the runtime's date serials): whole days since 1899-12-30.
int dayNumber(const QDate &date);
QDate dateFromDayNumber(int dayNumber);

// The system's short date: the numeric short date of QLocale::system() with a four-digit year.
// A C or POSIX locale counts as Norwegian ("dd.MM.yyyy"); a locale whose short date is not day
// first is written day, month, year with its own separator, so validity-text readers read it.
QString shortDatePattern();
QString shortDateText(const QDate &date);
// The rule above for a given locale (the system one is the only one the program uses).
QString shortDatePatternFor(const QLocale &locale);

// Validity texts of user rights: "d/M/yyyy", built from the date's numbers.
QString validityDateText(const QDate &date);
// Day, month, year separated by "/", "." or "-", blanks at either end allowed; a two-digit year
// is 20yy. An impossible date or any other text gives an invalid QDate.
QDate parseValidityDate(const QString &text);

// ---- strings (1-based, as the runtime counts) ----

QString Trim(const QString &text); // spaces only, never tabs or line breaks
QString LTrim(const QString &text);
QString RTrim(const QString &text);
QString UCase(const QString &text);
QString LCase(const QString &text);
// Position of find in text from start, 0 when absent; start < 1 → error 5. An empty find gives
// start while start <= length + 1. textCompare ignores case.
int InStr(int start, const QString &text, const QString &find, bool textCompare = false);
// Characters from start (start past the end gives ""); start < 1 or length < 0 → error 5.
QString Mid(const QString &text, int start);
QString Mid(const QString &text, int start, int length);
QString Left(const QString &text, int length);  // length < 0 → error 5
QString Right(const QString &text, int length); // length < 0 → error 5

// ---- Booleans ----

QString boolText(bool value); // "True" / "False"
int boolValue(bool value);    // -1 / 0

} // namespace portiva::vb
