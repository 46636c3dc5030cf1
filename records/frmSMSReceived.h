#pragma once

#include "records/RecordWindow.h"

class QTextEdit;

namespace portiva
{

// Every received SMS in ID order, with the whole text of the current one in a box of its
// own. Reloads within ten seconds when new messages were stored.
class frmSMSReceived : public RecordWindow
{
    Q_OBJECT
public:
    explicit frmSMSReceived(AppState &state);

    QLabel *Label3 = nullptr;
    QTextEdit *SMSText = nullptr;

protected:
    std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) override;
    QString fixedSort() const override { return QStringLiteral("ID"); }
    void afterLoad() override;
    void afterRefresh() override;
    void onCurrentRowChanged() override;

private:
    void SetButtons(bool show);
    // A message without text leaves the box as it was.
    void showCurrentText();
};

} // namespace portiva
