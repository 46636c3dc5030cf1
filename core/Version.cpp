#include "core/Version.h"

#include <QCoreApplication>
#include <QStringList>

namespace portiva
{

QString programVersion()
{
    return QStringLiteral(PORTIVA_VERSION);
}

QString versionText(const QString &version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 3; ++i) {
        const int n = i < parts.size() ? parts.at(i).toInt() : 0;
        numbers << QString::number(n);
    }
    return QStringLiteral("Version ") + numbers.join(QLatin1Char('.'));
}

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Portiva3"));
    QCoreApplication::setOrganizationName(QStringLiteral("Portiva3"));
    QCoreApplication::setApplicationVersion(programVersion());
}

} // namespace portiva
