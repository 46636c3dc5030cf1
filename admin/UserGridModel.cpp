#include "admin/UserGridModel.h"

#include "platform/db/Recordset.h"

#include <algorithm>

namespace portiva
{

UserGridModel::UserGridModel(std::shared_ptr<Recordset> list, QObject *parent)
    : QAbstractTableModel(parent), m_list(std::move(list))
{
    // A sort or requery reorders every row.
    connect(m_list.get(), &Recordset::reset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(m_list.get(), &Recordset::rowChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); });
}

void UserGridModel::setCaption(int column, const QString &caption)
{
    m_captions[column] = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void UserGridModel::setAlignment(int column, Qt::Alignment alignment)
{
    m_alignments[column] = alignment;
}

void UserGridModel::showColumns(int count)
{
    beginResetModel();
    m_shownColumns = count;
    endResetModel();
}

int UserGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_list->isOpen() ? 0 : m_list->rowCount();
}

int UserGridModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const int fields = m_list->fieldCount();
    return m_shownColumns >= 0 ? std::min(fields, m_shownColumns) : fields;
}

QVariant UserGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_list->cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && m_alignments.contains(index.column()))
        return QVariant::fromValue(m_alignments.value(index.column()) | Qt::AlignVCenter);
    return {};
}

QVariant UserGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (m_captions.contains(section))
        return m_captions.value(section);
    return section < m_list->fieldCount() ? m_list->fieldName(section) : QVariant();
}

} // namespace portiva
