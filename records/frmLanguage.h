#pragma once

#include "records/RecordWindow.h"

namespace portiva
{

// The table of window texts in the three languages, edited in place. Every window addresses
// its texts by row position, so rows are neither added nor deleted here, and the rows are
// shown in the same order (and numbered the same way) as the windows read them.
class frmLanguage : public RecordWindow
{
    Q_OBJECT
public:
    explicit frmLanguage(AppState &state);

protected:
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override;
    GridPermissions gridPermissions() const override;
};

} // namespace portiva
