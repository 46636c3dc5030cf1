#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QMetaObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace portiva
{

class Recordset;

// A grid's view of one recordset: its fields are the columns, its live rows the rows, and
// its cursor the grid's current row in both directions. Edits made in the grid stay pending
// on the recordset's current row and are written (Update) when the current row moves off,
// and before a refresh, a rebind, a delete or a close, so nothing typed is written half. A
// write the database refuses is reported by writeFailed (the window shows the description),
// then dropped: the row shows what is stored now, and a refused new row leaves the grid. Rows
// a streamed recordset reads later come in as inserted rows, before the new-row line.
class RecordsetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // How a column may be edited where the grid's permissions allow editing at all.
    enum class ColumnEdit { Always, NewRowOnly, Never };
    using RowHook = std::function<void(Recordset &)>;
    // Why the pending row must not be written as it stands; empty when it may be.
    using WriteCheck = std::function<QString(const Recordset &, bool newRow)>;

    explicit RecordsetModel(QObject *parent = nullptr);
    ~RecordsetModel() override;

    // Binds a recordset (nullptr unbinds). The pending edit of the recordset bound so far is
    // written first; when that fails, nothing changes and false is returned. Binding another
    // recordset starts with default headers; binding the same one again keeps them.
    bool setRecordset(std::shared_ptr<Recordset> recordset);
    std::shared_ptr<Recordset> recordset() const { return m_rs; }

    void setAllowAddNew(bool allow);
    void setAllowUpdate(bool allow);
    void setAllowDelete(bool allow);
    bool allowAddNew() const { return m_allowAddNew; }
    bool allowUpdate() const { return m_allowUpdate; }
    bool allowDelete() const { return m_allowDelete; }
    void setColumnEdit(int column, ColumnEdit edit);

    // Heading of a column; an empty text goes back to the field name.
    void setHeaderText(int column, const QString &text);
    QString headerText(int column) const;
    void setColumnAlignment(int column, Qt::Alignment alignment);

    // Run right after the grid starts a new row (AddNew), and right before that row is
    // inserted: the window's defaults for a new row.
    void setNewRowHook(RowHook hook) { m_newRowHook = std::move(hook); }
    void setBeforeInsertHook(RowHook hook) { m_beforeInsertHook = std::move(hook); }
    // Asked before every write of a pending edit or new row, ahead of the before-insert hook:
    // a refusal is reported like a failed write, but nothing reaches the database and the
    // edit stays as typed, for the operator to correct.
    void setWriteCheck(WriteCheck check) { m_writeCheck = std::move(check); }

    // The grid row of the cursor; the new-row line when the grid stands there; -1 when
    // the recordset has no current row.
    int currentRow() const;
    bool currentRowIsNew() const;
    bool isNewRowLine(int row) const;
    // Moves the cursor to a grid row, writing the pending edit first. False (and the
    // cursor stays) when that write fails.
    bool setCurrentRow(int row);
    // True while the model is taking in a change of the recordset; a view's own current-row
    // changes meanwhile are consequences of it, not the operator's moves.
    bool isFollowing() const { return m_following > 0; }

    // Writes the pending edit or new row, if any. False after reporting a failure: an edit
    // the write check refuses stays as typed, one the database refuses is dropped.
    bool commitPending();
    // Drops the pending edit or new row unwritten.
    void cancelPending();
    // Writes the pending edit, then re-reads the rows. Failures of the re-read throw.
    bool refresh();
    // Writes the pending edit, then deletes the current row (the cursor stays in its gap,
    // so MoveNext reaches the row that followed). Failures of the delete throw.
    bool deleteCurrent();
    // Writes the pending edit (a failure is reported), then closes and unbinds the recordset.
    void close();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The cursor now stands on this grid row (-1: none); the view follows it.
    void currentRowChanged(int row);
    void writeFailed(const QString &description);
    // Another recordset was bound (or the bound one unbound): column layout starts afresh.
    void recordsetChanged();

private:
    void attach(std::shared_ptr<Recordset> recordset);
    void detachSignals();
    void onCurrentChanged();
    void onReset();
    void onRowInserted(int row);
    void onRowRemoved(int row);
    void onRowChanged(int row);
    void onRowsAppended(int first, int last);
    void followCursor();
    void followUnlessMoving();
    void abandonRefused();
    static bool keepsRefusedRow(const std::exception &e);
    static QString refusalText(const std::exception &e);
    void syncPlaceholder();
    void checkNewRowEnded();
    bool verifyCount();
    bool wantPlaceholder() const;
    bool editable(int row, int column) const;
    bool startNewRow();
    void report(const QString &description);
    QStringList fieldNames() const;
    int dataRows() const { return m_rows; }

    std::shared_ptr<Recordset> m_rs;
    QList<QMetaObject::Connection> m_connections;
    QStringList m_fields;
    QHash<int, QString> m_headers;
    QHash<int, Qt::Alignment> m_alignment;
    QHash<int, ColumnEdit> m_columnEdit;
    RowHook m_newRowHook;
    RowHook m_beforeInsertHook;
    WriteCheck m_writeCheck;
    int m_rows = 0;             // recordset rows the views know of
    bool m_placeholder = false; // the new-row line is shown after them
    int m_newRow = -1;          // grid row of a pending new row
    bool m_onNewRowLine = false;
    int m_moving = 0; // cursor moves made here, not by the window
    int m_following = 0;
    bool m_allowAddNew = false;
    bool m_allowUpdate = false;
    bool m_allowDelete = false;
};

} // namespace portiva
