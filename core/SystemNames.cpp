#include "core/SystemNames.h"

#include <QSysInfo>
#include <QtGlobal>
#include <pwd.h>
#include <unistd.h>

namespace portiva
{

QString systemUserName()
{
    if (const passwd *entry = getpwuid(geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

QString systemComputerName()
{
    return QSysInfo::machineHostName();
}

} // namespace portiva
