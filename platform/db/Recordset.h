#pragma once

#include "platform/db/Connection.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariant>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

// <cstdio>'s EOF macro would swallow the recordset's EOF(); Qt has pulled <cstdio> in by now,
// so it is not defined again later in the same file. Use std::char_traits<char>::eof() instead.
#ifdef EOF
#undef EOF
#endif

namespace portiva
{

struct RecordsetStore;
struct SnapshotStamp;
struct FindTarget;
namespace dbdetail
{
struct RowRead;
struct OpenReads;
} // namespace dbdetail

// Where a deferred recordset stands once read: sorted by sort ("" = query order), on its
// first row or, with last, on its last.
struct DeferredStart {
    QString sort;
    bool last = false;
};

// A client-side static snapshot of a query's rows, navigated and edited the way the program's
// procedures expect: Null stays apart from "", names and texts ignore case, and writes go back
// by the row's hidden key with an optimistic check against the values as read.
class Recordset : public QObject
{
    Q_OBJECT
public:
    enum class Direction { Forward, Backward };

    // Runs the query, keeps every row, finalizes the statement. Throws the SQLite message.
    static std::shared_ptr<Recordset> open(std::shared_ptr<Connection> connection,
                                           const QString &sql, const QVariantList &params = {});
    // The same, but the rows are read when the recordset is first used, so a view that
    // nothing reads before it is replaced costs no read. The query is checked now: one that
    // cannot run fails here. A read that fails later throws from the first use (grid access
    // sees an empty set).
    static std::shared_ptr<Recordset> openDeferred(std::shared_ptr<Connection> connection,
                                                   const QString &sql,
                                                   const QVariantList &params = {},
                                                   const DeferredStart &start = {});
    // The same query read in slices, for a window that must show its first screen before a
    // large list is read: the first rows are read now, the rest in short slices between the
    // event loop's events (rowsAppended tells of each), all by one statement, so one snapshot.
    // While rows are unread, the grid's accessors and the current row's reads work on the rows
    // read so far; every operation on the whole set reads the rest first. sortInQuery names the
    // order the query's own ORDER BY already gives (a unique integer key): Sort() reports it.
    // A read that fails later is kept: readFailed tells it, the next whole-set operation throws.
    static std::shared_ptr<Recordset> openStreamed(std::shared_ptr<Connection> connection,
                                                   const QString &sql,
                                                   const QVariantList &params = {},
                                                   const QString &sortInQuery = QString());
    ~Recordset() override;
    // False once the rows are read (or for a recordset opened at once).
    bool deferred() const { return m_deferred; }
    // True while a streamed read still has rows to read, or rows it has not told of.
    bool streaming() const { return m_stream != nullptr || m_announced >= 0; }

    // --- position
    bool BOF() const;
    bool EOF() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    int RecordCount() const;
    // 1-based among live rows in the current order; -2 at BOF, -3 at EOF, -1 on a deleted row.
    int AbsolutePosition() const;
    void setAbsolutePosition(int position);
    // An opaque row id, valid until Requery.
    int Bookmark() const;
    void setBookmark(int bookmark);

    // A read-only copy of the live rows in the current order, with its own cursor on the first
    // row; later changes on either side do not reach the other.
    std::shared_ptr<Recordset> Clone() const;
    // Same query, parameters and connection; the sort is re-applied; first row current.
    void Requery();
    // True while the rows are still the query's answer: none of the tables the query reads
    // has changed since they were read, on any connection, nor the schema (for a query on a
    // table that does not count its changes: nothing in the database has changed). False for
    // edited or closed rows and for a streamed read not yet ended; true for a deferred set,
    // which reads the rows when first used.
    bool stillCurrent() const;
    // Brings rows that are no longer current up to date by reading again only the rows that
    // changed, where the layer knows which: keyField holds the row id (INTEGER PRIMARY KEY) of
    // the one table read that changed, the query lists its rows in ascending order of it, and
    // every change since the rows were read is this connection's own. Rows that no longer
    // answer the query leave, new ones take their place; the sort is applied again, the
    // current row stays current where it still is (else the first row), reset is signalled.
    // False, and the rows as they were, when that cannot be done: Requery reads them anew.
    bool readChangedRows(const QString &keyField);
    // "Col [ASC|DESC], ..."; "" is query order. Stable, text ignoring case.
    QString Sort() const { return m_sort; }
    void setSort(const QString &sort);

    // Searches from the current row (after skip rows); not found leaves EOF (forward) or BOF.
    bool find(const QString &column, const QVariant &value, int skip = 0,
              Direction direction = Direction::Forward);
    // A literal criterion "[Col] = 'text'" or "Col = 12" written in code, searched forward.
    bool find(const QString &criterion);

    // --- editing (nothing is written until Update)
    void AddNew();
    void Update();
    void CancelUpdate();
    // Drops the pending edit and reads the current row again as it is stored now; a new row,
    // never stored, is dropped as CancelUpdate does. A row no longer stored leaves the set as a
    // deleted one does (the cursor stays in its gap), and false is returned.
    bool Resync();
    void Delete();
    void Close();
    bool isOpen() const { return m_open; }
    bool isReadOnly() const;
    bool editPending() const { return m_pendingNew || m_pendingEdit; }

