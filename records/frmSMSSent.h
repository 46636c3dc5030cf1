#pragma once

#include "records/RecordWindow.h"
#include "records/frmSMSSentView.h"

namespace portiva
{

// The outgoing SMS: either those that have left the queue or those still waiting in it. The
// window keeps the list it was opened with for its whole life.
class frmSMSSent : public RecordWindow
{
    Q_OBJECT
public:
    // Takes ShowSentSMS as it stands now: opening the other list later does not change this one.
    explicit frmSMSSent(AppState &state);

    SentView view() const { return m_view; }

protected:
    QString defaultSortField() const override { return QStringLiteral("ID"); }
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override;
    void afterLoad() override { fitSendStates(); }
    void afterRefresh() override { fitSendStates(); }

private:
    void fitSendStates();

    SentView m_view;
};

} // namespace portiva
