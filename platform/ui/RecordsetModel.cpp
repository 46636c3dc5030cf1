#include "platform/ui/RecordsetModel.h"

#include "platform/db/DbError.h"
#include "platform/db/Recordset.h"
#include "platform/phrase/Phrase.h"
#include "platform/ui/CountingScope.h"
#include "platform/ui/Guard.h"

namespace portiva
{

RecordsetModel::RecordsetModel(QObject *parent) : QAbstractTableModel(parent) {}

RecordsetModel::~RecordsetModel()
{
    detachSignals();
}

bool RecordsetModel::setRecordset(std::shared_ptr<Recordset> recordset)
{
    if (!commitPending()) {
        return false;
    }
    if (recordset && recordset == m_rs) {
        onReset();
        return true;
    }
    CountingScope following(m_following);
    beginResetModel();
    detachSignals();
    m_headers.clear();
    m_alignment.clear();
    attach(std::move(recordset));
    endResetModel();
    emit recordsetChanged();
    followCursor();
    return true;
}

void RecordsetModel::attach(std::shared_ptr<Recordset> recordset)
{
    m_rs = std::move(recordset);
    m_newRow = -1;
    m_onNewRowLine = false;
    m_fields = fieldNames();
    m_rows = m_rs ? m_rs->rowCount() : 0;
    m_placeholder = wantPlaceholder();
    if (!m_rs) {
        return;
    }
    Recordset *rs = m_rs.get();
    m_connections = {
        connect(rs, &Recordset::currentChanged, this, &RecordsetModel::onCurrentChanged),
        connect(rs, &Recordset::reset, this, &RecordsetModel::onReset),
        connect(rs, &Recordset::rowInserted, this, &RecordsetModel::onRowInserted),
        connect(rs, &Recordset::rowRemoved, this, &RecordsetModel::onRowRemoved),
        connect(rs, &Recordset::rowChanged, this, &RecordsetModel::onRowChanged),
        connect(rs, &Recordset::rowsAppended, this, &RecordsetModel::onRowsAppended),
    };
}

void RecordsetModel::detachSignals()
{
    for (const auto &connection : std::as_const(m_connections)) {
        disconnect(connection);
    }
    m_connections.clear();
}

QStringList RecordsetModel::fieldNames() const
{
    QStringList names;
    if (m_rs && m_rs->isOpen()) {
        const int count = m_rs->fieldCount();
        for (int i = 0; i < count; ++i) {
            names.append(m_rs->fieldName(i));
        }
    }
    return names;
}

// ---------------------------------------------------------------- permissions and layout

void RecordsetModel::setAllowAddNew(bool allow)
{
    m_allowAddNew = allow;
    syncPlaceholder();
}

void RecordsetModel::setAllowUpdate(bool allow)
{
    m_allowUpdate = allow;
}

void RecordsetModel::setAllowDelete(bool allow)
{
    m_allowDelete = allow;
}

void RecordsetModel::setColumnEdit(int column, ColumnEdit edit)
{
    m_columnEdit.insert(column, edit);
}

void RecordsetModel::setHeaderText(int column, const QString &text)
{
    if (text.isEmpty()) {
        m_headers.remove(column);
    } else {
        m_headers.insert(column, text);
    }
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString RecordsetModel::headerText(int column) const
{
    return m_headers.value(column, m_fields.value(column));
}

void RecordsetModel::setColumnAlignment(int column, Qt::Alignment alignment)
{
    m_alignment.insert(column, alignment);
    if (m_rows + int(m_placeholder) > 0) {
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
    }
}

bool RecordsetModel::wantPlaceholder() const
{
    return m_allowAddNew && m_rs && m_rs->isOpen() && !m_rs->isReadOnly() && m_newRow < 0;
}

void RecordsetModel::syncPlaceholder()
{
    const bool want = wantPlaceholder();
    if (want == m_placeholder) {
        return;
    }
    if (want) {
        beginInsertRows({}, m_rows, m_rows);
        m_placeholder = true;
        endInsertRows();
    } else {
        beginRemoveRows({}, m_rows, m_rows);
        m_placeholder = false;
        m_onNewRowLine = false;
        endRemoveRows();
    }
}

bool RecordsetModel::isNewRowLine(int row) const
{
    return m_placeholder && row == m_rows;
}

bool RecordsetModel::currentRowIsNew() const
{
    return m_newRow >= 0 && m_rs && m_rs->rowOfCurrent() == m_newRow;
}

bool RecordsetModel::editable(int row, int column) const
{
    if (!m_rs || !m_rs->isOpen() || m_rs->isReadOnly()) {
        return false;
    }
    const ColumnEdit edit = m_columnEdit.value(column, ColumnEdit::Always);
    if (edit == ColumnEdit::Never) {
        return false;
    }
    const bool newRow = isNewRowLine(row) || (m_newRow >= 0 && row == m_newRow);
    if (newRow) {
        return m_allowAddNew;
    }
    return m_allowUpdate && edit == ColumnEdit::Always;
}

// ---------------------------------------------------------------- Qt model

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows + (m_placeholder ? 1 : 0);
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_rs) {
        return {};
    }
    if (role == Qt::TextAlignmentRole) {
        const auto it = m_alignment.constFind(index.column());
        return it == m_alignment.constEnd() ? QVariant() : QVariant(int(it.value()));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) {
        return {};
    }
    if (index.row() >= m_rows) {
        return QString();
    }
    try {
        return m_rs->cellText(index.row(), index.column(), QString());
    } catch (...) {
        // A closed or replaced recordset shows nothing rather than ending the program.
        return QString();
    }
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editable(index.row(), index.column())) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (orientation == Qt::Horizontal) {
        return headerText(section);
    }
    // Row numbers are the 1-based positions the windows use; "*" marks the new-row line.
    return isNewRowLine(section) ? QStringLiteral("*") : QString::number(section + 1);
}

