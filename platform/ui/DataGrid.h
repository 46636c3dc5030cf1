#pragma once

#include "platform/ui/RecordsetModel.h"

#include <QHash>
#include <QTableView>
#include <memory>

namespace portiva
{

class Recordset;

// The program's data grid: a table over one RecordsetModel whose current row is the
// recordset's cursor. Column widths are given in twips, as the windows and the printing
// component count them.
class DataGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);

    RecordsetModel *recordsetModel() const { return m_model; }
    // Binds (nullptr unbinds); see RecordsetModel::setRecordset.
    bool setRecordset(std::shared_ptr<Recordset> recordset);
    std::shared_ptr<Recordset> recordset() const { return m_model->recordset(); }

    void setAllowAddNew(bool allow) { m_model->setAllowAddNew(allow); }
    void setAllowUpdate(bool allow) { m_model->setAllowUpdate(allow); }
    void setAllowDelete(bool allow) { m_model->setAllowDelete(allow); }

    int columnCount() const { return m_model->columnCount(); }
    QString columnCaption(int column) const { return m_model->headerText(column); }
    // A column given a width or a caption is never left narrower than its heading, so the
    // heading reads whole in any language.
    void setColumnCaption(int column, const QString &caption);
    double columnWidthTwips(int column) const;
    void setColumnWidthTwips(int column, double twips);
    // Widens a column, never narrows it, so that a cell holding the text shows it whole.
    void fitColumnToText(int column, const QString &text);

signals:
    void headClick(int column);
    // The current cell moved to another row or column.
    void rowColChange();
    // A grid edit or delete could not be written; the window shows the description.
    void writeFailed(const QString &description);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void followCursor(int row);
    void fitHeading(int column);
    // Widens the column to pixels when it is narrower.
    void growColumn(int column, int pixels);
    void returnToCursor();
    void deleteCurrentRow();

    RecordsetModel *m_model;
    QHash<int, int> m_givenWidths; // pixels, by column
    int m_following = 0;
};

} // namespace portiva
