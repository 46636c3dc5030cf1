#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QStringList>
#include <QTest>

namespace portiva::test
{

// Types into a grid the way an operator does: on the current cell each value is typed (the
// first key opens the cell editor), then Tab (or Shift+Tab) leaves it for the next cell.
// Keys go to whatever has focus, as real key presses do.
inline void typeCells(QAbstractItemView *grid, const QStringList &values, bool backwards = false)
{
    const auto focused = [grid] {
        return QApplication::focusWidget() ? QApplication::focusWidget() : grid;
    };
    for (const QString &value : values) {
        // One key at a time: the first opens the editor, which then has the focus.
        for (const QChar c : value)
            QTest::keyClicks(focused(), QString(c));
        QWidget *target = focused();
        if (backwards)
            QTest::keyClick(target, Qt::Key_Backtab, Qt::ShiftModifier);
        else
            QTest::keyClick(target, Qt::Key_Tab);
        // The delegate commits the cell and moves on after the editor has seen the key.
        QTest::qWait(0);
    }
}

// Shows the grid's window active with the grid focused on the given cell.
inline bool focusCell(QAbstractItemView *grid, int row, int column)
{
    QWidget *window = grid->window();
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row, column));
    return grid->hasFocus() && grid->currentIndex().row() == row &&
           grid->currentIndex().column() == column;
}

} // namespace portiva::test
