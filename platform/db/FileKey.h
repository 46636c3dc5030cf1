#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace portiva::dbdetail
{

// The key the file's password stands for, as "x'<hex>'", which the cipher takes as it is
// instead of stretching the password again: the stretching is made slow on purpose and cost
// every window that opens its own connection a constant 45 ms. The key depends on the password
// and on the salt at the head of the file, so it is remembered per both and a file replaced by
// another (a restore) gets its own. Nothing when the file has no salt yet (a new or empty one).
std::optional<QByteArray> rawFileKey(const QString &path, const QString &password);

// The cipher refused the key rawFileKey gave for this password and file: it is forgotten and
// never derived again for them in this process, so each later open goes by the password alone.
void rawFileKeyRefused(const QString &path, const QString &password);

} // namespace portiva::dbdetail