bool RecordsetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !editable(index.row(), index.column())) {
        return false;
    }
    const QString text = value.toString();
    // An editor closed without a change must not turn a Null cell into "".
    if (!isNewRowLine(index.row()) && text == data(index, Qt::EditRole).toString()) {
        return true;
    }
    if (isNewRowLine(index.row())) {
        if (!startNewRow()) {
            return false;
        }
    } else if (index.row() != currentRow() && !setCurrentRow(index.row())) {
        return false;
    }
    try {
        m_rs->setValue(index.column(), text);
    } catch (const std::exception &e) {
        report(errorDescription(e));
        return false;
    }
    const int row = m_rs->rowOfCurrent();
    emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    return true;
}

// ---------------------------------------------------------------- cursor

int RecordsetModel::currentRow() const
{
    if (!m_rs || !m_rs->isOpen()) {
        return -1;
    }
    if (m_onNewRowLine && m_placeholder) {
        return m_rows;
    }
    return m_rs->rowOfCurrent();
}

bool RecordsetModel::setCurrentRow(int row)
{
    if (!m_rs || row == currentRow()) {
        return true;
    }
    if (!commitPending()) {
        return false;
    }
    try {
        CountingScope moving(m_moving);
        if (isNewRowLine(row)) {
            // The cursor waits past the last row until something is typed in the line.
            if (m_rs->rowCount() > 0 && !m_rs->EOF()) {
                m_rs->MoveLast();
                m_rs->MoveNext();
            }
            m_onNewRowLine = true;
        } else if (row >= 0 && row < m_rows) {
            m_onNewRowLine = false;
            m_rs->moveToRow(row);
        }
    } catch (const std::exception &e) {
        report(errorDescription(e));
        followCursor();
        return false;
    }
    followCursor();
    return true;
}

bool RecordsetModel::startNewRow()
{
    if (!commitPending()) {
        return false;
    }
    try {
        CountingScope moving(m_moving);
        m_onNewRowLine = false;
        m_rs->AddNew();
        if (m_newRowHook) {
            m_newRowHook(*m_rs);
        }
    } catch (const std::exception &e) {
        report(errorDescription(e));
        return false;
    }
    followCursor();
    return true;
}

