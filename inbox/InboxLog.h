#pragma once

#include "platform/vb/Error.h"

#include <QLoggingCategory>
#include <exception>

namespace portiva
{

Q_DECLARE_LOGGING_CATEGORY(lcInbox)

// Runs one step of the received-SMS handling, which shows the operator nothing: a failure is
// written to the log and the caller goes on without that step. False when it failed.
template <class Fn> bool containedStep(const char *what, Fn &&fn)
{
    try {
        fn();
        return true;
    } catch (const Error &e) {
        qCWarning(lcInbox).noquote() << what << ":" << e.description();
    } catch (const std::exception &e) {
        qCWarning(lcInbox).noquote() << what << ":" << e.what();
    }
    return false;
}

} // namespace portiva
