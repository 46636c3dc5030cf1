// Report windows printing through the built grid printer, from its preview into a PDF file.

#include "helper_gridprint.h"
#include "helper_reports.h"
#include "platform/db/TextOrder.h"
#include "platform/ui/DataGrid.h"
#include "records/frmPrintBrukere.h"
#include "records/frmPrintKEY.h"
#include "records/frmPrintKatalog.h"
#include "records/frmPrintLogg.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;
using namespace portiva::gridprint::test;

namespace
{

// Prints from the preview the print button opens, then closes the preview; returns the PDF's
// pages as text.
QStringList printToPdf(ReportWindow &w, const QString &file)
{
    gridprint::I_VeskDGPrinterL *component = w.reportPrinter().component();
    gridprint::ITabulonTestHooks *hooks = hooksOf(component);
    hooks->captureMessages(com::VTrue);
    hooks->usePdfOutput(reinterpret_cast<const char16_t *>(file.utf16()), 300, -1);
    hooks->answerPrintDialog(com::VTrue, 0, 0);
    bool previewed = false;
    QTimer::singleShot(0, [&previewed] {
        auto *preview = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!preview)
            return;
        previewed = true;
        preview->findChild<QPushButton *>("Command9")->click();
        preview->reject();
    });
    w.Command1->click();
    [&] { QVERIFY(previewed); }();
    [&] { QCOMPARE(takeMessages(component), QString()); }();
    return pdfPages(file);
}

// The text standing whole in the page, not cut to "..." nor run into a neighbour.
bool printedWhole(const QString &page, const QString &text)
{
    return page.contains(QRegularExpression(
        QStringLiteral("(?<!\\S)") + QRegularExpression::escape(text) + QStringLiteral("(?!\\S)")));
}

enum class Report { Users, Catalogue, AccessLog, KeyUnits };

