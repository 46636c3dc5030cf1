// Numbers, dates and headings shown whole in the widths the windows give their grid columns,
// measured in the face the program uses (the test support sets it as the program does).

#include "helper_reports.h"
#include "platform/faces/Faces.h"
#include "platform/ui/DataGrid.h"
#include "records/frmKEY.h"
#include "records/frmPrintBrukere.h"
#include "records/frmPrintKEY.h"
#include "records/frmPrintKatalog.h"
#include "records/frmPrintLogg.h"
#include "records/frmSMSReceived.h"
#include "records/frmSMSSent.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QStyle>
#include <QtTest>
#include <memory>

using namespace portiva;
using namespace portiva::test;

namespace
{

const QString Number = QStringLiteral("+46701234567");
const QString Unit = QStringLiteral("+46701234560");

// The rows each window lists, with the longest texts of their kind.
void addRows(ReportFixture &f)
{
    f.state.SelectedKeyNummer = Unit;
    f.exec(QStringLiteral("INSERT INTO KEYTable (KeyNummer, KeyNavn, Bygning, KeySikkerhet) "
                          "VALUES (?, 'Port', 'A', '4')"),
           {Unit});
    f.addRight(Number, Unit, QStringLiteral("Gjest"), QStringLiteral("Aktiv "),
               QStringLiteral("31/12/2024"));
    f.addPerson(Number, QStringLiteral("Berg"), QStringLiteral("Anne"));
    f.exec(QStringLiteral("INSERT INTO LOGGData (KeyNummer, KeyUser, Dato) "
                          "VALUES (?, ?, '31/12,23:59')"),
           {Unit, Number});
    f.exec(QStringLiteral("INSERT INTO SMS_Received (FraNummer, FraNummerKort, Dato, SMS_Text) "
                          "VALUES (?, '701234567', '24/12/31,23:59:59', 'x')"),
           {Number});
    f.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, Dato, CMGS) "
                          "VALUES (?, '701234567', '2024-12-31', '17:OK')"),
           {Number});
}

QWidget *openWindow(const QString &kind, AppState &state)
{
    if (kind == QLatin1String("frmKEY"))
        return RecordWindow::loaded<frmKEY>(state);
    if (kind == QLatin1String("frmSMSReceived"))
        return RecordWindow::loaded<frmSMSReceived>(state);
    if (kind == QLatin1String("frmSMSSent")) {
        state.ShowSentSMS = true;
        return RecordWindow::loaded<frmSMSSent>(state);
    }
    if (kind == QLatin1String("frmPrintBrukere"))
        return ReportWindow::loaded<frmPrintBrukere>(state);
    if (kind == QLatin1String("frmPrintKatalog"))
        return ReportWindow::loaded<frmPrintKatalog>(state);
    if (kind == QLatin1String("frmPrintLogg"))
        return ReportWindow::loaded<frmPrintLogg>(state);
    if (kind == QLatin1String("frmPrintKEY"))
        return ReportWindow::loaded<frmPrintKEY>(state);
    return nullptr;
}

// What a cell keeps for its text: the column less the item's focus-frame margins.
int textRoom(const DataGrid *grid, int column)
{
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid);
    return grid->columnWidth(column) - 2 * (margin + 1);
}

} // namespace

class ColumnFitTest : public QObject
{
    Q_OBJECT

private slots:
    void programFaceInUse()
    {
        QCOMPARE(QFontInfo(QApplication::font()).family(), QString::fromLatin1(DialogFaceFamily));
        QCOMPARE(QApplication::font().pointSize(), DialogFacePointSize);
    }

    void cellShownWhole_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("column");
        QTest::newRow("key units: number") << "frmKEY" << 0;
        QTest::newRow("received: sender") << "frmSMSReceived" << 1;
        QTest::newRow("received: time stamp") << "frmSMSReceived" << 4;
        QTest::newRow("sent: recipient") << "frmSMSSent" << 1;
        QTest::newRow("sent: date") << "frmSMSSent" << 2;
        QTest::newRow("users report: number") << "frmPrintBrukere" << 0;
        QTest::newRow("users report: valid from") << "frmPrintBrukere" << 3;
        QTest::newRow("users report: valid to") << "frmPrintBrukere" << 4;
        QTest::newRow("catalogue report: number") << "frmPrintKatalog" << 0;
        QTest::newRow("log report: user") << "frmPrintLogg" << 0;
        QTest::newRow("log report: time") << "frmPrintLogg" << 1;
        QTest::newRow("key-unit report: number") << "frmPrintKEY" << 0;
    }

    void cellShownWhole()
    {
        QFETCH(QString, window);
        QFETCH(int, column);
        ReportFixture f;
        addRows(f);
        ScriptedDialogs dialogs;
        std::unique_ptr<QWidget> w(openWindow(window, f.state));
        QVERIFY(w);
        auto *grid = w->findChild<DataGrid *>();
        QVERIFY(grid && grid->model()->rowCount() > 0);
        const QString text = grid->model()->index(0, column).data().toString();
        QVERIFY2(text.size() >= 8, qPrintable(text));
        const int needed = grid->fontMetrics().horizontalAdvance(text);
        QVERIFY2(needed <= textRoom(grid, column),
                 qPrintable(QStringLiteral("\"%1\" needs %2 px, the column keeps %3")
                                .arg(text)
                                .arg(needed)
                                .arg(textRoom(grid, column))));
        QVERIFY(dialogs.calls().isEmpty());
    }

    // A heading that fits leaves the column the width its window gives it.
    void givenWidthsKept()
    {
        ReportFixture f;
        addRows(f);
        ScriptedDialogs dialogs;
        std::unique_ptr<QWidget> w(openWindow(QStringLiteral("frmSMSSent"), f.state));
        auto *grid = w->findChild<DataGrid *>();
        QCOMPARE(qRound(grid->columnWidthTwips(0) / 15), 500 / 15);
        QCOMPARE(qRound(grid->columnWidthTwips(1) / 15), 900 / 15);
        QCOMPARE(qRound(grid->columnWidthTwips(2) / 15), 1800 / 15);
    }

    // Every heading reads whole, also where the window's width for the column is narrower
    // (the key-unit report's level column) and where a language's text is longer.
    void headingsShownWhole_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *kind : {"frmKEY", "frmSMSReceived", "frmSMSSent", "frmPrintBrukere",
                                 "frmPrintKatalog", "frmPrintLogg", "frmPrintKEY"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void headingsShownWhole()
    {
        QFETCH(QString, window);
        ReportFixture f;
        addRows(f);
        f.state.CountryCode = QStringLiteral("46");
        f.setLanguageText(63, QStringLiteral("Svensk"), QString::fromUtf8("Säkerhetsnivå (grupp)"));
        ScriptedDialogs dialogs;
        std::unique_ptr<QWidget> w(openWindow(window, f.state));
        auto *grid = w->findChild<DataGrid *>();
        QHeaderView *header = grid->horizontalHeader();
        const int margin = grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int c = 0; c < grid->columnCount(); ++c) {
            if (grid->isColumnHidden(c))
                continue;
            const QString text = grid->model()->headerData(c, Qt::Horizontal).toString();
            const int needed = header->fontMetrics().horizontalAdvance(text) + 2 * margin;
            QVERIFY2(needed <= header->sectionSize(c),
                     qPrintable(QStringLiteral("\"%1\" needs %2 px, the column has %3")
                                    .arg(text)
                                    .arg(needed)
                                    .arg(header->sectionSize(c))));
        }
    }
};

QTEST_MAIN(ColumnFitTest)
#include "tst_columnfit.moc"
