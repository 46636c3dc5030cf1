#include "platform/db/RecordsetStore.h"

#include <sqlite3.h>

namespace portiva
{

FieldKind fieldKindOf(const QString &declaredType)
{
    const QString t = declaredType.trimmed().toUpper();
    if (t.startsWith(QLatin1String("BOOL")))
        return FieldKind::Boolean;
    if (t.startsWith(QLatin1String("DATE")))
        return FieldKind::Date;
    if (t.contains(QLatin1String("INT")))
        return FieldKind::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")) || t.startsWith(QLatin1String("MEMO")))
        return FieldKind::Text;
    return FieldKind::Other;
}

int RecordsetStore::appendSlot(qint64 rowid)
{
    const int slot = slotCount();
    rowids.append(rowid);
    deleted.append(false);
    cells.resize(cells.size() + columnCount());
    return slot;
}

static void reserveFor(QString &text, qsizetype extra)
{
    const qsizetype needed = text.size() + extra;
    if (needed > text.capacity())
        text.reserve(std::max<qsizetype>(needed, text.capacity() * 2));
}

void RecordsetStore::appendText(const char *utf8, int bytes, Cell &cell)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8);
    int i = 0;
    while (i < bytes && p[i] < 0x80)
        ++i;
    if (i < bytes) {
        appendText(QString::fromUtf8(utf8, bytes), cell);
        return;
    }
    // All ASCII (the usual case): widen in place, no temporary string.
    reserveFor(text, bytes);
    const qsizetype start = text.size();
    text.resize(start + bytes);
    char16_t *out = reinterpret_cast<char16_t *>(text.data()) + start;
    for (int k = 0; k < bytes; ++k)
        out[k] = char16_t(p[k]);
    cell.type = CellType::Text;
    cell.offset = quint64(start);
    cell.length = quint32(bytes);
}

void RecordsetStore::appendText(QStringView value, Cell &cell)
{
    reserveFor(text, value.size());
    cell.type = CellType::Text;
    cell.offset = quint64(text.size());
    cell.length = quint32(value.size());
    text.append(value);
}

void RecordsetStore::setFromColumn(int slot, int column, sqlite3_stmt *stmt, int resultColumn)
{
    Cell &c = cells[qsizetype(slot) * columnCount() + column];
    switch (sqlite3_column_type(stmt, resultColumn)) {
    case SQLITE_INTEGER:
        c.type = CellType::Integer;
        c.integer = sqlite3_column_int64(stmt, resultColumn);
        break;
    case SQLITE_FLOAT:
        c.type = CellType::Real;
        c.real = sqlite3_column_double(stmt, resultColumn);
        break;
    case SQLITE_TEXT: {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(stmt, resultColumn));
        appendText(t, sqlite3_column_bytes(stmt, resultColumn), c);
        break;
    }
    case SQLITE_BLOB: {
        const auto *b = static_cast<const char *>(sqlite3_column_blob(stmt, resultColumn));
        c.type = CellType::Blob;
        c.offset = quint64(blobs.size());
        blobs.append(QByteArray(b, sqlite3_column_bytes(stmt, resultColumn)));
        break;
    }
    default:
        c.type = CellType::Null;
        c.integer = 0;
        break;
    }
}

void RecordsetStore::setFromValue(int slot, int column, const QVariant &raw)
{
    Cell &c = cells[qsizetype(slot) * columnCount() + column];
    if (!raw.isValid() || raw.isNull()) {
        c.type = CellType::Null;
        c.integer = 0;
        return;
    }
    switch (raw.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        c.type = CellType::Integer;
        c.integer = raw.toLongLong();
        break;
    case QMetaType::Double:
        c.type = CellType::Real;
        c.real = raw.toDouble();
        break;
    case QMetaType::QByteArray:
        c.type = CellType::Blob;
        c.offset = quint64(blobs.size());
        blobs.append(raw.toByteArray());
        break;
    default:
        appendText(raw.toString(), c);
        break;
    }
}

QVariant RecordsetStore::rawValue(int slot, int column) const
{
    const Cell &c = cell(slot, column);
    switch (c.type) {
    case CellType::Integer:
        return QVariant(qlonglong(c.integer));
    case CellType::Real:
        return QVariant(c.real);
    case CellType::Text:
        return QVariant(textOf(c).toString());
    case CellType::Blob:
        return QVariant(blobs.at(qsizetype(c.offset)));
    default:
        return QVariant();
    }
}

} // namespace portiva
