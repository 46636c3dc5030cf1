// Print runs through the registered component: PDF output read back, dialogs, failures.

#include "helper_gridprint.h"

#include <QApplication>
#include <QFile>
#include <QTest>

using namespace portiva::com;
using namespace portiva::gridprint;
using namespace portiva::gridprint::test;

namespace
{

// The settings a report window hands over before its print.
void reportSettings(I_VeskDGPrinterL *p)
{
    p->put_ShowPreview(VFalse);
    p->put_ShowPrinterDialog(VFalse);
    putText(p, &I_VeskDGPrinterL::put_PreviewCaption, "Nøkler");
    p->put_Title(VTrue);
    putText(p, &I_VeskDGPrinterL::put_TitleText, "Oversikt Nøkler (Alle)");
    p->put_TitleTop(0.25f);
    p->put_AlignTitle(2);
    p->put_TitleFontSize(12);
    p->put_TitleFontBold(VTrue);
    p->put_TitleFontItalic(VTrue);
    putText(p, &I_VeskDGPrinterL::put_TitleFontName, "Times New Roman");
    p->put_PageNumbering(VTrue);
    putText(p, &I_VeskDGPrinterL::put_PageNumberingText, "Page ofTotal");
    p->put_AlignPageNumbering(2);
    putText(p, &I_VeskDGPrinterL::put_PageNumberFontName, "Arial");
    p->put_PageNumberFontSize(11);
    putText(p, &I_VeskDGPrinterL::put_FontName, "Tahoma");
    p->put_FontSize(10);
    p->put_Grid(1);
    p->put_objectTop(0.75f);
    p->put_maxLines(55);
    p->put_Headers(VTrue);
    p->put_AlignHeaders(1);
    p->put_HeaderFontBold(VTrue);
    p->put_HeaderFontItalic(VFalse);
    const float widths[] = {1.0f, 2.0f, 2.0f, 1.0f};
    for (int16_t i = 1; i <= 4; ++i) {
        float w = widths[i - 1];
        p->changeColumnWidths(&i, &w);
    }
}

} // namespace

class TestPrintRun : public QObject
{
    Q_OBJECT
    RegisteredTabulon *m_reg = nullptr;
    QTemporaryDir m_out;
    I_VeskDGPrinterL *p = nullptr;
    FakeGrid grid{{1440, 1440, 1440, 1440}};

    QString pdf(const QString &name) const { return m_out.filePath(name + ".pdf"); }
    void toPdf(const QString &file, int dpi = 1200, float margins = -1)
    {
        hooksOf(p)->usePdfOutput(reinterpret_cast<const char16_t *>(file.utf16()), dpi, margins);
    }
    HResult handOver(FakeRecordset *rs)
    {
        const HResult hr = p->putref_DataGridRecordset(rs);
        rs->release();
        return hr;
    }
    HResult print(IUnknownLike *g)
    {
        IUnknownLike *arg = g;
        return p->printDBGRID(&arg);
    }
    HResult print() { return print(&grid); }

private slots:
    void initTestCase()
    {
        m_reg = new RegisteredTabulon;
        QVERIFY(m_reg->ok());
    }
    void init()
    {
        p = createPrinter();
        QVERIFY(p);
        hooksOf(p)->captureMessages(VTrue);
        reportSettings(p);
    }
    void cleanup()
    {
        takeMessages(p);
        p->release();
    }
    void cleanupTestCase() { delete m_reg; }

