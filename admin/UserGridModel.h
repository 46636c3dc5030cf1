#pragma once

#include <QAbstractTableModel>
#include <QMap>
#include <memory>

namespace portiva
{

class Recordset;

// The user grid's view of one user list: rows and columns as the recordset holds them, the
// field names as captions unless a caption is set, and the grid's current row as the list's
// current row.
class UserGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit UserGridModel(std::shared_ptr<Recordset> list, QObject *parent = nullptr);

    std::shared_ptr<Recordset> recordset() const { return m_list; }
    void setCaption(int column, const QString &caption);
    void setAlignment(int column, Qt::Alignment alignment);
    // Shows only the list's first count fields.
    void showColumns(int count);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<Recordset> m_list;
    QMap<int, QString> m_captions;
    QMap<int, Qt::Alignment> m_alignments;
    int m_shownColumns = -1;
};

} // namespace portiva
