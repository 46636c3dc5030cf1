// Report windows printing through the built grid printer, from its preview into a PDF file.

#include "helper_gridprint.h"
#include "helper_reports.h"
#include "platform/ui/DataGrid.h"
#include "records/frmPrintBrukere.h"
#include "records/frmPrintKEY.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
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

} // namespace

class ReportPdfTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
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
        QVERIFY(page.contains(QRegularExpression("KeyNum\\S*\\s+KeyNavn\\s+Bygning\\s+KeySikker")));
        QVERIFY(page.contains(
            QRegularExpression(QString::fromUtf8("\\+4591000\\S*\\s+Lagerdør\\s+Lager\\s+4"))));
        // Cells too wide for the report's widths end in "..." (the component's rule); the
        // unit without a name prints its other cells, the name left empty.
        QVERIFY(page.contains(QRegularExpression("\\+4799000\\S*\\s+Verksted\\s+5")));
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
            "Bruker\\s+Etternavn\\s+Fornavn\\s+Gyldig f\\S*\\s+Gyldig til\\s+Konto\\s+Status")));
        QVERIFY(page.contains(QRegularExpression("\\+4790000\\S*\\s+Nordmann\\s+Ola\\s+1/1/2024")));
        QVERIFY(page.contains(QRegularExpression("\\+4790000\\S*\\s+Nordmann\\s+1/1/2024")));
        QVERIFY(dialogs.calls().isEmpty());
    }
};

QTEST_MAIN(ReportPdfTest)
#include "tst_reportpdf.moc"
