#pragma once

// The recordset's row storage: one 16-byte cell per value and all texts in one UTF-16 buffer,
// so that a large snapshot costs a few allocations instead of one per value. Every member is
// implicitly shared, which makes a copy (a clone) cheap until one side writes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <vector>

struct sqlite3_stmt;

namespace portiva
{

enum class FieldKind : quint8 { Other, Text, Integer, Boolean, Date };

struct FieldInfo {
    QString name;
    QString declaredType;
    QString table;  // base table, empty for an expression
    QString origin; // base column
    FieldKind kind = FieldKind::Other;
};

enum class CellType : quint8 { Null, Integer, Real, Text, Blob };

struct Cell {
    CellType type = CellType::Null;
    quint32 length = 0; // text length in UTF-16 units
    union {
        qint64 integer;
        double real;
        quint64 offset; // into RecordsetStore::text, or index into blobs
    };
    Cell() : integer(0) {}
};

struct RecordsetStore {
    std::vector<FieldInfo> fields;
    QList<Cell> cells; // slot * fields.size() + column
    QList<qint64> rowids;
    QList<bool> deleted;
    QString text;
    QList<QByteArray> blobs;

    int columnCount() const { return int(fields.size()); }
    int slotCount() const { return int(rowids.size()); }
    const Cell &cell(int slot, int column) const
    {
        return cells.at(qsizetype(slot) * columnCount() + column);
    }
    QStringView textOf(const Cell &c) const
    {
        return QStringView(text.constData() + c.offset, qsizetype(c.length));
    }
    // Appends a new all-Null slot and returns its index.
    int appendSlot(qint64 rowid);
    // Cell from a result column, in place.
    void setFromColumn(int slot, int column, sqlite3_stmt *stmt, int resultColumn);
    // Cell from a raw value (null, integer, double, text, bytes), in place.
    void setFromValue(int slot, int column, const QVariant &raw);
    // The raw value of a cell (null, qlonglong, double, QString, QByteArray).
    QVariant rawValue(int slot, int column) const;
    void appendText(const char *utf8, int bytes, Cell &cell);
    void appendText(QStringView text, Cell &cell);
};

FieldKind fieldKindOf(const QString &declaredType);

} // namespace portiva
