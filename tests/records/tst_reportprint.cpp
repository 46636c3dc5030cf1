// What the report windows hand to the grid printer, through a recording stand-in registered
// under the component's class id.

#include "helper_reports.h"
#include "platform/ui/DataGrid.h"
#include "records/frmPrintBrukere.h"
#include "records/frmPrintKEY.h"
#include "records/frmPrintKatalog.h"
#include "records/frmPrintLogg.h"
#include "tests/support/ScriptedDialogs.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>
#include <functional>

using namespace portiva;
using namespace portiva::test;

namespace
{

using Opener = std::function<ReportWindow *(AppState &)>;

// The values every report print sets, in their order.
QStringList fixedSettings(const QString &caption, const QString &title)
{
    return {"ShowPreview=-1",
            "ShowPrinterDialog=-1",
            "PreviewCaption=" + caption,
            "Title=-1",
            "TitleText=" + title,
            "TitleTop=0.25",
            "AlignTitle=2",
            "TitleFontSize=12",
            "TitleFontBold=-1",
            "TitleFontItalic=-1",
            "TitleFontName=Times New Roman",
            "PageNumbering=-1",
            "PageNumberingText=Page ofTotal",
            "AlignPageNumbering=2",
            "PageNumberFontName=Arial",
            "PageNumberFontSize=11",
            "FontName=Tahoma",
            "FontSize=10",
            "Grid=1",
            "objectTop=0.75",
            "maxLines=55",
            "Headers=-1",
            "AlignHeaders=1",
            "HeaderFontBold=-1",
            "HeaderFontItalic=0"};
}

// The calls of one instance, without the instance number.
QStringList callsOf(const PrinterRecording &r, int instance)
{
    QStringList calls;
    const QString prefix = QString::number(instance) + u':';
    for (const QString &c : r.calls)
        if (c.startsWith(prefix))
            calls << c.mid(prefix.size());
    return calls;
}

void addData(ReportFixture &f)
{
    f.db.addDemoData();
    f.exec("UPDATE Katalog SET Fornavn = NULL WHERE Bruker = '+4790000012'");
    f.exec("INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, Dato) VALUES "
           "('+4791000001', '90000011', 'Ola', 'Nordmann', '02/11,09:30')");
    f.exec("INSERT INTO NYEbrukere (Bruker, Etternavn, Fornavn, [Gyldig fra], [Gyldig til], "
           "Konto, Status, KeyNummer) VALUES ('+4777777777', 'Ny', 'Nils', '1/6/2026', "
           "'31/12/2099', 'Gjest', 'NY', '+4791000001')");
}

} // namespace

Q_DECLARE_METATYPE(Opener)

class ReportPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void handsOverTheReportSettings_data()
    {
        QTest::addColumn<Opener>("opener");
        QTest::addColumn<QStringList>("expected");
        const QString rowsOfUsers =
            "rows=Bruker|Etternavn|Fornavn|Gyldig fra|Gyldig til|Konto|Status";
        QTest::newRow("users")
            << Opener(&ReportWindow::loaded<frmPrintBrukere>)
            << fixedSettings("Brukere", "Brukere Hovedport (Alle , Alle)") +
                   QStringList{"changeColumnWidths=1,1",
                               "changeColumnWidths=2,1.5",
                               "changeColumnWidths=3,1.5",
                               "changeColumnWidths=4,0.8",
                               "changeColumnWidths=5,0.8",
                               "changeColumnWidths=6,0.8",
                               "changeColumnWidths=7,0.8",
                               "DataGridRecordset=",
                               "printDBGRID=",
                               rowsOfUsers,
                               "row=+4590000013|Hansen|Mette|1/1/2024|31/12/2099|Gjest|Aktiv ",
                               "row=+4790000011|Nordmann|Ola|1/1/2024|31/12/2099|Gjest|Aktiv ",
                               "row=+4790000012|Nordmann|<Null>|1/1/2024|31/12/2099|Gjest|Aktiv ",
                               "grid=DataGrid/7"};
        QTest::newRow("catalogue, two blanks before the bracket")
            << Opener(&ReportWindow::loaded<frmPrintKatalog>)
            << fixedSettings("Brukere", "Telefonkatalog  (Alle)") +
                   QStringList{"changeColumnWidths=1,1",
                               "changeColumnWidths=2,2.1",
                               "changeColumnWidths=3,2.1",
                               "changeColumnWidths=4,1",
                               "DataGridRecordset=",
                               "printDBGRID=",
                               "rows=Bruker|Etternavn|Fornavn|Tillatelser",
                               "row=+4590000013|Hansen|Mette|1",
                               "row=+4690000014|Svensson|Sven|0",
                               "row=+4790000011|Nordmann|Ola|1",
                               "row=+4790000012|Nordmann|<Null>|1",
                               "grid=DataGrid/4"};
        QTest::newRow("access log") << Opener(&ReportWindow::loaded<frmPrintLogg>)
                                    << fixedSettings("Brukere", "LOGG Hovedport") +
                                           QStringList{"changeColumnWidths=1,1",
                                                       "changeColumnWidths=2,1",
                                                       "changeColumnWidths=3,2.1",
                                                       "changeColumnWidths=4,2.1",
                                                       "DataGridRecordset=",
                                                       "printDBGRID=",
                                                       "rows=KeyUser|Dato|Fornavn|Etternavn",
                                                       "row=90000011|02/11,09:30|Ola|Nordmann",
                                                       "grid=DataGrid/4"};
        QTest::newRow("key units, one blank before the bracket")
            << Opener(&ReportWindow::loaded<frmPrintKEY>)
            << fixedSettings(QString::fromUtf8("Nøkler"),
                             QString::fromUtf8("Oversikt Nøkler (Alle)")) +
                   QStringList{"changeColumnWidths=1,1",
                               "changeColumnWidths=2,2",
                               "changeColumnWidths=3,2",
                               "changeColumnWidths=4,1",
                               "DataGridRecordset=",
                               "printDBGRID=",
                               "rows=KeyNummer|KeyNavn|Bygning|KeySikkerhet",
                               "row=+4691000003|Garasje|Garasje|4",
                               "row=+4791000001|Hovedport|Hovedbygg|4",
                               QString::fromUtf8("row=+4591000002|Lagerdør|Lager|4"),
                               "grid=DataGrid/4"};
    }

    void handsOverTheReportSettings()
    {
        QFETCH(Opener, opener);
        QFETCH(QStringList, expected);
        ReportFixture f;
        addData(f);
        RegisteredRecorder recorder;
        QVERIFY(recorder.ok());
        ScriptedDialogs dialogs;
        std::unique_ptr<ReportWindow> w(opener(f.state));
        const int before = recorder.recording().instancesCreated;
        w->Command1->click();
        QCOMPARE(recorder.recording().instancesCreated, before + 1);
        QCOMPARE(callsOf(recorder.recording(), before + 1), expected);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void oneComponentPerWindow()
    {
        ReportFixture f;
        addData(f);
        RegisteredRecorder recorder;
        ScriptedDialogs dialogs;
        PrinterRecording &r = recorder.recording();
        const int first = r.instancesCreated + 1;
        const int alive = r.instancesAlive;
        std::unique_ptr<ReportWindow> a(ReportWindow::loaded<frmPrintKEY>(f.state));
        std::unique_ptr<ReportWindow> b(ReportWindow::loaded<frmPrintKEY>(f.state));
        a->Command1->click();
        a->Command1->click();
        QCOMPARE(r.instancesCreated, first);
        QCOMPARE(callsOf(r, first).count("printDBGRID="), 2);
        b->Command1->click();
        QCOMPARE(r.instancesCreated, first + 1);
        QCOMPARE(r.instancesAlive, alive + 2);
        a->close(); // closing lets the window's component go
        QCOMPARE(r.instancesAlive, alive + 1);
        b.reset();
        QCOMPARE(r.instancesAlive, alive);
    }

    void componentThatCannotBeCreated()
    {
        ReportFixture f;
        addData(f);
        RegisteredRecorder recorder;
        ScriptedDialogs dialogs;
        auto *w = ReportWindow::loaded<frmPrintKEY>(f.state);
        std::unique_ptr<ReportWindow> owner(w);
        recorder.unregister();
        w->Command1->click();
        QCOMPARE(dialogs.texts().size(), 1);
        QVERIFY(dialogs.texts()[0].startsWith("Class not registered (0x80040154)\n"));
        QVERIFY(dialogs.texts()[0].contains("portiva-comreg")); // what to run
        // The window stays usable, and the next print tries again.
        choose(w->Combo1, "Lager");
        QCOMPARE(w->DataGrid1->model()->rowCount(), 1);
        recorder.registerAgain();
        const int created = recorder.recording().instancesCreated;
        w->Command1->click();
        QCOMPARE(recorder.recording().instancesCreated, created + 1);
        QVERIFY(callsOf(recorder.recording(), created + 1)
                    .contains(QString::fromUtf8("TitleText=Oversikt Nøkler (Lager)")));
        QCOMPARE(dialogs.calls().size(), 1);
    }

    void failingPrintIsReported()
    {
        ReportFixture f;
        addData(f);
        RegisteredRecorder recorder;
        ScriptedDialogs dialogs;
        std::unique_ptr<ReportWindow> w(ReportWindow::loaded<frmPrintLogg>(f.state));
        recorder.recording().failPrint = "Printer error";
        w->Command1->click();
        recorder.recording().failPrint.clear();
        QCOMPARE(dialogs.texts(), QStringList{"Printer error"});
    }

    // The title names what is listed, not what was typed into a box since.
    void titleOfTheListedRows_data()
    {
        QTest::addColumn<Opener>("opener");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::newRow("catalogue") << Opener(&ReportWindow::loaded<frmPrintKatalog>) << "Combo1"
                                   << "Aktive"
                                   << "Passive"
                                   << "Telefonkatalog  (Aktive)";
        QTest::newRow("key units") << Opener(&ReportWindow::loaded<frmPrintKEY>) << "Combo1"
                                   << "Lager"
                                   << "Garasje" << QString::fromUtf8("Oversikt Nøkler (Lager)");
        QTest::newRow("users") << Opener(&ReportWindow::loaded<frmPrintBrukere>) << "Combo2"
                               << "Gjest"
                               << "Ukjent"
                               << "Brukere Hovedport (Alle , Gjest)";
    }

    void titleOfTheListedRows()
    {
        QFETCH(Opener, opener);
        QFETCH(QString, box);
        QFETCH(QString, chosen);
        QFETCH(QString, typed);
        QFETCH(QString, title);
        ReportFixture f;
        addData(f);
        RegisteredRecorder recorder;
        ScriptedDialogs dialogs;
        std::unique_ptr<ReportWindow> w(opener(f.state));
        auto *combo = w->findChild<QComboBox *>(box);
        choose(combo, chosen);
        combo->setEditText(typed);
        f.state.SelectedKeyName = "Annen port";
        w->Command1->click();
        QVERIFY(recorder.recording().calls.last().endsWith(
            "grid=DataGrid/" + QString::number(w->DataGrid1->columnCount())));
        QVERIFY(callsOf(recorder.recording(), recorder.recording().instancesCreated)
                    .contains("TitleText=" + title));
    }

    void usersQueueIsHandedOverOnlyWhileListed()
    {
        ReportFixture f;
        addData(f);
        RegisteredRecorder recorder;
        ScriptedDialogs dialogs;
        auto *w = ReportWindow::loaded<frmPrintBrukere>(f.state);
        std::unique_ptr<ReportWindow> owner(w);
        PrinterRecording &r = recorder.recording();
        choose(w->Combo2, "Gjest");
        choose(w->Combo1, "NY");
        w->Command1->click();
        const int id = r.instancesCreated;
        QStringList calls = callsOf(r, id);
        QVERIFY(calls.contains("TitleText=Brukere Hovedport (NY , Gjest)"));
        QCOMPARE(calls.filter("row=").join(';'),
                 QString("row=+4777777777|Ny|Nils|1/6/2026|31/12/2099|Gjest|NY"));
        choose(w->Combo1, "AKTIV ");
        r.calls.clear();
        w->Command1->click();
        calls = callsOf(r, id);
        QCOMPARE(calls.filter("row=").size(), 3);
        QVERIFY(calls.contains("TitleText=Brukere Hovedport (AKTIV  , Gjest)"));
    }
};

QTEST_MAIN(ReportPrintTest)
#include "tst_reportprint.moc"
