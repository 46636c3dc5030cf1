#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

class QObject;

namespace portiva
{

// What an operator level does to one controlled menu item or control of the main window:
// shown, hidden, or left as designed (nullopt).
using SecurityProfile = std::vector<std::pair<QString, std::optional<bool>>>;

// The profile of a level. Only "7", "6", "5" and "4" have one of their own, matched as exact
// texts ("07", "7 " and "" take the column of every other level).
SecurityProfile profileFor(const QString &level);

// Every object name the profiles control, in table order.
QStringList securityControlledNames();

// Applies the profile to the window's actions and widgets found by object name.
void applySecurityProfile(QObject *window, const QString &level);

} // namespace portiva
