#pragma once

#include <functional>

namespace portiva
{

struct AppState;

// What one send tick did to the waiting periods.
enum class FuturePeriodStep { Nothing, Swapped, MovedIn };

// Brings at most one waiting period (NYEbrukere) into force: walked by start date, ties by ID,
// from the first "NY" row; a user without a right at the period's unit gets it as "Ny" with
// its registration command queued; a live right starting later than the waiting period goes
// back to the waiting list first (showKeyUsers then redraws the grid). Every change is one
// transaction on the shared connection, read afresh from it, so a failure leaves both tables
// and the queue as they were. Rows that cannot be handled wait; nothing is ever shown.
FuturePeriodStep ProcessNewUsers(AppState &state, const std::function<void()> &showKeyUsers = {});

} // namespace portiva
