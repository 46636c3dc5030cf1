#pragma once

#include <QDate>
#include <QString>
#include <functional>
#include <memory>

namespace portiva
{

struct AppState;
class Connection;

// What one send tick did to the waiting periods.
enum class FuturePeriodStep { Nothing, Swapped, MovedIn };

// Brings at most one waiting period (NYEbrukere) into force: walked by start date, ties by ID,
// from the first "NY" row; a user without a right at the period's unit gets it as "Ny" with
// its registration command queued; a live right starting later than the waiting period goes
// back to the waiting list first (showKeyUsers then redraws the grid). A unit that may hold
// that later period is sent its removal (dated today), and the right stays as "Slett" until
// the unit's removal reply deletes it: only then does the earlier period move in, so the unit
// never answers its registration with the later period's dates. Every change is one
// transaction on the shared connection, read afresh from it, so a failure leaves both tables
// and the queue as they were. Rows that cannot be handled wait; nothing is ever shown.
FuturePeriodStep ProcessNewUsers(AppState &state, const std::function<void()> &showKeyUsers = {},
                                 const QDate &today = QDate::currentDate());

// Queues a command to the unit (refreshing an equal one still queued) on a queue view read
// afresh from db, so that it joins the caller's transaction. keyName empty: the unit's own.
void queueUnitCommand(const std::shared_ptr<Connection> &db, const QString &text,
                      const QString &key, const QDate &date, QString keyName = QString());

// Marks "SLETTET" every registration of the user still waiting ("UNSENT") to go to the unit.
void withdrawRegistrations(const std::shared_ptr<Connection> &db, const QString &key,
                           const QString &user, const QString &countryCode);

} // namespace portiva
