#pragma once

namespace portiva
{

// While an operator's own action waits for another workstation's lock, the pointer shows that
// the program is busy; it comes back once the action has ended and the event loop runs again.
void installBusyPointer();

} // namespace portiva