    // The program's own case: 500 records, 54 a page under a header line.
    void fiveHundredRowsPrintByTheRules()
    {
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(500, 4)));
        const QString file = pdf("500");
        toPdf(file);
        QCOMPARE(print(), S_OK_);
        QCOMPARE(pdfPageCount(file), 10);
        const QString info = pdfInfo(file);
        QVERIFY(info.contains(QRegularExpression("Title:\\s+Voduraduziv")));
        QVERIFY(info.contains("612 x 792 pts"));
        const QStringList pages = pdfPages(file);
        QCOMPARE(pages.size(), 10);
        for (int k = 1; k <= 10; ++k) {
            const QString &t = pages[k - 1];
            QVERIFY(t.contains(QString::fromUtf8("Oversikt Nøkler (Alle)")));
            QVERIFY(t.contains(QRegularExpression("Field1\\s+Field2\\s+Field3\\s+Field4")));
            QVERIFY2(t.contains(QStringLiteral("Page %1 of 10").arg(k)), qPrintable(t));
            QVERIFY(t.contains(QStringLiteral("r%1c1").arg(54 * (k - 1) + 1)));
            QVERIFY(t.contains(QStringLiteral("r%1c4").arg(qMin(54 * k, 500))));
            if (k < 10)
                QVERIFY(!t.contains(QStringLiteral("r%1c1 ").arg(54 * k + 1)));
        }
        VBool held = VTrue;
        hooksOf(p)->layoutHeld(&held);
        QCOMPARE(held, VFalse);
    }

    void cellsCutNullAndNorwegian()
    {
        const QString longText(200, u'x');
        handOver(FakeRecordset::make({"A", "B", "C", "D"}, {{"1", QVariant(), "Nøkler", longText},
                                                            {"2", "a\r\nb", QVariant(), "kort"}}));
        const QString file = pdf("cells");
        toPdf(file);
        QCOMPARE(print(), S_OK_);
        const QStringList pages = pdfPages(file);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages[0].contains(QString::fromUtf8("Nøkler")));
        QVERIFY(pages[0].contains("xxx..."));
        QVERIFY(!pages[0].contains(longText));
        QVERIFY2(pages[0].contains(QRegularExpression("\\n2\\s+a ?b\\s+kort")),
                 qPrintable(pages[0]));
    }

    void printerDialogAnswers()
    {
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(20, 4)));
        p->put_maxLines(5); // 5 pages of 4 records
        p->put_ShowPrinterDialog(VTrue);
        const QString cancelled = pdf("cancelled");
        toPdf(cancelled);
        hooksOf(p)->answerPrintDialog(VFalse, 0, 0);
        QCOMPARE(print(), S_OK_);
        QVERIFY(!QFile::exists(cancelled));

        const QString some = pdf("some");
        toPdf(some);
        hooksOf(p)->answerPrintDialog(VTrue, 2, 3);
        QCOMPARE(print(), S_OK_);
        const QStringList pages = pdfPages(some);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains("Page 2 of 5"));
        QVERIFY(pages[1].contains("Page 3 of 5"));

        // A range outside the document starts no job at all.
        const QString none = pdf("none");
        toPdf(none);
        hooksOf(p)->answerPrintDialog(VTrue, 4, 3);
        QCOMPARE(print(), S_OK_);
        QVERIFY(!QFile::exists(none));
    }

    void refusedLayoutsPrintNothing()
    {
        const QString file = pdf("refused");
        toPdf(file);
        handOver(FakeRecordset::make(fieldNames(4), {}));
        QCOMPARE(print(), S_OK_);
        QCOMPARE(takeMessages(p), QStringLiteral("The recordset is empty or the .dbgridRecordset "
                                                 "property has not been set."));
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(3, 4)));
        FakeGrid notGrid({1440}, QStringLiteral("MSFlexGrid"));
        QCOMPARE(print(&notGrid), S_OK_);
        QCOMPARE(takeMessages(p), QStringLiteral("The object must be a DataGrid."));
        QVERIFY(!QFile::exists(file));
    }

    void failedJobIsReportedAndDoesNotBlock()
    {
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(3, 4)));
        toPdf(m_out.filePath("missing/dir/out.pdf"));
        QCOMPARE(print(), HResult(0x800A01E2));
        const QString good = pdf("after");
        toPdf(good);
        QCOMPARE(print(), S_OK_);
        QCOMPARE(pdfPageCount(good), 1);
    }

    void printableAreaFromThePrinter()
    {
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(3, 4)));
        toPdf(pdf("area"), 600, 18);
        QCOMPARE(print(), S_OK_);
        float left = 0, top = 0, width = 0, height = 0;
        hooksOf(p)->printableArea(&left, &top, &width, &height);
        QCOMPARE(left, 0.25f);
        QCOMPARE(width, 8.0f);
        QCOMPARE(height, 10.5f);
    }

    void landscapeA4()
    {
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(60, 4)));
        p->put_PaperSize(9);
        p->put_Orientation(2);
        const QString file = pdf("a4l");
        toPdf(file);
        QCOMPARE(print(), S_OK_);
        QVERIFY(pdfInfo(file).contains("842 x 595 pts"));
        QCOMPARE(pdfPageCount(file), 2);
        p->put_Orientation(1);
        p->put_PaperSize(1);
    }

    // Reading Headers and Grid through a fresh instance makes its empty values the active ones.
    void freshReadsTurnHeadersOff()
    {
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(3, 4)));
        I_VeskDGPrinterL *fresh = createPrinter();
        VBool headers = VTrue;
        int32_t gridStyle = 1;
        fresh->get_Headers(&headers);
        fresh->get_Grid(&gridStyle);
        QCOMPARE(headers, VFalse);
        QCOMPARE(gridStyle, 0);
        const QString file = pdf("fresh");
        toPdf(file);
        QCOMPARE(print(), S_OK_);
        QVERIFY(!pdfPages(file).value(0).contains("Field1"));
        fresh->release();
    }

    void handOverClonesAndReleases()
    {
        int released = 0;
        FakeRecordset *first = FakeRecordset::make(fieldNames(4), numberedRows(5, 4));
        first->releasedClones = &released;
        first->position = 4; // the caller's fifth row
        QCOMPARE(p->putref_DataGridRecordset(first), S_OK_);
        FakeRecordset *failing = FakeRecordset::make(fieldNames(4), numberedRows(9, 4));
        failing->failClone = true;
        QVERIFY(failed(p->putref_DataGridRecordset(failing)));
        failing->release();
        const QString file = pdf("clone");
        toPdf(file);
        QCOMPARE(print(), S_OK_);
        QCOMPARE(first->position, 4);
        QVERIFY(pdfPages(file).value(0).contains("r5c1")); // the earlier rows stayed
        QVERIFY(!pdfPages(file).value(0).contains("r9c1"));
        QCOMPARE(released, 0);
        handOver(FakeRecordset::make(fieldNames(4), numberedRows(2, 4)));
        QCOMPARE(released, 1);
        first->release();
    }
};

QTEST_MAIN(TestPrintRun)
#include "tst_printrun.moc"
