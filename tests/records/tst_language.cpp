// The language-table window, and how record windows take their texts from that table by row
// position at every load.

#include "helper_reports.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "records/frmLanguage.h"
#include "records/frmPassword.h"
#include "tests/support/ScriptedDialogs.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

template <class W> std::unique_ptr<W> open(ReportFixture &f)
{
    return std::unique_ptr<W>(RecordWindow::loaded<W>(f.state));
}

// Three rows whose ID values run against their stored order.
void smallTable(ReportFixture &f)
{
    f.exec(QStringLiteral("DELETE FROM TBLLanguage"));
    f.exec(QStringLiteral("INSERT INTO TBLLanguage (ID, Norsk, Dansk, Svensk) VALUES "
                          "(30, 'en', 'en', 'ett'), (20, 'to', 'to', 'två'), "
                          "(10, 'tre', NULL, 'tre')"));
}

} // namespace

class LanguageTest : public QObject
{
    Q_OBJECT

private slots:
    void tableInStoredOrderNumberedByPosition()
    {
        ReportFixture f;
        smallTable(f);
        ScriptedDialogs dialogs;
        auto w = open<frmLanguage>(f);
        QCOMPARE(gridRows(w->grdDataGrid),
                 (QStringList{"30|en|en|ett", "20|to|to|två", "10|tre||tre"}));
        QAbstractItemModel *model = w->grdDataGrid->model();
        QCOMPARE(model->headerData(2, Qt::Vertical).toString(), QStringLiteral("3"));
        const QStringList fields{"ID", "Norsk", "Dansk", "Svensk"};
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(w->grdDataGrid->columnCaption(i), fields[i]);
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(0) / 100), 5);
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(3) / 100), 45);
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        w->cmdLast_Click();
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 3"));
        QVERIFY(!w->cmdDelete && !w->cmdRefresh && !w->Timer1);
        QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("cmdDelete")));
        QCOMPARE(w->cmdClose->text(), QStringLiteral("&Avslutt"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void gridEditsButNeverAddsOrDeletes()
    {
        ReportFixture f;
        smallTable(f);
        ScriptedDialogs dialogs;
        auto w = open<frmLanguage>(f);
        QAbstractItemModel *model = w->grdDataGrid->model();
        QCOMPARE(model->rowCount(), 3); // no new-row line
        w->grdDataGrid->setFocus();
        QTest::keyClick(w->grdDataGrid, Qt::Key_Delete);
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM TBLLanguage")).toInt(), 3);
        // Editing the ID reorders nothing: positions follow the stored order.
        QVERIFY(model->setData(model->index(0, 0), QStringLiteral("99")));
        QVERIFY(model->setData(model->index(1, 3), QStringLiteral("tvåa")));
        w->cmdFirst_Click();
        QVERIFY(dialogs.calls().isEmpty());
        auto again = open<frmLanguage>(f);
        QCOMPARE(gridRows(again->grdDataGrid),
                 (QStringList{"99|en|en|ett", "20|to|to|tvåa", "10|tre||tre"}));
    }

    void noKeyHandling()
    {
        ReportFixture f;
        smallTable(f);
        ScriptedDialogs dialogs;
        auto w = open<frmLanguage>(f);
        w->show();
        QTest::keyClick(w->grdDataGrid, Qt::Key_Escape);
        QVERIFY(w->isVisible());
        // The grid's own keys move the row, and the cursor follows.
        w->grdDataGrid->setCurrentIndex(w->grdDataGrid->model()->index(0, 1));
        QTest::keyClick(w->grdDataGrid, Qt::Key_Down);
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 2"));
        QCOMPARE(dialogs.beeps(), 0);
    }

    void emptyTableOpensEmpty()
    {
        ReportFixture f;
        f.exec(QStringLiteral("DELETE FROM TBLLanguage"));
        ScriptedDialogs dialogs;
        auto w = open<frmLanguage>(f);
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 0);
        w->cmdNext_Click();
        w->cmdLast_Click();
        QCOMPARE(dialogs.beeps(), 0);
        QVERIFY(dialogs.calls().isEmpty());
        // Windows that read the table keep their built-in texts.
        auto passwords = open<frmPassword>(f);
        QCOMPARE(passwords->cmdClose->text(), QStringLiteral("&Avslutt"));
        QCOMPARE(passwords->grdDataGrid->columnCaption(0), QStringLiteral("BRUKER"));
    }

    // Row 108 captions the close button, row 110 the delete button.
    void textsByPositionAndLanguage_data()
    {
        QTest::addColumn<QString>("countryCode");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QString>("remove");

        QTest::newRow("norwegian") << "47"
                                   << ""
                                   << "N108"
                                   << "N110";
        QTest::newRow("swedish") << "46"
                                 << ""
                                 << "S108"
                                 << "S110";
        QTest::newRow("danish") << "45"
                                << ""
                                << "D108"
                                << "D110";
        QTest::newRow("swedish empty: the default, not another language") << "46"
                                                                          << "emptySwedish"
                                                                          << "&Avslutt"
                                                                          << "S110";
        QTest::newRow("a single blank is a text") << "45"
                                                  << "blankDanish"
                                                  << " "
                                                  << "D110";
        QTest::newRow("IDs exchanged: texts stay by position") << "47"
                                                               << "swapIds"
                                                               << "N108"
                                                               << "N110";
        QTest::newRow("unknown code: built-in texts") << "44"
                                                      << ""
                                                      << "&Avslutt"
                                                      << "&Slett";
    }

    void textsByPositionAndLanguage()
    {
        QFETCH(QString, countryCode);
        QFETCH(QString, setup);
        QFETCH(QString, close);
        QFETCH(QString, remove);
        ReportFixture f;
        f.state.CountryCode = countryCode;
        for (int row : {108, 110}) {
            f.setLanguageText(row, QStringLiteral("Norsk"), QStringLiteral("N%1").arg(row));
            f.setLanguageText(row, QStringLiteral("Dansk"), QStringLiteral("D%1").arg(row));
            f.setLanguageText(row, QStringLiteral("Svensk"), QStringLiteral("S%1").arg(row));
        }
        if (setup == QLatin1String("emptySwedish"))
            f.setLanguageText(108, QStringLiteral("Svensk"), QString());
        if (setup == QLatin1String("blankDanish"))
            f.setLanguageText(108, QStringLiteral("Dansk"), QStringLiteral(" "));
        if (setup == QLatin1String("swapIds")) {
            f.setLanguageText(108, QStringLiteral("Norsk"), QStringLiteral("N108"));
            f.exec(QStringLiteral("UPDATE TBLLanguage SET ID = 218 - ID WHERE rowid IN (SELECT "
                                  "rowid FROM TBLLanguage ORDER BY rowid LIMIT 3 OFFSET 107)"));
        }
        auto w = open<frmPassword>(f);
        QCOMPARE(w->cmdClose->text(), close);
        QCOMPARE(w->cmdDelete->text(), remove);
    }

    void openWindowsKeepTheirTextsUntilTheNextLoad()
    {
        ReportFixture f;
        ScriptedDialogs dialogs;
        auto w = open<frmPassword>(f);
        auto editor = open<frmLanguage>(f);
        QAbstractItemModel *model = editor->grdDataGrid->model();
        QVERIFY(model->setData(model->index(107, 1), QStringLiteral("&Lukk")));
        editor->cmdClose_Click();
        QVERIFY(w->cmdClose->text() != QStringLiteral("&Lukk"));
        QCOMPARE(open<frmPassword>(f)->cmdClose->text(), QStringLiteral("&Lukk"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void missingTableFailsTheLoad()
    {
        ReportFixture f;
        f.exec(QStringLiteral("DROP TABLE TBLLanguage"));
        QVERIFY_THROWS_EXCEPTION(std::exception, open<frmPassword>(f));
        QVERIFY_THROWS_EXCEPTION(std::exception, open<frmLanguage>(f));
    }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
