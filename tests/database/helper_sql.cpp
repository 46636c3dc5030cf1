#include "helper_sql.h"

#include "platform/vb/Error.h"

#include <QFile>
#include <sqlite3.h>

namespace portiva::test
{

QList<QVariantList> rows(Connection &connection, const QString &sql)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(connection.checkedHandle(), text.constData(), -1, &stmt, nullptr) !=
        SQLITE_OK)
        throw Error(QString::fromUtf8(sqlite3_errmsg(connection.handle())));
    QList<QVariantList> result;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QVariantList row;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            switch (sqlite3_column_type(stmt, i)) {
            case SQLITE_NULL:
                row.append(QVariant());
                break;
            case SQLITE_INTEGER:
                row.append(qlonglong(sqlite3_column_int64(stmt, i)));
                break;
            case SQLITE_FLOAT:
                row.append(sqlite3_column_double(stmt, i));
                break;
            default:
                row.append(QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(stmt, i))));
            }
        }
        result.append(row);
    }
    sqlite3_finalize(stmt);
    return result;
}

QByteArray fileHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(16);
}

} // namespace portiva::test