// ---------------------------------------------------------------- writes

void RecordsetModel::report(const QString &description)
{
    emit writeFailed(description);
}

bool RecordsetModel::commitPending()
{
    if (!m_rs || !m_rs->isOpen() || !m_rs->editPending()) {
        return true;
    }
    if (m_writeCheck) {
        QString refusal;
        try {
            refusal = m_writeCheck(*m_rs, currentRowIsNew());
        } catch (const std::exception &e) {
            refusal = errorDescription(e);
        }
        if (!refusal.isEmpty()) {
            report(refusal);
            return false;
        }
    }
    try {
        if (currentRowIsNew() && m_beforeInsertHook) {
            m_beforeInsertHook(*m_rs);
        }
        m_rs->Update();
    } catch (const std::exception &e) {
        if (keepsRefusedRow(e)) {
            // What was typed stays on its row to be corrected, as a refused check leaves it.
            report(refusalText(e));
            return false;
        }
        report(errorDescription(e));
        abandonRefused();
        return false;
    }
    checkNewRowEnded();
    return true;
}

// A value the file's rules refuse can be corrected on the row, and a lock or a full disk
// passes: the typed row is kept for those. A row changed elsewhere since it was read cannot be
// written as typed at all.
bool RecordsetModel::keepsRefusedRow(const std::exception &e)
{
    const DatabaseError *failure = databaseFailure(e);
    return failure && (failure->kind() == DatabaseError::Kind::Constraint ||
                       failure->kind() == DatabaseError::Kind::Locked ||
                       failure->kind() == DatabaseError::Kind::Full);
}

QString RecordsetModel::refusalText(const std::exception &e)
{
    const QString description = errorDescription(e);
    if (databaseFailure(e)->kind() == DatabaseError::Kind::Constraint)
        return description;
    return notDoneText(
        phrase(u"Raden er ikke lagret.", u"Rækken er ikke gemt.", u"Raden har inte sparats."),
        description);
}

// A write the database refused (another workstation changed the row, a key is missing or
// taken) would be refused again at every later move: once reported it is dropped, and the row
// shows what is stored now, so the window goes on working and nothing stored is overwritten.
void RecordsetModel::abandonRefused()
{
    {
        CountingScope moving(m_moving);
        try {
            m_rs->Resync();
        } catch (const std::exception &) {
            // Unreadable now: at least the refused values go, the row shows them as read.
            skipOnError([this] { m_rs->CancelUpdate(); });
        }
        m_onNewRowLine = false;
        checkNewRowEnded();
        verifyCount();
    }
    followCursor();
}

void RecordsetModel::cancelPending()
{
    if (m_rs && m_rs->isOpen() && m_rs->editPending()) {
        m_rs->CancelUpdate();
        const int row = m_rs->rowOfCurrent();
        if (row >= 0) {
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        }
        checkNewRowEnded();
    }
}

bool RecordsetModel::refresh()
{
    if (!commitPending()) {
        return false;
    }
    if (m_rs) {
        m_rs->Requery();
    }
    return true;
}

bool RecordsetModel::deleteCurrent()
{
    if (!commitPending()) {
        return false;
    }
    if (m_rs) {
        m_rs->Delete();
    }
    return true;
}

void RecordsetModel::close()
{
    commitPending();
    std::shared_ptr<Recordset> rs = m_rs;
    CountingScope following(m_following);
    beginResetModel();
    detachSignals();
    attach(nullptr);
    endResetModel();
    emit recordsetChanged();
    if (rs && rs->isOpen()) {
        rs->Close();
    }
    followCursor();
}

// ---------------------------------------------------------------- notices

void RecordsetModel::followCursor()
{
    emit currentRowChanged(currentRow());
}