ReportWindow *openReport(Report report, AppState &state)
{
    switch (report) {
    case Report::Users:
        return ReportWindow::loaded<frmPrintBrukere>(state);
    case Report::Catalogue:
        return ReportWindow::loaded<frmPrintKatalog>(state);
    case Report::AccessLog:
        return ReportWindow::loaded<frmPrintLogg>(state);
    case Report::KeyUnits:
        return ReportWindow::loaded<frmPrintKEY>(state);
    }
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(Report)

class ReportPdfTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void cleanup() { setListLanguage(QStringLiteral("47")); }

    // The catalogue sorted by surname prints in the site's language's order, each name's
    // spellings side by side whatever their case.
    void surnamesPrintInTheSiteLanguage_data()
    {
        QTest::addColumn<QString>("countryCode");
        QTest::addColumn<QStringList>("expected");
        // The Norwegian and Danish rules read "Aa" as "Å"; the Swedish ones as "A".
        QTest::newRow("Norwegian")
            << "47" << QStringList{"zorro", "äng", "ærlig", "öst", "østby", "åberg", "ås", "aas"};
        QTest::newRow("Danish") << "45" << QStringList{"zorro", "äng",   "ærlig", "öst",
                                                       "østby", "åberg", "aas",   "ås"};
        QTest::newRow("Swedish") << "46" << QStringList{"aas", "zorro", "åberg", "ås",
                                                        "äng", "ærlig", "öst",   "østby"};
    }
    void surnamesPrintInTheSiteLanguage()
    {
        QFETCH(QString, countryCode);
        QFETCH(QStringList, expected);
        RegisteredTabulon reg;
        QVERIFY(reg.ok());
        ReportFixture f;
        const QStringList names = {"Aas", "Ås",    "Ærlig", "Østby", "Zorro", "Öst",
                                   "Äng", "Åberg", "ZORRO", "ØSTBY", "ærlig", "ÅS",
                                   "äng", "åberg", "AAS",   "öst"};
        for (int i = 0; i < names.size(); ++i)
            f.addPerson(QStringLiteral("+479800%1").arg(i, 2, 10, QLatin1Char('0')), names.at(i),
                        "Kari");
        f.state.CountryCode = countryCode;
        setListLanguage(countryCode);
        ScriptedDialogs dialogs;
        std::unique_ptr<frmPrintKatalog> w(ReportWindow::loaded<frmPrintKatalog>(f.state));
        choose(w->Combo3, "Etternavn");
        const QStringList pages = printToPdf(*w, m_dir.filePath(countryCode + "-sorted.pdf"));
        QCOMPARE(pages.size(), 1);
        QStringList printed;
        static const QRegularExpression row(QStringLiteral("\\+479800\\d\\d\\s+(\\S+)\\s+Kari"));
        for (auto m = row.globalMatch(pages[0]); m.hasNext();)
            printed << m.next().captured(1).toLower();
        QStringList twice;
        for (const QString &name : expected)
            twice << name << name;
        QCOMPARE(printed, twice);
        QVERIFY(dialogs.calls().isEmpty());
    }

    // The widest texts the reports hold, in the widths the reports give their columns: a full
    // international number, a day-first date with four-digit year, every header of the report.
    void numbersDatesAndHeadersPrintWhole_data()
    {
        QTest::addColumn<Report>("report");
        QTest::addColumn<QString>("headerLine");
        QTest::addColumn<QStringList>("whole");
        QTest::newRow("users") << Report::Users
                               << "Bruker\\s+Etternavn\\s+Fornavn\\s+Gyldig fra\\s+Gyldig "
                                  "til\\s+Konto\\s+Status"
                               << QStringList{"+46701234567", "01/02/2024", "28/12/2099"};
        QTest::newRow("catalogue")
            << Report::Catalogue << "Bruker\\s+Etternavn\\s+Fornavn\\s+Tillatelser"
            << QStringList{"+46701234567", "+4790000011"};
        QTest::newRow("access log")
            << Report::AccessLog << "KeyUser\\s+Dato\\s+Fornavn\\s+Etternavn"
            << QStringList{"+46701234567", "05/03,07:45"};
        QTest::newRow("key units")
            << Report::KeyUnits << "KeyNummer\\s+KeyNavn\\s+Bygning\\s+KeySikkerhet"
            << QStringList{"+46701234568", "+4791000001"};
    }
    void numbersDatesAndHeadersPrintWhole()
    {
        QFETCH(Report, report);
        QFETCH(QString, headerLine);
        QFETCH(QStringList, whole);
        RegisteredTabulon reg;
        QVERIFY(reg.ok());
        ReportFixture f;
        f.db.addDemoData();
        f.addPerson("+46701234567", "Andersson", "Anna", "1");
        f.exec("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig til], "
               "TilTid, Konto, Saldo, Status) VALUES ('+46701234567', '+4791000001', "
               "'01/02/2024', '00', '28/12/2099', '24', 'Gjest', '0', 'Aktiv')");
        f.exec("INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, Dato) VALUES "
               "('+4791000001', '+46701234567', 'Anna', 'Andersson', '05/03,07:45')");
        f.exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, Bygning, KeySikkerhet) VALUES "
               "('+46701234568', 'Portrom', 'Hovedbygg', '5')");
        ScriptedDialogs dialogs;
        std::unique_ptr<ReportWindow> w(openReport(report, f.state));
        const QString file = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".pdf");
        const QStringList pages = printToPdf(*w, file);
        QCOMPARE(pages.size(), 1);
        QVERIFY2(pages[0].contains(QRegularExpression(headerLine)), qPrintable(pages[0]));
        for (const QString &text : whole)
            QVERIFY2(printedWhole(pages[0], text), qPrintable(text + " in\n" + pages[0]));
        QVERIFY2(!pages[0].contains("..."), qPrintable(pages[0]));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void keyUnitsReport()
    {
        RegisteredTabulon reg;
        QVERIFY(reg.ok());
        ReportFixture f;
        f.db.addDemoData();
        f.exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, Bygning, KeySikkerhet) VALUES "
               "('+4799000009', NULL, 'Verksted', '5')");
        ScriptedDialogs dialogs;
        std::unique_ptr<ReportWindow> w(ReportWindow::loaded<frmPrintKEY>(f.state));
        const QStringList pages = printToPdf(*w, m_dir.filePath("keys.pdf"));
        QCOMPARE(pages.size(), 1);
        const QString &page = pages[0];
        QVERIFY(page.contains(QString::fromUtf8("Oversikt Nøkler (Alle)")));
        QVERIFY(
            page.contains(QRegularExpression("KeyNummer\\s+KeyNavn\\s+Bygning\\s+KeySikkerhet")));
        QVERIFY(page.contains(
            QRegularExpression(QString::fromUtf8("\\+4591000002\\s+Lagerdør\\s+Lager\\s+4"))));
        // The unit without a name prints its other cells, the name left empty.
        QVERIFY(page.contains(QRegularExpression("\\+4799000009\\s+Verksted\\s+5")));
        QVERIFY(page.contains("Page 1 of 1"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void usersReportShowsFieldNames()
    {
        RegisteredTabulon reg;
        QVERIFY(reg.ok());
        ReportFixture f;
        f.db.addDemoData();
        f.exec("UPDATE Katalog SET Fornavn = NULL WHERE Bruker = '+4790000012'");
        f.state.CountryCode = "46";
        f.setLanguageText(122, "Svensk", QString::fromUtf8("Användare"));
        ScriptedDialogs dialogs;
        std::unique_ptr<ReportWindow> w(ReportWindow::loaded<frmPrintBrukere>(f.state));
        QCOMPARE(w->DataGrid1->columnCaption(0), QString::fromUtf8("Användare"));
        const QStringList pages = printToPdf(*w, m_dir.filePath("users.pdf"));
        QCOMPARE(pages.size(), 1);
        const QString &page = pages[0];
        QVERIFY(page.contains("Brukere Hovedport (Alle , Alle)"));
        QVERIFY(page.contains(QRegularExpression(
            "Bruker\\s+Etternavn\\s+Fornavn\\s+Gyldig fra\\s+Gyldig til\\s+Konto\\s+Status")));
        QVERIFY(page.contains(QRegularExpression("\\+4790000011\\s+Nordmann\\s+Ola\\s+1/1/2024")));
        QVERIFY(page.contains(QRegularExpression("\\+4790000012\\s+Nordmann\\s+1/1/2024")));
        QVERIFY(dialogs.calls().isEmpty());
    }
};

QTEST_MAIN(ReportPdfTest)
#include "tst_reportpdf.moc"
