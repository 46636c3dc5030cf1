#pragma once

#include "records/RecordWindow.h"

namespace portiva
{

// The operator accounts: name, password (as stored) and security level. The grid is the only
// place an operator is added; edits count from the next login.
class frmPassword : public RecordWindow
{
    Q_OBJECT
public:
    explicit frmPassword(AppState &state);

protected:
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override;
    QString fixedSort() const override { return QStringLiteral("USER_ID"); }
    GridPermissions gridPermissions() const override;
};

} // namespace portiva
