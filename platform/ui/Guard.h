#pragma once

#include "platform/db/DbError.h"
#include "platform/phrase/FileTexts.h"
#include "platform/ui/Dialogs.h"
#include "platform/vb/Error.h"

#include <QString>
#include <exception>
#include <functional>
#include <new>
#include <stdexcept>
#include <utility>

namespace portiva
{

// The operator-visible description of a caught failure. The program's own failures (Error, a
// link's) carry their text in the chosen language; the standard library's logic errors are
// faults of the program, whose words are only a detail.
inline QString errorDescription(const std::exception &e)
{
    if (const auto *error = dynamic_cast<const Error *>(&e))
        return error->description();
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return outOfMemoryText();
    if (dynamic_cast<const std::runtime_error *>(&e))
        return QString::fromUtf8(e.what());
    return internalFailureText(QString::fromUtf8(e.what()));
}

// What a guarded step shows: the description, then on its own line the word naming the step.
inline QString guardedText(const QString &description, const QString &stepWord)
{
    return stepWord.isEmpty() ? description : description + QLatin1Char('\r') + stepWord;
}

// Runs fn; a failure ends it and is shown as the box textOf(description) builds (OK only,
// default title). Returns whether fn ran to its end. For the few steps whose message is
// not "description, line break, step word".
template <class Fn> bool guardedWith(const std::function<QString(const QString &)> &textOf, Fn &&fn)
{
    try {
        std::invoke(std::forward<Fn>(fn));
        return true;
    } catch (const std::exception &e) {
        dialogs().msgBox(textOf(errorDescription(e)));
    }
    return false;
}

// The error boundary of an event handler: a failure ends the handler and shows
// description + "\r" + stepWord (the description alone for an empty step word).
template <class Fn> bool guarded(const QString &stepWord, Fn &&fn)
{
    return guardedWith([&stepWord](const QString &d) { return guardedText(d, stepWord); },
                       std::forward<Fn>(fn));
}

template <class Fn> bool guarded(Fn &&fn)
{
    return guarded(QString(), std::forward<Fn>(fn));
}

// As guarded, for an operator's action whose own refusals already say what was not kept: a
// failure of the database file (a lock, a full disk) is told after what was not done, and
// *blocked says whether it was one of those, after which a reload would only fail again.
template <class Fn> bool guardedNotDone(const QString &notDone, Fn &&fn, bool *blocked = nullptr)
{
    try {
        std::invoke(std::forward<Fn>(fn));
        return true;
    } catch (const std::exception &e) {
        if (blocked)
            *blocked = isLockFailure(e) || isFullDiskFailure(e);
        dialogs().msgBox(databaseFailure(e) ? notDoneText(notDone, errorDescription(e))
                                            : errorDescription(e));
    }
    return false;
}

// A statement whose failure is skipped without a word, so the caller's next statement runs.
template <class Fn> bool skipOnError(Fn &&fn)
{
    try {
        std::invoke(std::forward<Fn>(fn));
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace portiva