    // --- fields of the current row
    int fieldCount() const;
    QString fieldName(int index) const;
    // -1 when there is no such field; names ignore case and outer brackets.
    int fieldIndex(const QString &name) const;
    QVariant value(int index) const;
    QVariant value(const QString &name) const;
    bool isNull(int index) const;
    bool isNull(const QString &name) const;
    // The runtime's text of the value; Null throws "Invalid use of Null".
    QString toText(int index) const;
    QString toText(const QString &name) const;
    QString toTextOr(int index, const QString &fallback) const;
    QString toTextOr(const QString &name, const QString &fallback) const;
    void setValue(int index, const QVariant &value);
    void setValue(const QString &name, const QVariant &value);

    // --- row access for grids, without moving the cursor (live rows in the current order;
    // the current row shows its pending edit)
    int rowCount() const;
    QVariant cell(int row, int column) const;
    QString cellText(int row, int column, const QString &nullText = QString()) const;
    // The grid row of the current record, -1 at BOF, EOF or on a deleted row.
    int rowOfCurrent() const;
    void moveToRow(int row);

signals:
    void currentChanged();
    void reset();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    // Rows first..last (grid rows) were read and added at the end of a streamed set.
    void rowsAppended(int first, int last);
    // A streamed read failed before its last row; the set holds only the rows read before.
    void readFailed(const QString &description);

private:
    friend struct dbdetail::OpenReads;
    // Where the cursor stands: on m_order[m_pos], before the first row, past the last one, or
    // in the gap a deleted row left before m_order[m_pos].
    enum class At { Row, Bof, Eof, Deleted };

    Recordset() = default;
    void load();
    void adopt(std::shared_ptr<RecordsetStore> store, const QString &table);
    std::optional<SnapshotStamp> snapshotState() const;
    bool shareSnapshot(const SnapshotStamp &stamp);
    std::shared_ptr<RecordsetStore> liveSnapshot(const SnapshotStamp &stamp) const;
    void holdCurrentSnapshot();
    std::optional<std::vector<qint64>> changedKeys(const SnapshotStamp &was,
                                                   const SnapshotStamp &now, int keyColumn) const;
    void takeRowsReadAgain(std::shared_ptr<RecordsetStore> fresh, const std::vector<int> &fromOld,
                           int key);
    void readDeferred() const;
    bool readDeferredQuietly() const;
    void keepSnapshot();
    dbdetail::RowRead startRead(sqlite3 *db) const;
    void closeRead(dbdetail::RowRead &read, RecordsetStore &store) const;
    // The stream (RecordsetStream.cpp): a slice from the event loop, the rest at once without
    // a signal (for a writer's lock or a closing connection), the rest for a whole-set
    // operation, or nothing more (a new read or a close replaces the rows anyway).
    void startStream();
    void readSlice();
    void readRest();
    void finishStream() const;
    void abandonStream();
    void completeStream();
    void failStream(std::exception_ptr failure);
    void takeNewSlots();
    void announceRows();
    void tellFailure();
    void scheduleSlice();
    bool wholeKnown() const { return !streaming(); }
    // The rows read so far suffice (the current row, the grid); checkOpen needs them all.
    void checkRows() const;
    void checkOpen() const;
    void moveToPosition(int row);
    int checkedField(const QString &name) const;
    int checkedIndex(int index) const;
    int currentSlot() const;
    QVariant slotValue(int slot, int column) const;
    QVariant rawSlotValue(int slot, int column) const;
    QString textOf(int column, const QVariant &value) const;
    void dropPending();
    void moveTo(At at, int pos);
    void leaveEmptiedSet();
    void applySort();
    void placeAddedRows(std::vector<int> kept, const std::vector<int> &added);
    bool matches(int slot, int column, const FindTarget &target) const;
    QVariant converted(int column, const QVariant &value) const;
    void updateRow();
    void insertRow();
    bool rereadSlot(int slot, qint64 rowid);
    void removeNewRow();
    void detach();
    std::shared_ptr<Connection> writableConnection() const;

    std::shared_ptr<Connection> m_connection;
    QString m_sql;
    QVariantList m_params;
    QString m_table; // the one base table of an updatable set; empty = read-only
    QString m_sort;
    std::shared_ptr<RecordsetStore> m_store;
    std::vector<int> m_order; // live slots in the current order
    At m_at = At::Eof;
    int m_pos = 0;
    bool m_open = true;
    bool m_clone = false;
    mutable bool m_deferred = false;        // rows not read yet
    DeferredStart m_start;                  // of a deferred set
    std::shared_ptr<RecordsetStore> m_held; // rows a deferred set may share when read
    At m_beforeNewAt = At::Eof;             // where CancelUpdate of a new row returns to
    int m_beforeNewPos = 0;
    bool m_pendingNew = false;
    bool m_pendingEdit = false;
    std::vector<std::optional<QVariant>> m_pending; // raw values assigned, per field
    // A streamed read: its open statement, how many rows the signals told of (-1 once all are
    // told) and when, and a failure kept for the next whole-set operation.
    std::unique_ptr<dbdetail::RowRead> m_stream;
    int m_announced = -1;
    QElapsedTimer m_toldAt;
    std::exception_ptr m_readError;
    bool m_failureTold = false;
};

} // namespace portiva
