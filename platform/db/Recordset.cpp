#include "platform/db/Recordset.h"

#include "platform/db/DbDetail.h"
#include "platform/db/DbTexts.h"
#include "platform/db/RecordsetStore.h"
#include "platform/db/RowRead.h"

#include <QSet>
#include <limits>
#include <sqlite3.h>

namespace portiva
{

using dbdetail::fail;

namespace
{

// True when the query text uses a word that makes its rows something other than one base-table
// row each.
bool hasNonUpdatableWord(const QString &sql)
{
    static const QSet<QString> words = {QStringLiteral("DISTINCT"), QStringLiteral("GROUP"),
                                        QStringLiteral("UNION"),    QStringLiteral("INTERSECT"),
                                        QStringLiteral("EXCEPT"),   QStringLiteral("JOIN")};
    return dbdetail::hasWord(sql, words);
}

// The query with the base table's rowid put first, or "" when it does not start with SELECT.
QString withHiddenKey(const QString &sql, const QString &table)
{
    qsizetype i = 0;
    while (i < sql.size() && sql.at(i).isSpace())
        ++i;
    const qsizetype keyword = 6;
    if (sql.mid(i, keyword).compare(QLatin1String("SELECT"), Qt::CaseInsensitive) != 0)
        return QString();
    const qsizetype after = i + keyword;
    if (after < sql.size() && (sql.at(after).isLetterOrNumber() || sql.at(after) == '_'))
        return QString();
    return sql.left(after) + QLatin1Char(' ') + dbdetail::quoteIdentifier(table) +
           QStringLiteral(".rowid AS \"__rowid__\", ") + sql.mid(after);
}

QString metaText(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QString bareName(const QString &name)
{
    QString n = name.trimmed();
    if (n.startsWith(QLatin1Char('[')) && n.endsWith(QLatin1Char(']')))
        n = n.mid(1, n.size() - 2);
    return n;
}

} // namespace

std::shared_ptr<Recordset> Recordset::open(std::shared_ptr<Connection> connection,
                                           const QString &sql, const QVariantList &params)
{
    if (!connection)
        fail(closedConnectionText());
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->m_connection = std::move(connection);
    rs->m_sql = sql;
    rs->m_params = params;
    rs->load();
    rs->moveTo(rs->m_order.empty() ? At::Eof : At::Row, 0);
    return rs;
}

std::shared_ptr<Recordset> Recordset::openDeferred(std::shared_ptr<Connection> connection,
                                                   const QString &sql, const QVariantList &params,
                                                   const DeferredStart &start)
{
    if (!Connection::changeTracking()) {
        auto rs = open(std::move(connection), sql, params);
        if (!start.sort.isEmpty())
            rs->setSort(start.sort);
        if (start.last && rs->RecordCount() > 0)
            rs->MoveLast();
        return rs;
    }
    if (!connection)
        fail(closedConnectionText());
    dbdetail::Statement check(connection->checkedHandle(), sql);
    check.finalize();
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->m_connection = std::move(connection);
    rs->m_sql = sql;
    rs->m_params = params;
    rs->m_store = std::make_shared<RecordsetStore>();
    rs->m_deferred = true;
    rs->m_start = start;
    rs->holdCurrentSnapshot();
    return rs;
}

Recordset::~Recordset()
{
    abandonStream();
}

// The first use reads the rows as they are now; nobody has seen the set before, so the
// cursor takes its place without a signal.
void Recordset::readDeferred() const
{
    if (!m_deferred)
        return;
    auto *self = const_cast<Recordset *>(this);
    self->m_deferred = false;
    const std::shared_ptr<RecordsetStore> held = std::move(self->m_held);
    self->load();
    self->m_sort = m_start.sort;
    self->applySort();
    self->m_at = m_order.empty() ? At::Eof : At::Row;
    self->m_pos = m_start.last && !m_order.empty() ? int(m_order.size()) - 1 : 0;
}

// For the accessors a grid calls, which must not throw: a failed read leaves the set empty.
bool Recordset::readDeferredQuietly() const
{
    try {
        readDeferred();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

void Recordset::load()
{
    sqlite3 *db = m_connection->checkedHandle();
    // Taken before the rows are read: a commit in between makes the next open read again.
    const std::optional<SnapshotStamp> stamp = snapshotState();
    if (stamp && shareSnapshot(*stamp))
        return;
    dbdetail::RowRead read = startRead(db);
    read.stamp = stamp;
    read.readRows(*read.store, std::numeric_limits<int>::max());
    closeRead(read, *read.store);
    adopt(std::move(read.store), read.table);
    if (stamp)
        keepSnapshot();
}

// The statement prepared and bound, and the fields of its rows. A query of one base table
// reads the table's rowid first, so that its rows can be written back.
dbdetail::RowRead Recordset::startRead(sqlite3 *db) const
{
    dbdetail::Statement plain(db, m_sql);
    sqlite3_stmt *st = plain.get();
    auto store = std::make_shared<RecordsetStore>();
    const int columns = sqlite3_column_count(st);
    QString table;
    bool sameTable = columns > 0;
    for (int c = 0; c < columns; ++c) {
        FieldInfo f;
        f.name = metaText(sqlite3_column_name(st, c));
        f.declaredType = metaText(sqlite3_column_decltype(st, c));
        f.table = metaText(sqlite3_column_table_name(st, c));
        f.origin = metaText(sqlite3_column_origin_name(st, c));
        f.kind = fieldKindOf(f.declaredType);
        if (c == 0)
            table = f.table;
        if (f.table.isEmpty() || f.origin.isEmpty() || f.table != table)
            sameTable = false;
        store->fields.push_back(std::move(f));
    }
    dbdetail::Statement keyed;
    if (sameTable && !m_clone && !hasNonUpdatableWord(m_sql)) {
        const QString text = withHiddenKey(m_sql, table);
        sqlite3_stmt *raw = nullptr;
        const QByteArray utf8 = text.toUtf8();
        // A table reached through an alias or a view has no such rowid: the set is read-only.
        if (!text.isEmpty() &&
            sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &raw, nullptr) ==
                SQLITE_OK &&
            raw && sqlite3_column_count(raw) == columns + 1) {
            keyed = dbdetail::Statement(db, raw);
        } else {
            sqlite3_finalize(raw);
        }
    }
    dbdetail::RowRead read;
    read.keyed = bool(keyed);
    read.statement = read.keyed ? std::move(keyed) : std::move(plain);
    read.statement.bind(m_params);
    read.table = read.keyed ? table : QString();
    read.store = std::move(store);
    return read;
}

void Recordset::closeRead(dbdetail::RowRead &read, RecordsetStore &store) const
{
    // No statement stays open: other workstations and compaction are never blocked by a view.
    read.statement.finalize();
    if (read.stamp)
        store.origin = SnapshotOrigin{m_sql, m_params, m_clone, read.table, *read.stamp};
}

void Recordset::adopt(std::shared_ptr<RecordsetStore> store, const QString &table)
{
    m_table = table;
    m_store = std::move(store);
    m_order.resize(size_t(m_store->slotCount()));
    for (int i = 0; i < int(m_order.size()); ++i)
        m_order[size_t(i)] = i;
    m_pending.assign(size_t(m_store->columnCount()), std::nullopt);
    m_pendingEdit = m_pendingNew = false;
}

bool Recordset::isReadOnly() const
{
    readDeferredQuietly();
    return m_table.isEmpty();
}

void Recordset::checkRows() const
{
    readDeferred();
    if (!m_open)
        fail(closedRowsText());
}

void Recordset::checkOpen() const
{
    checkRows();
    finishStream();
}

std::shared_ptr<Connection> Recordset::writableConnection() const
{
    if (!m_connection || !m_connection->isOpen())
        fail(closedConnectionText());
    // Another set still reading on this connection reads its rest first: a write in between
    // would reach the part of its answer not read yet.
    dbdetail::OpenReads::finishOn(m_connection->handle());
    return m_connection;
}

void Recordset::detach()
{
    if (m_store.use_count() > 1)
        m_store = std::make_shared<RecordsetStore>(*m_store);
    // Edited rows are no longer the query's result: no later open may share them.
    m_store->origin.reset();
}

// ---------------------------------------------------------------- position

// While a streamed read goes on, the cursor stands on a row read (an empty answer is read
// whole at once), so BOF and EOF are never true for rows not read yet.
bool Recordset::BOF() const
{
    checkRows();
    return m_at == At::Bof || (m_order.empty() && m_at != At::Deleted);
}

bool Recordset::EOF() const
{
    checkRows();
    return m_at == At::Eof || (m_order.empty() && m_at != At::Deleted);
}

void Recordset::moveTo(At at, int pos)
{
    m_at = at;
    m_pos = at == At::Row || at == At::Deleted ? pos : 0;
    emit currentChanged();
}

void Recordset::MoveFirst()
{
    checkRows();
    dropPending();
    if (m_order.empty())
        leaveEmptiedSet();
    else
        moveTo(At::Row, 0);
}

void Recordset::MoveLast()
{
    checkOpen();
    dropPending();
    if (m_order.empty())
        leaveEmptiedSet();
    else
        moveTo(At::Row, int(m_order.size()) - 1);
}

// A set with no rows left has nowhere to go; only the gap its last row (or an unwritten new
// row) left behind is given up, so that BOF and EOF hold and a "Do Until EOF" loop ends.
void Recordset::leaveEmptiedSet()
{
    if (m_at == At::Deleted)
        moveTo(At::Eof, 0);
}

void Recordset::MoveNext()
{
    checkRows();
    if (m_at == At::Eof || (m_order.empty() && m_at != At::Deleted))
        fail(noCurrentRowText());
    dropPending();
    int next = 0;
    if (m_at == At::Row)
        next = m_pos + 1;
    else if (m_at == At::Deleted)
        next = m_pos;
    // Past the rows read, only the rest of the answer can tell whether there is a next row; a
    // row read but not told of yet is told of first, so the grid has it.
    if (!wholeKnown() && next >= rowCount()) {
        if (next < int(m_order.size()))
            announceRows();
        else
            finishStream();
    }
    const int n = int(m_order.size());
    if (next >= n)
        moveTo(At::Eof, 0);
    else
        moveTo(At::Row, next);
}

void Recordset::MovePrevious()
{
    checkRows();
    if (m_at == At::Bof || (m_order.empty() && m_at != At::Deleted))
        fail(noCurrentRowText());
    dropPending();
    const int n = int(m_order.size());
    const int previous = m_at == At::Eof ? n - 1 : m_pos - 1;
    if (previous < 0)
        moveTo(At::Bof, 0);
    else
        moveTo(At::Row, previous);
}

int Recordset::RecordCount() const
{
    checkOpen();
    return int(m_order.size());
}

int Recordset::AbsolutePosition() const
{
    checkRows();
    switch (m_at) {
    case At::Row:
        return m_pos + 1;
    case At::Deleted:
        return -1;
    case At::Bof:
        return -2;
    default:
        return m_order.empty() ? -2 : -3;
    }
}

void Recordset::setAbsolutePosition(int position)
{
    checkOpen();
    if (position < 1 || position > int(m_order.size()))
        fail(noCurrentRowText());
    moveToPosition(position - 1);
}

void Recordset::moveToPosition(int row)
{
    if (!(m_at == At::Row && m_pos == row))
        dropPending();
    moveTo(At::Row, row);
}

int Recordset::Bookmark() const
{
    checkRows();
    if (m_at == At::Deleted)
        fail(deletedRowText());
    return currentSlot();
}

void Recordset::setBookmark(int bookmark)
{
    checkOpen();
    if (bookmark < 0 || bookmark >= m_store->slotCount())
        fail(noCurrentRowText());
    for (int i = 0; i < int(m_order.size()); ++i) {
        if (m_order[size_t(i)] == bookmark) {
            if (!(m_at == At::Row && m_pos == i))
                dropPending();
            moveTo(At::Row, i);
            return;
        }
    }
    fail(deletedRowText());
}

int Recordset::currentSlot() const
{
    if (m_at == At::Deleted)
        fail(deletedRowText());
    if (m_at != At::Row || m_pos >= int(m_order.size()))
        fail(noCurrentRowText());
    return m_order[size_t(m_pos)];
}

// ---------------------------------------------------------------- whole set

std::shared_ptr<Recordset> Recordset::Clone() const
{
    checkOpen();
    std::shared_ptr<Recordset> copy(new Recordset);
    copy->m_connection = m_connection;
    copy->m_sql = m_sql;
    copy->m_params = m_params;
    copy->m_clone = true;
    copy->m_sort = m_sort;
    copy->m_store = m_store; // shared until either side writes (see detach)
    copy->m_order = m_order;
    if (m_pendingNew && !copy->m_order.empty())
        copy->m_order.pop_back();
    copy->m_pending.assign(m_pending.size(), std::nullopt);
    copy->m_at = copy->m_order.empty() ? At::Eof : At::Row;
    copy->m_pos = 0;
    return copy;
}

void Recordset::Requery()
{
    m_deferred = false; // read below in any case
    m_held.reset();
    // Read below in any case, from the first row, as the database stands now.
    abandonStream();
    checkOpen();
    writableConnection();
    dropPending();
    load();
    applySort();
    emit reset();
    moveTo(m_order.empty() ? At::Eof : At::Row, 0);
}

void Recordset::Close()
{
    m_deferred = false;
    m_held.reset();
    // The rows go in any case: the statement is finalized, the rest never read.
    abandonStream();
    checkOpen();
    m_pendingEdit = m_pendingNew = false;
    m_open = false;
    m_order.clear();
    m_store = std::make_shared<RecordsetStore>();
    emit reset();
}

// ---------------------------------------------------------------- fields

int Recordset::fieldCount() const
{
    checkRows();
    return m_store->columnCount();
}

QString Recordset::fieldName(int index) const
{
    return m_store->fields.at(size_t(checkedIndex(index))).name;
}

int Recordset::fieldIndex(const QString &name) const
{
    if (!readDeferredQuietly() || !m_store)
        return -1;
    const QString bare = bareName(name);
    const auto &fields = m_store->fields;
    for (int i = 0; i < int(fields.size()); ++i) {
        if (fields[size_t(i)].name.compare(bare, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Recordset::checkedField(const QString &name) const
{
    checkRows();
    const int index = fieldIndex(name);
    if (index < 0)
        fail(unknownFieldText(name));
    return index;
}

int Recordset::checkedIndex(int index) const
{
    checkRows();
    if (index < 0 || index >= m_store->columnCount())
        fail(unknownFieldText(QString::number(index)));
    return index;
}

QVariant Recordset::rawSlotValue(int slot, int column) const
{
    if (m_at == At::Row && m_pos < int(m_order.size()) && m_order[size_t(m_pos)] == slot &&
        m_pending[size_t(column)])
        return *m_pending[size_t(column)];
    return m_store->rawValue(slot, column);
}

// The value as the program reads it: Booleans and dates by the column's declared type.
QVariant Recordset::slotValue(int slot, int column) const
{
    const QVariant raw = rawSlotValue(slot, column);
    if (!raw.isValid())
        return raw;
    switch (m_store->fields[size_t(column)].kind) {
    case FieldKind::Boolean:
        if (raw.typeId() == QMetaType::LongLong || raw.typeId() == QMetaType::Double)
            return QVariant(raw.toDouble() != 0);
        break;
    case FieldKind::Date:
        if (raw.typeId() == QMetaType::QString) {
            const QDate d = QDate::fromString(raw.toString().left(10), Qt::ISODate);
            if (d.isValid())
                return QVariant(d);
        }
        break;
    default:
        break;
    }
    return raw;
}

QVariant Recordset::value(int index) const
{
    const int column = checkedIndex(index);
    return slotValue(currentSlot(), column);
}

QVariant Recordset::value(const QString &name) const
{
    const int column = checkedField(name);
    return slotValue(currentSlot(), column);
}

bool Recordset::isNull(int index) const
{
    return !value(index).isValid();
}

bool Recordset::isNull(const QString &name) const
{
    return !value(name).isValid();
}

QString Recordset::textOf(int, const QVariant &v) const
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::LongLong:
        return dbdetail::integerText(v.toLongLong());
    case QMetaType::Double:
        return dbdetail::numberText(v.toDouble());
    case QMetaType::QDate:
        return dbdetail::shortDateText(v.toDate());
    case QMetaType::QByteArray:
        return QString::fromUtf8(v.toByteArray());
    default:
        return v.toString();
    }
}

QString Recordset::toText(int index) const
{
    const QVariant v = value(index);
    if (!v.isValid())
        fail(emptyFieldText(fieldName(index)), 94);
    return textOf(index, v);
}

QString Recordset::toText(const QString &name) const
{
    return toText(checkedField(name));
}

QString Recordset::toTextOr(int index, const QString &fallback) const
{
    const QVariant v = value(index);
    return v.isValid() ? textOf(index, v) : fallback;
}

QString Recordset::toTextOr(const QString &name, const QString &fallback) const
{
    return toTextOr(checkedField(name), fallback);
}

// ---------------------------------------------------------------- grid access

// While a streamed read goes on, the rows its signals told of: the grid's rows.
int Recordset::rowCount() const
{
    readDeferredQuietly();
    if (!m_open)
        return 0;
    return m_announced >= 0 ? m_announced : int(m_order.size());
}

QVariant Recordset::cell(int row, int column) const
{
    readDeferredQuietly();
    if (!m_open || row < 0 || row >= int(m_order.size()) || column < 0 ||
        column >= m_store->columnCount())
        return QVariant();
    return slotValue(m_order[size_t(row)], column);
}

QString Recordset::cellText(int row, int column, const QString &nullText) const
{
    const QVariant v = cell(row, column);
    return v.isValid() ? textOf(column, v) : nullText;
}

int Recordset::rowOfCurrent() const
{
    readDeferredQuietly();
    return m_open && m_at == At::Row ? m_pos : -1;
}

void Recordset::moveToRow(int row)
{
    checkRows();
    if (!wholeKnown() && row >= 0 && row < rowCount())
        moveToPosition(row);
    else
        setAbsolutePosition(row + 1);
}

} // namespace portiva
