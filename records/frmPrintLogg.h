#pragma once

// Access-log report: the log of the selected key unit, sorted by a chosen column.

#include "records/ReportWindow.h"

namespace portiva
{

class frmPrintLogg : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmPrintLogg(AppState &state);

    void VisLogg();

    QComboBox *Combo1 = nullptr;
    QLabel *Label1 = nullptr;

    std::shared_ptr<Recordset> adoVisLoggRS;

protected:
    void fillBoxes() override;
    void rebuildList() override { VisLogg(); }
    ReportPrintJob printJob() const override;
    std::shared_ptr<Recordset> printedRecordset() const override { return adoVisLoggRS; }

private:
    QString m_listedKeyName;
};

} // namespace portiva
