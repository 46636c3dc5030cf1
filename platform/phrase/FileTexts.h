#pragma once

#include <QFileDevice>
#include <QString>

namespace portiva
{

// Why a file could not be read or written, from Qt's kind of failure, in the chosen language;
// Qt's own words follow in parentheses as a detail.
QString fileFailureReason(QFileDevice::FileError kind, const QString &detail = {});
QString fileFailureReason(const QFileDevice &file);

// What a failure that is none of the program's own says: the runtime's words as a detail.
QString internalFailureText(const QString &detail);
QString outOfMemoryText();

} // namespace portiva
