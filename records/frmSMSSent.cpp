#include "records/frmSMSSent.h"

#include "modem/SendQueue.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "programstate/AppState.h"

#include <QPushButton>

namespace portiva
{

namespace
{

constexpr int sendStateColumn = 6;

QList<RecordColumn> sentColumns()
{
    return {
        {QStringLiteral("ID"), 111, 500, QStringLiteral("ID")},
        {QStringLiteral("Til"), 112, 900, QStringLiteral("tilnummerkort")},
        {QStringLiteral("Dato"), 113, 1800, QStringLiteral("dato")},
        {QStringLiteral("Fornavn"), 114, 1000, QStringLiteral("fornavn")},
        {QStringLiteral("Etternavn"), 115, 0, QStringLiteral("etternavn")},
        {QStringLiteral("Tekst"), 116, 0, QStringLiteral("SMS_text")},
        {QStringLiteral("Meld.No"), 117, 0, QStringLiteral("CMGS")},
        // The times and the report status re-apply the last sort field.
        {QStringLiteral("Tid Sendt"), 118, 0, QString()},
        {QStringLiteral("Tid Mottatt"), 119, 0, QString()},
        {QStringLiteral("Status"), 120, 0, QString()},
    };
}

constexpr RecordWindow::Features sentFeatures =
    RecordWindow::DeleteButton | RecordWindow::RefreshButton | RecordWindow::HeaderSort |
    RecordWindow::ReloadTimer | RecordWindow::TimerFromLoad | RecordWindow::KeyNavigation |
    RecordWindow::Translated | RecordWindow::ClearsReloadFlag;

} // namespace

frmSMSSent::frmSMSSent(AppState &state)
    : RecordWindow(state, QStringLiteral("frmSMSSent"), sentFeatures, sentColumns()),
      m_view(sentViewFor(state.ShowSentSMS))
{
    setWindowTitle(QStringLiteral("frmSMSSent"));
    cmdRefresh->setText(QStringLiteral("Opp&frisk"));
}

std::shared_ptr<Recordset> frmSMSSent::openRecordsets(const std::shared_ptr<Connection> &c)
{
    // A site's history runs to a million rows: the window shows the first at once.
    return Recordset::openStreamed(c, sentViewQuery(m_view));
}

// The grid's default width cuts the words that tell an operator a send was interrupted and may
// have gone out; that row must read whole, or it looks like any other failed send.
void frmSMSSent::fitSendStates()
{
    if (m_view == SentView::Sent)
        grdDataGrid->fitColumnToText(sendStateColumn, interruptedSendText());
}

} // namespace portiva
