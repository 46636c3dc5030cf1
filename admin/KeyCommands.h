#pragma once

// The opening-time input of the timed lock modes: the operator's answer, normalised and
// checked, becomes the time part of the lock-mode command.

#include <QString>

namespace portiva
{

class Dialogs;

// The unit model chosen in the properties window; it decides how a timed lock mode's opening
// time is sent. None until the operator picks one.
enum class KeyModel { None = -1, HourModel = 0, MinuteModel = 1, SilentModel = 2 };

// The operator's answer brought to hh:mm-hh:mm: a missing leading zero or missing minutes are
// filled in; characters past the 11th are kept as typed.
QString normaliseOpeningTime(const QString &answer);

enum class OpeningTimeCheck {
    Valid,
    OutOfRange, // digits in place, but an hour of 24 or more, a minute of 60 or more, or a
                // separator missing
    NotDigits,  // one of the four two-character parts is not two digits
};
// Only the first 11 characters of a normalised time are examined.
OpeningTimeCheck checkOpeningTime(const QString &timeText);

// "O " & time & code for a valid normalised time: hh-hh for the hour model (the minutes are
// dropped), the whole text for the minute model, "" for any other model.
QString timedLockModeCommand(const QString &timeText, KeyModel model, int position);

// The example under the prompt of the opening-time box.
QString openingTimeExample(KeyModel model);

// Asks for the opening time of a timed lock mode until the answer is valid (the command), or
// empty or cancelled (""). A model other than hour or minute ends after any answer with "".
// Out-of-range answers beep before the box comes again; answers that are not digits do not.
QString askOpeningTime(Dialogs &dialogs, KeyModel model, int position, const QString &prompt,
                       const QString &title);

} // namespace portiva
