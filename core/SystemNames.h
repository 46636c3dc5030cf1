#pragma once

#include <QString>

namespace portiva
{

// The login name of the effective user; the USER variable when the password database has no
// entry for it; else empty.
QString systemUserName();

// The machine's host name, as the workstation's name in the Modem row.
QString systemComputerName();

} // namespace portiva
