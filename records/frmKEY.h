#pragma once

#include "records/RecordWindow.h"

#include <QString>

class QModelIndex;
class QTabBar;

namespace portiva
{

// The operator's list of key units, one tab per building. The row in view becomes the
// program's selected key unit; levels "6" and "5" add and delete units, "4" only edits, and a
// double click opens the unit's properties above level 4.
class frmKEY : public RecordWindow
{
    Q_OBJECT
public:
    explicit frmKEY(AppState &state);

    // Catches its own failures: the description is shown and the window keeps what the load
    // did up to that step.
    void Form_Load() override;

    void SetButtons(bool show);
    void FillBuildingTabs();
    void TabStrip1_Click(int index);
    void grdDataGrid_Click(const QModelIndex &index);
    void grdDataGrid_DblClick();

    // Empty: every building.
    QString buildingFilter() const { return m_building; }

    QTabBar *TabStrip1 = nullptr;

protected:
    void setDefaultTexts() override;
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override;
    GridPermissions gridPermissions() const override;
    void afterLoad() override;
    bool canDelete() override;
    void deleteCurrentRow() override;
    void onPositionChanged() override;

private:
    void refreshKeyList();
    // The tab of the building filter (the first tab for none, or when no tab has it).
    void selectFilterTab();
    void fillNewRow(Recordset &row);
    void completeNewRow(Recordset &row);

    QString m_building;

    QString m_allBuildingsText;
    QString m_tekst[6];
    QString m_alarmText;
    QString m_lockText;
    QString m_deleteQuestion;
    QString m_numberReminder;
};

} // namespace portiva
