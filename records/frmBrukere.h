#pragma once

#include "records/RecordWindow.h"

namespace portiva
{

// The telephone catalogue: every person known to the system, with name, address, the number
// of key units the person is registered on and the national form of the number. A person
// who still holds rights cannot be deleted.
class frmBrukere : public RecordWindow
{
    Q_OBJECT
public:
    explicit frmBrukere(AppState &state);

    // The refusal shown for a person who still holds rights, in the current language.
    QString refusalText() const { return m_refusal; }

protected:
    void setDefaultTexts() override;
    QString defaultSortField() const override { return QStringLiteral("Bruker"); }
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override;
    GridPermissions gridPermissions() const override;
    bool canDelete() override;
    void beforeRefresh() override;

private:
    // Writes every person's count of rights and national number where they differ from the
    // stored ones, in one transaction.
    void UpdateUserPermissionCounts();

    QString m_refusal;
};

} // namespace portiva
