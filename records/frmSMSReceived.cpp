#include "records/frmSMSReceived.h"

#include "platform/db/Recordset.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace portiva
{

namespace
{

QList<RecordColumn> receivedColumns()
{
    const auto column = &RecordColumn::translated;
    RecordColumn text = column(QStringLiteral("Tekst"), 116, 4300);
    text.wordWrap = true;
    return {
        column(QStringLiteral("ID"), 111, 500),
        // The sender's column shares its heading with the sent window's recipient column.
        column(QStringLiteral("Til"), 112, 1200),
        column(QStringLiteral("Etternavn"), 115, 1500),
        column(QStringLiteral("Fornavn"), 114, 1500),
        column(QStringLiteral("Dato"), 113, 1500),
        text,
    };
}

} // namespace

frmSMSReceived::frmSMSReceived(AppState &state)
    : RecordWindow(state, QStringLiteral("frmSMSReceived"),
                   DeleteButton | RefreshButton | ReloadTimer | TimerFromLoad | KeyNavigation |
                       Translated | ClearsReloadFlag,
                   receivedColumns())
{
    cmdRefresh->setText(QStringLiteral("&Oppdater"));
    const QFont font(QStringLiteral("Arial"));
    Label3 = new QLabel(QStringLiteral("SMS TEKST"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(font);
    SMSText = new QTextEdit(this);
    SMSText->setObjectName(QStringLiteral("SMSText"));
    SMSText->setReadOnly(true);
    SMSText->setAcceptRichText(false);
    SMSText->setFont(font);
    SMSText->setMaximumHeight(110);
    addBelowGrid(Label3);
    addBelowGrid(SMSText);
    addLanguageTarget(121, Label3);
}

std::shared_ptr<Recordset> frmSMSReceived::openRecordsets(const std::shared_ptr<Connection> &c)
{
    // Read in the window's order, ID being the table's key: the first screen shows at once and
    // the rest streams in unsorted (fixedSort is the query's own order).
    return Recordset::openStreamed(c,
                                   QStringLiteral("SELECT ID, FraNummerkort, Etternavn, Fornavn, "
                                                  "Dato, SMS_Text FROM SMS_Received ORDER BY ID"),
                                   {}, fixedSort());
}

void frmSMSReceived::SetButtons(bool show)
{
    cmdDelete->setVisible(show);
    cmdClose->setVisible(show);
    cmdRefresh->setVisible(show);
    cmdNext->setEnabled(show);
    cmdFirst->setEnabled(show);
    cmdLast->setEnabled(show);
    cmdPrevious->setEnabled(show);
}

void frmSMSReceived::afterLoad()
{
    SetButtons(true);
    showCurrentText();
}

void frmSMSReceived::afterRefresh()
{
    showCurrentText();
}

void frmSMSReceived::onCurrentRowChanged()
{
    showCurrentText();
}

void frmSMSReceived::showCurrentText()
{
    const std::shared_ptr<Recordset> rs = adoPrimaryRS();
    // Nothing is read where no message is current (after the last row, or in the gap a
    // delete left).
    if (!rs || rs->EOF() || rs->BOF() || rs->rowOfCurrent() < 0)
        return;
    const QString text = rs->toTextOr(QStringLiteral("SMS_Text"), QString());
    if (!text.isEmpty())
        SMSText->setPlainText(text);
}

} // namespace portiva
