// The print engine without the component layer: pagination, placement, page numbers, drawing.

#include "gridprint/engine/PrintEngine.h"
#include "gridprint/engine/VeskprintDLG.h"
#include "helper_gridprint.h"
#include "platform/vb/Error.h"

#include <QApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QTest>

using namespace portiva;
using namespace portiva::com;
using namespace portiva::gridprint;
using namespace portiva::gridprint::test;

namespace
{

class StubMeasurer : public TextMeasurer
{
public:
    double width = 0.5;
    double widthInches(const QString &, const QFont &) override { return width; }
};

struct Rig {
    SharedPrintSettings s;
    PageLayout L;
    StubMeasurer measurer;
    QStringList messages;
    PrintEngine engine{s, L, [this](const QString &m) { messages << m; }, measurer};
    FakeGrid grid{{1440, 1440, 1440, 1440}};

    Rig()
    {
        s.Headers = VTrue;
        s.Grid = 1;
        s.Orientation = 1;
        s.FontSize = 10;
        s.FontName = QStringLiteral("DejaVu Sans");
        engine.setGeometry(100, 0.25f, 0.25f, 8.0f, 10.5f);
    }
    void handOver(int rows, int fields = 4, int32_t reported = -2)
    {
        auto *rs = FakeRecordset::make(fieldNames(fields), numberedRows(rows, fields));
        rs->reportedCount = reported;
        s.recordset = ComPtr<IRecordsetLike>::adopt(rs);
        rs->recordCount(&s.rowCount);
        s.fieldCount = fields;
    }
    bool build() { return engine.BuildGridPages(&grid); }
};

QImage blankPage(int w = 850, int h = 1100)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(100 / 0.0254));
    img.setDotsPerMeterY(qRound(100 / 0.0254));
    img.fill(Qt::white);
    return img;
}