// While the model moves the cursor itself (a new row starting, a move to the new-row line),
// the recordset passes through states the view must not follow: starting a row notices the
// insert before the cursor reaches it, and a view that followed that "no current row" would
// close the cell editor the operator is leaving with Tab. The move's own end follows once.
void RecordsetModel::followUnlessMoving()
{
    if (!m_moving)
        followCursor();
}

// Rows that came or went without a notice would leave the views out of step: start again.
bool RecordsetModel::verifyCount()
{
    const int rows = m_rs ? m_rs->rowCount() : 0;
    if (rows == m_rows && m_fields == fieldNames()) {
        return true;
    }
    beginResetModel();
    m_fields = fieldNames();
    m_rows = rows;
    if (m_newRow >= m_rows) {
        m_newRow = -1;
    }
    m_placeholder = wantPlaceholder();
    endResetModel();
    return false;
}

// A pending new row ends by its insert, its cancel, or a move that drops it.
void RecordsetModel::checkNewRowEnded()
{
    if (m_newRow >= 0 && (!m_rs || !m_rs->isOpen() || !m_rs->editPending())) {
        m_newRow = -1;
        syncPlaceholder();
    }
}

void RecordsetModel::onCurrentChanged()
{
    CountingScope following(m_following);
    if (!m_moving) {
        m_onNewRowLine = false;
    }
    checkNewRowEnded();
    verifyCount();
    followUnlessMoving();
}

void RecordsetModel::onReset()
{
    CountingScope following(m_following);
    m_newRow = -1;
    m_onNewRowLine = false;
    const QStringList fields = fieldNames();
    if (fields != m_fields) {
        beginResetModel();
        m_fields = fields;
        m_rows = m_rs ? m_rs->rowCount() : 0;
        m_placeholder = wantPlaceholder();
        endResetModel();
        followCursor();
        return;
    }
    // Same columns (a sort, a re-read): keep the column layout, replace the rows.
    const int rows = m_rs ? m_rs->rowCount() : 0;
    if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    } else if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
    syncPlaceholder();
    if (m_rows > 0 && !m_fields.isEmpty()) {
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_fields.size()) - 1));
    }
    emit headerDataChanged(Qt::Vertical, 0, qMax(0, rowCount() - 1));
    followCursor();
}

void RecordsetModel::onRowInserted(int row)
{
    CountingScope following(m_following);
    if (m_placeholder && row == m_rows) {
        // The new-row line becomes the new row: the view keeps its current cell on it.
        m_placeholder = false;
        m_rows += 1;
        m_newRow = row;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, row, row);
    } else {
        beginInsertRows({}, row, row);
        m_rows += 1;
        m_newRow = row;
        endInsertRows();
        syncPlaceholder();
    }
    verifyCount();
    followUnlessMoving();
}

void RecordsetModel::onRowRemoved(int row)
{
    CountingScope following(m_following);
    const bool wasNew = row == m_newRow;
    if (wasNew) {
        m_newRow = -1;
    } else if (m_newRow > row) {
        m_newRow -= 1;
    }
    if (wasNew && wantPlaceholder() && !m_placeholder && row == m_rows - 1) {
        // The dropped new row turns back into the new-row line.
        m_rows -= 1;
        m_placeholder = true;
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, row, row);
    } else {
        beginRemoveRows({}, row, row);
        m_rows -= 1;
        endRemoveRows();
        syncPlaceholder();
    }
    verifyCount();
    followUnlessMoving();
}

void RecordsetModel::onRowChanged(int row)
{
    CountingScope following(m_following);
    checkNewRowEnded();
    if (row >= 0 && row < m_rows && columnCount() > 0) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

// The rows come after those the views know of and before the new-row line, which stays last.
void RecordsetModel::onRowsAppended(int first, int last)
{
    CountingScope following(m_following);
    if (first != m_rows || m_newRow >= 0) {
        verifyCount();
        return;
    }
    beginInsertRows({}, first, last);
    m_rows = last + 1;
    endInsertRows();
}

} // namespace portiva
