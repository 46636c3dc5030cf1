// A streamed read: the list windows of a site with a million rows show their first screen at
// once and take in the rest between the event loop's events. The rows are read by one
// statement, kept open until its last row, so they are one snapshot as a read at once is.
// That statement holds the file's shared lock meanwhile; OpenReads (RowRead.h) keeps this
// process's own writers from waiting on it.

#include "platform/db/DbDetail.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/db/RecordsetStore.h"
#include "platform/db/RowRead.h"
#include "platform/vb/Error.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <sqlite3.h>
#include <vector>

namespace portiva
{

namespace
{

// Enough for any first screen.
constexpr int firstSliceRows = 256;
// Each later slice steps this long, so a key or a paint waits no longer than that.
constexpr qint64 sliceBudgetNs = 12'000'000;
// The grid hears of new rows this often: each time it lays out and paints its scroll bar and
// row headings again, which at every slice would add a third to the time of the whole read.
constexpr qint64 tellEveryMs = 100;

std::vector<Recordset *> &openReads()
{
    static std::vector<Recordset *> reads;
    return reads;
}

QString descriptionOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Error &e) {
        return e.description();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
}

} // namespace

namespace dbdetail
{

bool RowRead::readRows(RecordsetStore &into, int maxRows, qint64 budgetNs)
{
    QElapsedTimer clock;
    if (budgetNs > 0)
        clock.start();
    sqlite3_stmt *st = statement.get();
    const int columns = into.columnCount();
    const int first = keyed ? 1 : 0;
    for (int n = 0; n < maxRows; ++n) {
        if (!statement.step())
            return true;
        Cell *cells = into.appendSlot(keyed ? sqlite3_column_int64(st, 0) : 0);
        for (int c = 0; c < columns; ++c)
            into.setFromColumn(cells[c], st, c + first);
        if (budgetNs > 0 && (n & 31) == 31 && clock.nsecsElapsed() >= budgetNs)
            return false;
    }
    return false;
}

void OpenReads::add(Recordset *rs)
{
    openReads().push_back(rs);
}

void OpenReads::remove(Recordset *rs)
{
    auto &reads = openReads();
    reads.erase(std::remove(reads.begin(), reads.end(), rs), reads.end());
}

bool OpenReads::finishAll(sqlite3 *waiting)
{
    // Reading the rest never waits for a lock (the shared one is held already); the guard only
    // keeps a wait met inside such a read from starting over.
    static bool finishing = false;
    if (finishing)
        return false;
    finishing = true;
    bool finished = false;
    const std::vector<Recordset *> reads = openReads();
    for (Recordset *rs : reads) {
        if (rs->m_connection->handle() != waiting) {
            rs->readRest();
            finished = true;
        }
    }
    finishing = false;
    return finished;
}

void OpenReads::finishOn(sqlite3 *db)
{
    if (!db)
        return;
    const std::vector<Recordset *> reads = openReads();
    for (Recordset *rs : reads) {
        if (rs->m_connection && rs->m_connection->handle() == db)
            rs->readRest();
    }
}

} // namespace dbdetail

std::shared_ptr<Recordset> Recordset::openStreamed(std::shared_ptr<Connection> connection,
                                                   const QString &sql, const QVariantList &params,
                                                   const QString &sortInQuery)
{
    if (!connection)
        dbdetail::fail(closedConnectionText());
    std::shared_ptr<Recordset> rs(new Recordset);
    rs->m_connection = std::move(connection);
    rs->m_sql = sql;
    rs->m_params = params;
    rs->m_sort = sortInQuery;
    rs->startStream();
    rs->moveTo(rs->m_order.empty() ? At::Eof : At::Row, 0);
    return rs;
}

// As load() reads, with the same stamp and the same sharing, but only the first slice now.
void Recordset::startStream()
{
    sqlite3 *db = m_connection->checkedHandle();
    const std::optional<SnapshotStamp> stamp = snapshotState();
    if (stamp && shareSnapshot(*stamp))
        return;
    auto read = std::make_unique<dbdetail::RowRead>(startRead(db));
    read->stamp = stamp;
    const bool done = read->readRows(*read->store, firstSliceRows);
    adopt(std::move(read->store), read->table);
    if (done) {
        closeRead(*read, *m_store);
        if (stamp)
            keepSnapshot();
        return;
    }
    m_stream = std::move(read);
    m_announced = int(m_order.size());
    m_toldAt.start();
    dbdetail::OpenReads::add(this);
    scheduleSlice();
}

// While the statement is open, one slice is always waiting in the event loop; a read ended
// elsewhere without signals is told of by that slice.
void Recordset::scheduleSlice()
{
    QTimer::singleShot(0, this, &Recordset::readSlice);
}

void Recordset::readSlice()
{
    if (m_stream) {
        try {
            const bool done =
                m_stream->readRows(*m_store, std::numeric_limits<int>::max(), sliceBudgetNs);
            takeNewSlots();
            if (done)
                completeStream();
            else
                scheduleSlice();
        } catch (...) {
            takeNewSlots();
            failStream(std::current_exception());
        }
    }
    if (!m_stream || m_toldAt.elapsed() >= tellEveryMs)
        announceRows();
    tellFailure();
}

// Without a signal: called from inside another statement's wait, or before a connection
// closes; the waiting slice tells of the rows.
void Recordset::readRest()
{
    if (!m_stream)
        return;
    try {
        m_stream->readRows(*m_store, std::numeric_limits<int>::max());
        takeNewSlots();
        completeStream();
    } catch (...) {
        takeNewSlots();
        failStream(std::current_exception());
    }
}

// For an operation on the whole set: every row read and told of, or the read's failure
// thrown (the caller shows it, so no readFailed follows).
void Recordset::finishStream() const
{
    auto *self = const_cast<Recordset *>(this);
    self->readRest();
    self->announceRows();
    if (m_readError) {
        self->m_failureTold = true;
        std::rethrow_exception(m_readError);
    }
}

void Recordset::abandonStream()
{
    if (m_stream) {
        dbdetail::OpenReads::remove(this);
        m_stream.reset();
    }
    m_announced = -1;
    m_readError = nullptr;
    m_failureTold = false;
}

// The last row is read: the statement goes, and the rows are kept for sharing as load()
// keeps them.
void Recordset::completeStream()
{
    const bool stamped = m_stream->stamp.has_value();
    closeRead(*m_stream, *m_store);
    dbdetail::OpenReads::remove(this);
    m_stream.reset();
    if (stamped)
        keepSnapshot();
}

// No half answer passes for the whole one: the rows read stay for the grid, the failure is
// kept for every later operation on the whole set, and the statement goes.
void Recordset::failStream(std::exception_ptr failure)
{
    m_readError = std::move(failure);
    m_failureTold = false;
    dbdetail::OpenReads::remove(this);
    m_stream.reset();
}

// While the rows stream in, the set is in query order with nothing deleted: each new slot
// is the next row.
void Recordset::takeNewSlots()
{
    for (int slot = int(m_order.size()); slot < m_store->slotCount(); ++slot)
        m_order.push_back(slot);
}

void Recordset::announceRows()
{
    if (m_announced < 0)
        return;
    const int first = m_announced;
    const int last = int(m_order.size()) - 1;
    m_announced = m_stream ? last + 1 : -1;
    m_toldAt.start();
    if (last >= first)
        emit rowsAppended(first, last);
}

void Recordset::tellFailure()
{
    if (!m_readError || m_failureTold)
        return;
    m_failureTold = true;
    emit readFailed(descriptionOf(m_readError));
}

} // namespace portiva