// Dark runs along a row or column of pixels.
int runs(const QImage &img, bool alongRow, int at, int from, int to)
{
    int count = 0;
    bool inside = false;
    for (int i = from; i < to; ++i) {
        const bool dark = qGray(alongRow ? img.pixel(i, at) : img.pixel(at, i)) < 128;
        if (dark && !inside)
            ++count;
        inside = dark;
    }
    return count;
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void pagination_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("m");
        QTest::addColumn<bool>("headers");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QList<int>>("perPage");
        QTest::newRow("10/5 headers") << 10 << 5 << true << 3 << 13 << QList<int>{5, 5, 3};
        QTest::newRow("5/2 headers") << 5 << 2 << true << 5 << 10 << QList<int>{2, 2, 2, 2, 2};
        QTest::newRow("100/55 headers") << 100 << 55 << true << 2 << 102 << QList<int>{55, 47};
        QTest::newRow("10/0 headers") << 10 << 0 << true << 1 << 11 << QList<int>{11};
        QTest::newRow("7/3 plain") << 7 << 3 << false << 3 << 7 << QList<int>{3, 3, 1};
        QTest::newRow("54/55 headers") << 54 << 55 << true << 1 << 55 << QList<int>{55};
        QTest::newRow("55/55 headers") << 55 << 55 << true << 2 << 57 << QList<int>{55, 2};
        QTest::newRow("10/1 plain") << 10 << 1 << false << 10 << 10 << QList<int>(10, 1);
    }
    void pagination()
    {
        QFETCH(int, n);
        QFETCH(int, m);
        QFETCH(bool, headers);
        QFETCH(int, pages);
        QFETCH(int, lineCount);
        QFETCH(QList<int>, perPage);
        Rig r;
        r.s.Headers = headers ? VTrue : VFalse;
        r.s.maxLines = m;
        r.handOver(n);
        QVERIFY(r.build());
        QCOMPARE(r.L.pages, pages);
        QCOMPARE(r.L.lineCount, lineCount);
        QList<int> got;
        for (int p = 1; p <= pages; ++p)
            got << r.engine.rowsOnPage(p);
        QCOMPARE(got, perPage);
        if (headers) {
            // Every page starts with the field names, then the next record.
            for (int p = 1; p <= pages; ++p) {
                const int first = 1 + (p - 1) * r.s.maxLines;
                QVERIFY(r.L.cell(first, 1).isHeader);
                QCOMPARE(r.L.cell(first, 1).text, QStringLiteral("Field1"));
                if (r.engine.rowsOnPage(p) > 1)
                    QCOMPARE(r.L.cell(first + 1, 1).text,
                             QStringLiteral("r%1c1").arg((p - 1) * (r.s.maxLines - 1) + 1));
            }
        }
        QVERIFY(r.L.layoutHeld);
        QVERIFY(!r.build()); // held until released
    }

    // Lines per page that leave no room for a record would never end the page count.
    void noRoomForARecordIsRefused_data()
    {
        QTest::addColumn<int>("m");
        QTest::addColumn<bool>("headers");
        QTest::newRow("1 with headers") << 1 << true;
        QTest::newRow("-3 with headers") << -3 << true;
        QTest::newRow("-3 plain") << -3 << false;
    }
    void noRoomForARecordIsRefused()
    {
        QFETCH(int, m);
        QFETCH(bool, headers);
        Rig r;
        r.s.Headers = headers ? VTrue : VFalse;
        r.s.maxLines = m;
        r.handOver(10);
        QVERIFY(!r.build());
        QCOMPARE(r.messages, QStringList{QStringLiteral("The maxLines property (%1) leaves no room "
                                                        "for a record on a page.")
                                             .arg(m)});
        QVERIFY(!r.L.layoutHeld);
    }

    void inputChecks()
    {
        Rig r;
        QVERIFY(!r.build());
        QCOMPARE(r.messages.takeLast(), QStringLiteral("The recordset is empty or the "
                                                       ".dbgridRecordset property has not been "
                                                       "set."));
        r.handOver(3);
        r.grid.type = QStringLiteral("datagrid");
        QVERIFY(!r.build());
        QCOMPARE(r.messages.takeLast(), QStringLiteral("The object must be a DataGrid."));
        QVERIFY(!r.engine.BuildGridPages(nullptr));
        QCOMPARE(r.messages.takeLast(), QStringLiteral("The object must be a DataGrid."));
    }

    void defaultsAreWrittenBack()
    {
        Rig r;
        r.s.maxLines = 0;
        r.handOver(12, 4, -1); // a count the recordset cannot tell: the rows are counted
        QVERIFY(r.build());
        QCOMPARE(r.L.lineCount, 13);
        QCOMPARE(r.s.maxLines, 13);
        QCOMPARE(r.s.cellTop, 0.02f);
        QCOMPARE(r.s.cellLeft, 0.05f);
        QCOMPARE(r.s.lineHeight, 0.1747778f);
        QCOMPARE(r.s.WordPAGE, QStringLiteral("Page"));
        QCOMPARE(r.s.WordOF, QStringLiteral("of"));
        QCOMPARE(r.s.centerObjectHorizontal, VTrue);
        // 4 in of table centred on 8 in.
        QCOMPARE(r.L.tableLeft, 2.0f);
        QCOMPARE(r.s.objectLeft, 2.0f);
    }

    void headerAlignment_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<float>("offset");
        QTest::newRow("right") << 2 << 0.98f;
        QTest::newRow("centre") << 3 << 0.5f;
        QTest::newRow("left") << 1 << 0.05f;
        QTest::newRow("other") << 7 << 0.f;
    }
    void headerAlignment()
    {
        QFETCH(int, align);
        QFETCH(float, offset);
        Rig r;
        r.s.AlignHeaders = align;
        r.s.columnWidthList = {1.5f};
        r.handOver(2);
        QVERIFY(r.build());
        QCOMPARE(r.L.headerOffset[0], offset);
    }

    void columnWidths()
    {
        Rig r;
        r.s.columnWidthList = {0, 0, 1.5f}; // as changeColumnWidths(3, 1.5) leaves it
        r.grid.widths = {720, 1440, 1440, 2160};
        r.handOver(2);
        QVERIFY(r.build());
        QCOMPARE(r.L.columnWidths, (std::vector<float>{0.5f, 1.f, 1.5f, 1.5f}));
        QCOMPARE(r.s.columnWidthList.size(), size_t(4));
    }

    void fieldAndColumnMismatch()
    {
        Rig r;
        r.grid.widths = {1440, 1440, 1440};
        r.handOver(2, 4);
        try {
            r.build();
            QFAIL("no error");
        } catch (const Error &e) {
            QCOMPARE(e.number(), 9);
        }
        Rig h;
        h.handOver(2, 3);
        try {
            h.build();
            QFAIL("no error");
        } catch (const Error &e) {
            QCOMPARE(e.number(), 3265);
        }
        QVERIFY(!h.L.layoutHeld);
    }

    void valuesAsText_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("null") << QVariant() << QString();
        QTest::newRow("crlf") << QVariant(QStringLiteral("a\r\nb\tc\nd")) << "a b c d";
        QTest::newRow("real") << QVariant(2.5) << "2,5";
        QTest::newRow("integer") << QVariant(17) << "17";
        QTest::newRow("large real") << QVariant(1e15) << "1E+15";
    }
    void valuesAsText()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
        FakeRecordset *rs = FakeRecordset::make({"A"}, {{value}});
        VariantLike v;
        rs->fieldValue(0, &v);
        QCOMPARE(valueToCellText(v), text);
        VariantLike date;
        date.vt = VT_DATE_;
        date.date = 45658.75; // 2025-01-01, evening
        QVERIFY(valueToCellText(date).contains("2025"));
        variantClear(&v);
        rs->release();
        QLocale::setDefault(QLocale::c());
    }

    void pageNumberText_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("wordOf");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        QTest::newRow("of total") << "Page ofTotal"
                                  << "of" << 2 << "Page 2 of 5";
        QTest::newRow("plain") << "Side "
                               << "of" << 3 << "Side 3";
        QTest::newRow("empty") << ""
                               << "of" << 1 << "Page 1";
        QTest::newRow("marker only") << "ofTotal"
                                     << "av" << 1 << "1 av 5";
        QTest::newRow("case matters") << "Page OFTOTAL"
                                      << "of" << 4 << "Page OFTOTAL4";
    }
    void pageNumberText()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, wordOf);
        QFETCH(int, page);
        QFETCH(QString, text);
        Rig r;
        r.s.PageNumberingText = pattern;
        r.s.WordOF = wordOf;
        r.L.pages = 5;
        QCOMPARE(r.engine.pageNumberText(page), text);
        if (pattern.isEmpty())
            QCOMPARE(r.s.PageNumberingText, QStringLiteral("Page "));
    }

    void alignmentAndPlacement()
    {
        Rig r;
        r.engine.setGeometry(600, 0.25f, 0.25f, 8.f, 10.5f);
        QCOMPARE(r.engine.alignX(AlignCenter_Page, 1200, 600), 1800.0);
        r.s.centerObjectHorizontal = VFalse;
        r.s.objectLeft = -1;
        r.s.objectTop = 0.5f;
        r.L.tableWidth = 5;
        r.engine.PlaceTable();
        QCOMPARE(r.L.tableLeft, 0.f);
        QCOMPARE(r.L.tableTop, 0.5f);
        r.s.objectTop = 0.25f; // a smaller top on the next run moves the table
        r.engine.PlaceTable();
        QCOMPARE(r.L.tableTop, 0.25f);
    }

    void gridLines_data()
    {
        QTest::addColumn<int>("grid");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        // 4 rows a page (header + 3), 4 columns.
        QTest::newRow("none") << 0 << 0 << 0;
        QTest::newRow("all") << 1 << 5 << 5;
        QTest::newRow("horizontal") << 2 << 5 << 0;
        QTest::newRow("vertical") << 3 << 0 << 5;
        QTest::newRow("7 draws all") << 7 << 5 << 5;
        QTest::newRow("-1 draws all") << -1 << 5 << 5;
    }
    void gridLines()
    {
        QFETCH(int, grid);
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        Rig r;
        r.s.Grid = grid;
        r.s.maxLines = 4;
        r.s.objectTop = 1;
        r.s.lineHeight = 0.3f;
        r.handOver(6);
        QVERIFY(r.build());
        QImage img = blankPage();
        QPainter p(&img);
        r.L.currentPage = 1;
        if (grid != 0)
            r.engine.DrawGridLines(p);
        p.end();
        // Across the table left of its first text column edge, and down between two columns.
        const int leftPx = qRound(r.L.tableLeft * 100);
        QCOMPARE(runs(img, false, leftPx + 20, 90, 300), horizontal);
        QCOMPARE(runs(img, true, 120, 0, 850), vertical);
    }

    void shortLastPageEndsItsVerticals()
    {
        Rig r;
        r.s.maxLines = 4;
        r.s.objectTop = 1;
        r.s.lineHeight = 0.3f;
        r.handOver(4); // page 2: header + 1 record
        QVERIFY(r.build());
        QCOMPARE(r.L.pages, 2);
        QImage img = blankPage();
        QPainter p(&img);
        r.L.currentPage = 2;
        r.engine.DrawGridLines(p);
        p.end();
        const int x = qRound(r.L.tableLeft * 100);
        QVERIFY(qGray(img.pixel(x, 100 + 59)) < 128);  // inside the two lines
        QVERIFY(qGray(img.pixel(x, 100 + 75)) >= 128); // below them nothing
    }

    void pageListsAndDialog()
    {
        // "1-2,4" of 5 through a provider that answers with pages.
        struct Pages : PrintDialogProvider {
            bool exec(QPrinter &, QWidget *, int, int, PrintChoice &c) override
            {
                c.range = PrintChoice::Pages;
                c.pages = {4, 1, 2, 9};
                return true;
            }
        } pages;
        struct Cancel : PrintDialogProvider {
            bool exec(QPrinter &printer, QWidget *, int, int, PrintChoice &) override
            {
                printer.setCopyCount(7);
                printer.setPageOrientation(QPageLayout::Landscape);
                return false;
            }
        } cancel;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        QList<int> chosen{99};
        int copies = 99;
        QVERIFY(VeskprintDLG(pages).retShowPrinterVals(printer, nullptr, 1, 5, chosen, copies));
        QCOMPARE(chosen, (QList<int>{1, 2, 4}));
        QCOMPARE(copies, 1);
        chosen = {99};
        copies = 99;
        QVERIFY(!VeskprintDLG(cancel).retShowPrinterVals(printer, nullptr, 1, 5, chosen, copies));
        QCOMPARE(chosen, QList<int>{99});
        QCOMPARE(copies, 99);
        QCOMPARE(printer.copyCount(), 1);
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
