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

namespace
{

// The blocks and text chunks of released snapshots, kept for the next ones. A reload replaces
// each snapshot by one of about the same size; memory given back to the system in between
// would have to be faulted in again, page by page, which costs more than reading the rows.
struct Recycled {
    static constexpr qsizetype LimitBytes = qsizetype(64) << 20;
    std::vector<QList<Cell>> blocks;
    std::vector<QString> chunks;
    qsizetype bytes = 0;
    ~Recycled();
};

// Set once the thread's store is gone: snapshots released later, at the very end, just go.
thread_local bool recyclerGone = false;

Recycled::~Recycled()
{
    recyclerGone = true;
}

Recycled &recycled()
{
    thread_local Recycled kept;
    return kept;
}

QList<Cell> takeBlock(qsizetype cells)
{
    Recycled &kept = recycled();
    for (auto it = kept.blocks.begin(); it != kept.blocks.end(); ++it) {
        // A block much larger than asked for would hold memory the snapshot does not use.
        if (it->capacity() < cells || it->capacity() > 2 * cells)
            continue;
        QList<Cell> block = std::move(*it);
        kept.blocks.erase(it);
        kept.bytes -= block.capacity() * qsizetype(sizeof(Cell));
        block.fill(Cell(), cells);
        return block;
    }
    return QList<Cell>(cells);
}

QString takeChunk(qsizetype units)
{
    Recycled &kept = recycled();
    if (units == RecordsetStore::ChunkSize && !kept.chunks.empty()) {
        QString chunk = std::move(kept.chunks.back());
        kept.chunks.pop_back();
        kept.bytes -= units * qsizetype(sizeof(char16_t));
        return chunk;
    }
    return QString(units, Qt::Uninitialized);
}

} // namespace

RecordsetStore::~RecordsetStore()
{
    // Only memory no other snapshot shares is kept; a shared copy stays with its owner.
    if (recyclerGone)
        return;
    Recycled &kept = recycled();
    for (QList<Cell> &block : blocks) {
        const qsizetype size = block.capacity() * qsizetype(sizeof(Cell));
        if (!block.isDetached() || kept.bytes + size > Recycled::LimitBytes)
            continue;
        kept.bytes += size;
        kept.blocks.push_back(std::move(block));
    }
    for (QString &chunk : chunks) {
        const qsizetype size = chunk.size() * qsizetype(sizeof(char16_t));
        if (chunk.size() != ChunkSize || !chunk.isDetached() ||
            kept.bytes + size > Recycled::LimitBytes)
            continue;
        kept.bytes += size;
        kept.chunks.push_back(std::move(chunk));
    }
}

Cell *RecordsetStore::appendSlot(qint64 rowid)
{
    const int slot = slotCount();
    rowids.append(rowid);
    if ((slot & (BlockRows - 1)) == 0)
        blocks.append(takeBlock(qsizetype(BlockRows) * columnCount()));
    return &cellRef(slot, 0);
}

// Room for length units in the last chunk (a new one when it is full), recorded in cell.
char16_t *RecordsetStore::reserveText(qsizetype length, Cell &cell)
{
    if (chunks.isEmpty() || chunkUsed + length > chunks.last().size()) {
        chunks.append(takeChunk(std::max(ChunkSize, length)));
        chunkUsed = 0;
    }
    const qsizetype chunk = chunks.size() - 1;
    char16_t *out = reinterpret_cast<char16_t *>(chunks[chunk].data()) + chunkUsed;
    cell.type = CellType::Text;
    cell.offset = (quint64(chunk) << 32) | quint64(chunkUsed);
    cell.length = quint32(length);
    chunkUsed += length;
    return out;
}

void RecordsetStore::appendText(const char *utf8, int bytes, Cell &cell)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8);
    const qsizetype chunk = chunks.size();
    const qsizetype used = chunkUsed;
    char16_t *out = reserveText(bytes, cell);
    // ASCII (the usual case) is widened straight into the chunk.
    for (int k = 0; k < bytes; ++k) {
        if (p[k] >= 0x80) {
            if (chunks.size() == chunk) // give the room back unless a new chunk was begun
                chunkUsed = used;
            appendText(QString::fromUtf8(utf8, bytes), cell);
            return;
        }
        out[k] = char16_t(p[k]);
    }
}

void RecordsetStore::appendText(QStringView value, Cell &cell)
{
    char16_t *out = reserveText(value.size(), cell);
    std::copy(value.utf16(), value.utf16() + value.size(), out);
}

void RecordsetStore::setFromColumn(Cell &c, sqlite3_stmt *stmt, int resultColumn)
{
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
    Cell &c = cellRef(slot, column);
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
