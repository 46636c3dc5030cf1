#pragma once

// Key-unit report: every key unit, or those of one building, sorted by a chosen column,
// whatever the operator's level.

#include "records/ReportWindow.h"

namespace portiva
{

class frmPrintKEY : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmPrintKEY(AppState &state);

    void VisKEY();

    QComboBox *Combo1 = nullptr;
    QComboBox *Combo3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;

    std::shared_ptr<Recordset> adoVisKEYRS;

protected:
    void fillBoxes() override;
    void rebuildList() override { VisKEY(); }
    ReportPrintJob printJob() const override;
    std::shared_ptr<Recordset> printedRecordset() const override { return adoVisKEYRS; }

private:
    QString m_listedBuilding;
};

} // namespace portiva
