#pragma once

// The recordset's row storage: one 16-byte cell per value and all texts in one UTF-16 buffer,
// so that a large snapshot costs a few allocations instead of one per value. Every member is
// implicitly shared, which makes a copy (a clone) cheap until one side writes.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantList>
#include <optional>
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

// The database as one connection sees it: a commit by any other connection, or a write or
// schema change of its own, moves one of these.
struct DatabaseState {
    qint64 dataVersion = 0;
    qint64 schemaVersion = 0;
    qint64 tempSchemaVersion = 0;
    qint64 totalChanges = 0;
    bool operator==(const DatabaseState &) const = default;
};

// When rows were read. With the change counts of every table the query reads, only those
// tables and the schema decide whether the rows are still the query's answer; without them
// (a table that does not count its changes) any change to the database does.
struct SnapshotStamp {
    DatabaseState state;
    std::optional<std::vector<qint64>> tableChanges;
    // Where the connection's notes of its own row changes stood (-1: it keeps none); rows
    // changed since can then be read again alone (Recordset::readChangedRows).
    qint64 ownRows = -1;
    bool sameRows(const SnapshotStamp &other) const
    {
        if (tableChanges && other.tableChanges)
            return *tableChanges == *other.tableChanges &&
                   state.schemaVersion == other.state.schemaVersion &&
                   state.tempSchemaVersion == other.state.tempSchemaVersion;
        return !tableChanges && !other.tableChanges && state == other.state;
    }
};

// The query whose result the rows are, and the database they were read from.
struct SnapshotOrigin {
    QString sql;
    QVariantList params;
    bool clone = false; // read for a clone's Requery, so without the hidden key
    QString table;      // the updatable base table; "" when read-only
    SnapshotStamp stamp;
};

struct RecordsetStore {
    // Rows are kept in blocks and texts in fixed chunks, so a growing snapshot never copies
    // what it already holds.
    static constexpr int BlockBits = 12;
    static constexpr int BlockRows = 1 << BlockBits;
    static constexpr qsizetype ChunkSize = 1 << 20; // UTF-16 units

    std::vector<FieldInfo> fields;
    QList<QList<Cell>> blocks; // BlockRows rows of fields.size() cells each
    QList<qint64> rowids;
    QList<QString> chunks; // text offset = chunk << 32 | position
    qsizetype chunkUsed = 0;
    QList<QByteArray> blobs;
    // Set only while the rows are exactly what the query returned; an edit clears it.
    std::optional<SnapshotOrigin> origin;

    RecordsetStore() = default;
    RecordsetStore(const RecordsetStore &) = default;
    RecordsetStore &operator=(const RecordsetStore &) = default;
    ~RecordsetStore();

    int columnCount() const { return int(fields.size()); }
    int slotCount() const { return int(rowids.size()); }
    const Cell &cell(int slot, int column) const
    {
        return blocks.at(slot >> BlockBits)
            .at(qsizetype(slot & (BlockRows - 1)) * columnCount() + column);
    }
    Cell &cellRef(int slot, int column)
    {
        return blocks[slot >> BlockBits]
                     [qsizetype(slot & (BlockRows - 1)) * columnCount() + column];
    }
    QStringView textOf(const Cell &c) const
    {
        return QStringView(chunks.at(qsizetype(c.offset >> 32)).constData() +
                               qsizetype(c.offset & 0xffffffffu),
                           qsizetype(c.length));
    }
    // Appends a new all-Null slot; returns its cells (columnCount() of them).
    Cell *appendSlot(qint64 rowid);
    // Cell from a result column.
    void setFromColumn(Cell &cell, sqlite3_stmt *stmt, int resultColumn);
    // Cell from a raw value (null, integer, double, text, bytes).
    void setFromValue(int slot, int column, const QVariant &raw);
    // The raw value of a cell (null, qlonglong, double, QString, QByteArray).
    QVariant rawValue(int slot, int column) const;
    void appendText(const char *utf8, int bytes, Cell &cell);
    void appendText(QStringView text, Cell &cell);

private:
    char16_t *reserveText(qsizetype length, Cell &cell);
};

FieldKind fieldKindOf(const QString &declaredType);

} // namespace portiva
