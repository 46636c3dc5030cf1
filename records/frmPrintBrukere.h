#pragma once

// Users report: the users of the selected key unit by status and account, or its queue of
// new users, sorted by a chosen column.

#include "records/ReportWindow.h"

namespace portiva
{

class frmPrintBrukere : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmPrintBrukere(AppState &state);

    void VisBrukere();
    // The list shown: 0 before the first, then the mode of chooseUserListMode.
    int UserListMode = 0;

    QComboBox *Combo1 = nullptr;
    QComboBox *Combo2 = nullptr;
    QComboBox *Combo3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;

    std::shared_ptr<Recordset> adoVisBrukereRS;
    std::shared_ptr<Recordset> adoVisNyeBrukereRS;

protected:
    void fillBoxes() override;
    void rebuildList() override { VisBrukere(); }
    ReportPrintJob printJob() const override;
    std::shared_ptr<Recordset> printedRecordset() const override;

private:
    QStringList boxEntries(const QString &column, bool upperCase) const;

    // The choices and key unit the shown list was built with: the title names them.
    QString m_listedStatus;
    QString m_listedAccount;
    QString m_listedKeyName;
};

} // namespace portiva
