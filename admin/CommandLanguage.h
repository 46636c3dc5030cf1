#pragma once

// The texts the key units understand. Every SMS to a unit is one of these, or an operator's
// free text; fields are inserted as held (no trimming, padding or change of case), since the
// units read them character by character.

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace portiva
{

// A user number is a home number when it holds "+" and the home country code anywhere.
bool isHomeNumber(const QString &number, const QString &countryCode);
// The one form every stored number takes: "+" followed by digits, nothing else.
bool isInternationalNumber(const QString &number);
// The national number a registration carries: from the 4th character, at most 9 characters.
QString nationalNumber9(const QString &number);
// The national number a removal carries: from the 4th character to the end.
QString nationalNumberAll(const QString &number);

// An hour of a right as the units read it: "00" to "24", a single digit (blanks around it
// allowed) taken as its two-digit form. None for anything else: "25" or "7a" would make a date
// group the unit ignores.
std::optional<QString> hourText(const QString &typed);
// The refusal of a typed hour that hourText does not take.
QString badHourText(const QString &typed);

// YYMMDDHH: year mod 100, month and day padded to two digits, then the hour text as held.
QString commandDateGroup(const QDate &date, const QString &hour);

// Registration for a validity window ("I 12345678>09051000<09051224").
QString UserRegistrationCommand(const QString &number, const QString &countryCode,
                                const QDate &from, const QString &fromHour, const QDate &to,
                                const QString &toHour);
// Registration against a balance ("I 12345678*10"), the balance text as held.
QString UserRegistrationCommand(const QString &number, const QString &countryCode,
                                const QString &balance);
// The one rule both callers use: a balance that reads as 0 means a validity window. Throws
// when the balance does not read as a number.
QString UserRegistrationCommand(const QString &number, const QString &countryCode,
                                const QDate &from, const QString &fromHour, const QDate &to,
                                const QString &toHour, const QString &balance);
QString UserRemovalCommand(const QString &number, const QString &countryCode);
// Whether a queued text is a registration of that user (either form), whatever its case.
bool isRegistrationFor(const QString &text, const QString &number, const QString &countryCode);

QString AdminRegisterCommand();
QString AdminResetCommand();
// n = 1..5
QString AssistantAdminCommand(int n, const QString &admin);
// "6" and "99999999" stand for an own number never set: the unit's own KeyNummer goes instead.
QString OwnNumberCommand(const QString &egetNummer, const QString &keyNummer);
QString InOutTimesCommand(const QString &inStart, const QString &inStop, const QString &outStart,
                          const QString &outStop);
QString KeyNameCommand(const QString &beskrivelse);
// position 0..8 in the alarm-function list
QString AlarmFunctionCommand(int position);
// The lock-mode list: 0..2 fixed modes, 3..9 opening-time modes with their day codes.
QStringList lockModeTexts();
bool lockModeIsTimed(int listIndex);
// The fixed command ("N", "L", "O") for 0..2; "" for the timed ones.
QString LockModeCommand(int listIndex);
// "O " & times & "*" & the mode's day code, for 3..9.
QString LockModeCommand(int listIndex, const QString &times);
QStringList alarmFunctionTexts();
QString PulseLengthCommand(const QString &pulslengde);
QString FetchUsersCommand();
// n = 1..6
QString KeyTextCommand(int n, const QString &text);
// count = 5, 10, 25, 50 or 100
QString LogRequestCommand(int count);

} // namespace portiva
