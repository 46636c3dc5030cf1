#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <QTableView>

namespace portiva::test
{

// A user grid's rows as the operator reads them: "number status" (status "" where the list
// has none).
inline QStringList gridRows(const QTableView *grid)
{
    QStringList rows;
    const QAbstractItemModel *model = grid ? grid->model() : nullptr;
    if (!model)
        return rows;
    int statusColumn = -1;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->headerData(c, Qt::Horizontal)
                .toString()
                .compare("Status", Qt::CaseInsensitive) == 0)
            statusColumn = c;
    }
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString status =
            statusColumn < 0 ? QString() : model->index(r, statusColumn).data().toString();
        rows << model->index(r, 0).data().toString() + u' ' + status.trimmed();
    }
    return rows;
}

} // namespace portiva::test
