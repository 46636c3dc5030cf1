#pragma once

// Catalogue report: every person of the telephone catalogue, the active or the passive ones,
// with their number of key units, which opening the window brings up to date.

#include "records/ReportWindow.h"

namespace portiva
{

class frmPrintKatalog : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmPrintKatalog(AppState &state);

    void VisKatalog();

    QComboBox *Combo1 = nullptr;
    QComboBox *Combo3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;

    std::shared_ptr<Recordset> adoVisKatalogRS;

protected:
    void fillBoxes() override;
    void rebuildList() override { VisKatalog(); }
    void afterLoad() override { UpdateUserPermissionCounts(); }
    ReportPrintJob printJob() const override;
    std::shared_ptr<Recordset> printedRecordset() const override { return adoVisKatalogRS; }

private:
    void UpdateUserPermissionCounts();

    QString m_listedFilter;
};

} // namespace portiva
