#pragma once

#include "platform/db/Connection.h"

#include <QList>
#include <QVariantList>

namespace portiva::test
{

// Every row of a query, read straight from the file's handle, so these tests depend on nothing
// but the connection.
QList<QVariantList> rows(Connection &connection, const QString &sql);

// The first 16 bytes of a file.
QByteArray fileHeader(const QString &path);

} // namespace portiva::test
