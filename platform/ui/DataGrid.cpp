#include "platform/ui/DataGrid.h"

#include "platform/db/Recordset.h"
#include "platform/ui/CountingScope.h"
#include "platform/ui/Guard.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStyle>
#include <QTimer>

namespace portiva
{

namespace
{

constexpr double twipsPerInch = 1440.0;

} // namespace

DataGrid::DataGrid(QWidget *parent) : QTableView(parent), m_model(new RecordsetModel(this))
{
    setModel(m_model);
    setSortingEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    // A heading click is a command to the window (usually a sort); it must not select the
    // column or move the current cell.
    QObject::disconnect(horizontalHeader(), SIGNAL(sectionPressed(int)), this, nullptr);
    QObject::disconnect(horizontalHeader(), SIGNAL(sectionEntered(int)), this, nullptr);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::headClick);
    connect(m_model, &RecordsetModel::currentRowChanged, this, &DataGrid::followCursor);
    connect(m_model, &RecordsetModel::writeFailed, this, &DataGrid::writeFailed);
    // Another recordset starts with the grid's own widths.
    connect(m_model, &RecordsetModel::recordsetChanged, this, [this] { m_givenWidths.clear(); });
}

bool DataGrid::setRecordset(std::shared_ptr<Recordset> recordset)
{
    return m_model->setRecordset(std::move(recordset));
}

void DataGrid::setColumnCaption(int column, const QString &caption)
{
    m_model->setHeaderText(column, caption);
    fitHeading(column);
}

// A width given in twips is the column's unless its heading needs more; a column the window
// gave no width keeps the grid's and only grows for its heading.
void DataGrid::fitHeading(int column)
{
    QHeaderView *header = horizontalHeader();
    if (column < 0 || column >= header->count())
        return;
    const QString text = m_model->headerData(column, Qt::Horizontal).toString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int needed = header->fontMetrics().horizontalAdvance(text) + 2 * margin;
    const auto given = m_givenWidths.constFind(column);
    if (given != m_givenWidths.constEnd())
        header->resizeSection(column, qMax(*given, needed));
    else
        growColumn(column, needed);
}

void DataGrid::growColumn(int column, int pixels)
{
    if (horizontalHeader()->sectionSize(column) < pixels)
        horizontalHeader()->resizeSection(column, pixels);
}

double DataGrid::columnWidthTwips(int column) const
{
    return horizontalHeader()->sectionSize(column) * twipsPerInch / logicalDpiX();
}

void DataGrid::setColumnWidthTwips(int column, double twips)
{
    m_givenWidths.insert(column, qRound(twips * logicalDpiX() / twipsPerInch));
    fitHeading(column);
}

void DataGrid::fitColumnToText(int column, const QString &text)
{
    if (column < 0 || column >= horizontalHeader()->count())
        return;
    // The cell's text margins on each side, and the grid line.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    growColumn(column, fontMetrics().horizontalAdvance(text) + 2 * margin + 1);
}

void DataGrid::followCursor(int row)
{
    CountingScope following(m_following);
    const QModelIndex current = currentIndex();
    if (row < 0) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    const int column = current.isValid() ? current.column() : 0;
    const QModelIndex target = m_model->index(row, column);
    if (target != current) {
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
        scrollTo(target);
    } else if (!selectionModel()->isRowSelected(row, {})) {
        selectionModel()->select(target,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

// After a refused move the view goes back to the recordset's row once the click or key that
// moved it has been handled completely.
void DataGrid::returnToCursor()
{
    QTimer::singleShot(0, this, [this] { followCursor(m_model->currentRow()); });
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (!m_following && !m_model->isFollowing() && current.isValid() &&
        current.row() != m_model->currentRow()) {
        if (!m_model->setCurrentRow(current.row())) {
            returnToCursor();
            return;
        }
    }
    if (current.isValid() &&
        (current.row() != previous.row() || current.column() != previous.column())) {
        emit rowColChange();
    }
}

void DataGrid::deleteCurrentRow()
{
    std::shared_ptr<Recordset> rs = recordset();
    if (!rs || m_model->isNewRowLine(currentIndex().row())) {
        return;
    }
    try {
        if (m_model->currentRowIsNew()) {
            m_model->cancelPending();
            return;
        }
        if (m_model->deleteCurrent() && !rs->EOF() && !rs->BOF()) {
            rs->MoveNext();
        }
    } catch (const std::exception &e) {
        emit writeFailed(errorDescription(e));
    }
}

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier &&
        state() != QAbstractItemView::EditingState && m_model->allowDelete()) {
        deleteCurrentRow();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace portiva
