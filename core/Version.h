#pragma once

#include <QString>

namespace portiva
{

// The version the build was configured with ("3.0", "3.2.7" ...).
QString programVersion();

// "Version major.minor.revision", each part in decimal without padding; missing parts are 0.
QString versionText(const QString &version);

// Application name "Portiva3" and the build's version, for every window title and box.
void setApplicationIdentity();

} // namespace portiva
