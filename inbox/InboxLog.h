#pragma once

#include "platform/db/DbError.h"
#include "platform/vb/Error.h"

#include <QLoggingCategory>
#include <exception>

namespace portiva
{

Q_DECLARE_LOGGING_CATEGORY(lcInbox)

// How many steps so far failed only because the database could not be written at that moment
// (another workstation's lock, a full disk), as against a refusal of the step's own rows. A
// received SMS whose handling met one is taken again, whole, at a later listing.
inline quint64 &passingDatabaseFailures()
{
    static quint64 count = 0;
    return count;
}

inline bool passesOver(const std::exception &e)
{
    const DatabaseError *db = databaseFailure(e);
    return db &&
           (db->kind() == DatabaseError::Kind::Locked || db->kind() == DatabaseError::Kind::Full);
}

// Runs one step of the received-SMS handling, which shows the operator nothing: a failure is
// written to the log and the caller goes on without that step. False when it failed.
template <class Fn> bool containedStep(const char *what, Fn &&fn)
{
    try {
        fn();
        return true;
    } catch (const Error &e) {
        if (passesOver(e))
            ++passingDatabaseFailures();
        qCWarning(lcInbox).noquote() << what << ":" << e.description();
    } catch (const std::exception &e) {
        if (passesOver(e))
            ++passingDatabaseFailures();
        qCWarning(lcInbox).noquote() << what << ":" << e.what();
    }
    return false;
}

} // namespace portiva
