// The received-SMS window: the list in ID order, the text box that follows the current
// message, and the reload when new messages were stored.

#include "helper_reports.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "records/frmSMSReceived.h"
#include "tests/support/ScriptedDialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

struct Fixture : ReportFixture {
    Fixture()
    {
        exec(QStringLiteral("DELETE FROM SMS_Received"));
        // Stored out of ID order; the third has no text.
        addMessage(3, QStringLiteral("tredje"));
        addMessage(1, QStringLiteral("Velkommen\r\nlinje to"));
        addMessage(2, QVariant());
        addMessage(4, QString());
    }
    void addMessage(int id, const QVariant &text)
    {
        exec(QStringLiteral("INSERT INTO SMS_Received (ID, FraNummer, FraNummerKort, Etternavn, "
                            "Fornavn, Dato, SMS_Text) VALUES (?, '+4791000001', '91000001', "
                            "'Nordmann', 'Ola', '24/05/01,12:00:00', ?)"),
             {id, text});
    }
    std::unique_ptr<frmSMSReceived> open()
    {
        return std::unique_ptr<frmSMSReceived>(RecordWindow::loaded<frmSMSReceived>(state));
    }
};

int currentId(const frmSMSReceived &w)
{
    return w.adoPrimaryRS()->value(QStringLiteral("ID")).toInt();
}

} // namespace

class ReceivedTest : public QObject
{
    Q_OBJECT

private slots:
    void loadListsByIdAndShowsTheFirstText()
    {
        Fixture f;
        f.state.ReloadRequested = true;
        f.setLanguageText(112, QStringLiteral("Norsk"), QVariant()); // no text: "Til"
        ScriptedDialogs dialogs;
        auto w = f.open();
        QCOMPARE(currentId(*w), 1);
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("Velkommen\nlinje to"));
        QVERIFY(w->SMSText->isReadOnly());
        QVERIFY(!f.state.ReloadRequested);
        QVERIFY(w->Timer1->isActive());
        QStringList ids;
        for (const QString &row : gridRows(w->grdDataGrid))
            ids << row.section(u'|', 0, 0);
        QCOMPARE(ids, (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(w->grdDataGrid->columnCaption(1), QStringLiteral("Til"));
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(5) / 100), 43);
        QVERIFY(w->grdDataGrid->wordWrap());
        // Nothing in the grid is edited or added.
        QAbstractItemModel *model = w->grdDataGrid->model();
        QCOMPARE(model->rowCount(), 4);
        QVERIFY(!(model->flags(model->index(0, 5)) & Qt::ItemIsEditable));
        // The buttons shown and enabled; no add or edit buttons of its own.
        for (const char *name : {"cmdDelete", "cmdRefresh", "cmdClose"})
            QVERIFY(!w->findChild<QPushButton *>(name)->isHidden());
        for (const char *name : {"cmdAdd", "cmdEdit", "cmdUpdate", "cmdCancel"})
            QVERIFY(!w->findChild<QPushButton *>(name));
        QVERIFY(w->cmdNext->isEnabled());
        QVERIFY(dialogs.calls().isEmpty());
    }

    void emptyTextKeepsThePreviousOne()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdNext_Click(); // 2: Null text
        QCOMPARE(currentId(*w), 2);
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("Velkommen\nlinje to"));
        w->cmdNext_Click(); // 3
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("tredje"));
        w->cmdNext_Click(); // 4: empty text
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("tredje"));
        // The grid's own row change shows the text too.
        w->grdDataGrid->setCurrentIndex(w->grdDataGrid->model()->index(0, 2));
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("Velkommen\nlinje to"));
        // The last message deleted: nothing current, the box keeps its text.
        w->cmdLast_Click();
        w->cmdDelete_Click();
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: -3"));
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("Velkommen\nlinje to"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void reloadReturnsToTheFirstMessage()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdLast_Click();
        f.addMessage(5, QStringLiteral("ny melding"));
        f.state.ReloadRequested = true;
        QCOMPARE(w->Timer1->interval(), 10000);
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 5);
        QCOMPARE(currentId(*w), 1);
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("Velkommen\nlinje to"));
        QVERIFY(!f.state.ReloadRequested);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void refreshShowsNewMessagesAndTheText()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdDelete_Click(); // 1 goes, 2 (no text) is current
        QCOMPARE(currentId(*w), 2);
        f.addMessage(0, QStringLiteral("eldst"));
        w->cmdRefresh_Click();
        QCOMPARE(currentId(*w), 0);
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("eldst"));
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(0) / 100), 5);
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM SMS_Received WHERE ID = 1")).toInt(),
                 0);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void texts()
    {
        Fixture f;
        f.state.CountryCode = QStringLiteral("45");
        f.setLanguageText(121, QStringLiteral("Dansk"), QStringLiteral("SMS-TEKST"));
        f.setLanguageText(116, QStringLiteral("Dansk"), QStringLiteral(" "));
        f.setLanguageText(109, QStringLiteral("Dansk"), QVariant());
        f.setLanguageText(109, QStringLiteral("Norsk"), QStringLiteral("Frisk"));
        auto w = f.open();
        QCOMPARE(w->Label3->text(), QStringLiteral("SMS-TEKST"));
        QCOMPARE(w->grdDataGrid->columnCaption(5), QStringLiteral(" ")); // a blank is a text
        QCOMPARE(w->cmdRefresh->text(), QStringLiteral("&Oppdater"));    // no fallback to Norsk
    }

    // The list is read in ID order by its own query: the window's sort does not wait for the
    // last of many messages, and the first one's text shows at once.
    void manyMessagesShowTheFirstAtOnce()
    {
        Fixture f;
        for (int id = 5; id <= 600; ++id)
            f.addMessage(id, QStringLiteral("melding %1").arg(id));
        ScriptedDialogs dialogs;
        auto w = f.open();
        QVERIFY(w->adoPrimaryRS()->streaming());
        QCOMPARE(w->adoPrimaryRS()->Sort(), QStringLiteral("ID"));
        QCOMPARE(currentId(*w), 1);
        QCOMPARE(w->SMSText->toPlainText(), QStringLiteral("Velkommen\nlinje to"));
        QTRY_COMPARE(w->grdDataGrid->model()->rowCount(), 600);
        QCOMPARE(w->grdDataGrid->model()->index(599, 0).data().toString(), QStringLiteral("600"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void emptyTableOpens()
    {
        Fixture f;
        f.exec(QStringLiteral("DELETE FROM SMS_Received"));
        ScriptedDialogs dialogs;
        auto w = f.open();
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 0);
        QVERIFY(w->SMSText->toPlainText().isEmpty());
        QVERIFY(dialogs.calls().isEmpty());
    }
};

QTEST_MAIN(ReceivedTest)
#include "tst_received.moc"
