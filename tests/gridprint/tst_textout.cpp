// Text output: font sizes, positions by unit, the "..." cut.

#include "gridprint/engine/TextOut.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTest>
#include <cmath>

using namespace portiva::gridprint;

namespace
{

QImage page(int dpi, int w = 600, int h = 200)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    return img;
}

// The leftmost and topmost dark pixel, or (-1, -1).
QPoint firstInk(const QImage &img)
{
    int left = -1, top = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                if (left < 0 || x < left)
                    left = x;
                if (top < 0)
                    top = y;
            }
    return {left, top};
}

const QString kFace = QStringLiteral("DejaVu Sans");

} // namespace

class TestTextOut : public QObject
{
    Q_OBJECT

private slots:
    void sizesRoundHalfToEven_data()
    {
        QTest::addColumn<float>("size");
        QTest::addColumn<int>("points");
        QTest::newRow("10.5") << 10.5f << 10;
        QTest::newRow("11.5") << 11.5f << 12;
        QTest::newRow("12") << 12.f << 12;
    }
    void sizesRoundHalfToEven()
    {
        QFETCH(float, size);
        QFETCH(int, points);
        QCOMPARE(textOutFont::makeFont(kFace, size, 0, 0).pointSize(), points);
    }

    void emptyFaceOrSizeTakeTheApplicationFont()
    {
        const QFont f = textOutFont::makeFont(QString(), 0, -1, 0);
        QCOMPARE(f.family(), QApplication::font().family());
        QVERIFY(f.pointSize() > 0);
        QCOMPARE(f.weight(), QFont::Bold);
        QCOMPARE(textOutFont::makeFont(kFace, 10, 1, 1).weight(), QFont::Normal); // only -1 is on
    }

    void positionByUnits_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<float>("x");
        QTest::addColumn<int>("expectedX");
        QTest::newRow("twips") << 1 << 1440.f << 96;
        QTest::newRow("inches") << 5 << 1.f << 96;
        QTest::newRow("pixels") << 0 << 96.f << 96;
        QTest::newRow("other") << 2 << 1.f << 0;
    }
    void positionByUnits()
    {
        QFETCH(int, units);
        QFETCH(float, x);
        QFETCH(int, expectedX);
        QImage img = page(96);
        QPainter p(&img);
        // "|" starts at its box's left edge, near enough to locate the drawn text.
        textOutFont::cTextOut(p, QStringLiteral("||"), x,
                              units == 1 ? 1440.f : (units == 5 ? 1.f : 96.f), kFace, 20, 0, 0, 0,
                              0, units, 0, 0);
        p.end();
        const QPoint ink = firstInk(img);
        QVERIFY(qAbs(ink.x() - expectedX) <= 3);
        // The text hangs from y: ink begins just below it, not a baseline's ascent above.
        const int y = units == 2 ? 0 : 96;
        QVERIFY2(ink.y() >= y && ink.y() <= y + 8, qPrintable(QString::number(ink.y())));
    }

    void cutEndsInThreeDotsAndFits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::newRow("long text") << QString(200, u'x') << 144.0;
        QTest::newRow("surrogates") << QString::fromUtf8("ab😀😀😀😀😀😀😀😀😀😀") << 40.0;
        QTest::newRow("narrower than dots") << QStringLiteral("Nøkler") << 6.0;
        QTest::newRow("zero") << QStringLiteral("Nøkler") << 0.0;
    }
    void cutEndsInThreeDotsAndFits()
    {
        QFETCH(QString, text);
        QFETCH(double, width);
        QImage img = page(96);
        const QFontMetricsF m(textOutFont::makeFont(kFace, 10, 0, 0), &img);
        const QString cut = textOutFont::shortenToWidth(text, m, width);
        QVERIFY(m.horizontalAdvance(cut) <= width);
        QVERIFY(!cut.contains(QChar(0x2026)));
        if (m.horizontalAdvance(QStringLiteral("...")) <= width)
            QVERIFY(cut.endsWith("..."));
        else
            QVERIFY(QStringLiteral("...").startsWith(cut));
        for (qsizetype i = 0; i < cut.size(); ++i)
            if (cut[i].isHighSurrogate())
                QVERIFY(i + 1 < cut.size() && cut[i + 1].isLowSurrogate());
    }

    void textThatFitsStaysWhole()
    {
        QImage img = page(600);
        const QFontMetricsF m(textOutFont::makeFont(kFace, 10, 0, 0), &img);
        const QString text = QStringLiteral("Etternavn");
        QCOMPARE(textOutFont::shortenToWidth(text, m, m.horizontalAdvance(text)), text);
    }

    // "Tahoma" is the reports' cell face; a stand-in of other metrics cuts their widest texts.
    void tahomaTextsFitTheReportColumns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bold");
        QTest::addColumn<double>("column"); // inches
        QTest::newRow("12-character number") << QStringLiteral("+46701234567") << 0 << 1.0;
        QTest::newRow("dd/mm/yyyy date") << QStringLiteral("28/12/2099") << 0 << 0.8;
        QTest::newRow("header Gyldig fra") << QStringLiteral("Gyldig fra") << -1 << 0.8;
        QTest::newRow("header KeySikkerhet") << QStringLiteral("KeySikkerhet") << -1 << 1.0;
    }
    void tahomaTextsFitTheReportColumns()
    {
        QFETCH(QString, text);
        QFETCH(int, bold);
        QFETCH(double, column);
        const QFont font = textOutFont::makeFont(QStringLiteral("Tahoma"), 10, bold, 0);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Tahoma"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        QImage preview = page(96);
        // The cut width of a cell: 0.96 of the column, per inch of the device.
        const QList<std::pair<QPaintDevice *, double>> devices = {
            {&printer, std::nearbyint(0.96 * printer.resolution())}, {&preview, 0.96 * 96}};
        for (const auto &[device, perInch] : devices) {
            const QFontMetricsF m(font, device);
            QCOMPARE(textOutFont::shortenToWidth(text, m, std::nearbyint(column * perInch)), text);
        }
    }

    void painterFontIsRestored()
    {
        QImage img = page(96);
        QPainter p(&img);
        QFont before(QStringLiteral("DejaVu Serif"), 7);
        p.setFont(before);
        textOutFont::cTextOut(p, QStringLiteral("abc"), 0, 0, kFace, 14, -1, -1, 0, 0, 0, -1, 30);
        QCOMPARE(p.font(), before);
        float w = 0, h = 0;
        textOutFont::cGetTextSize(&img, QStringLiteral("abc"), w, h, kFace, 14, 0, 0);
        QVERIFY(w > 0 && h > 0);
    }
};

QTEST_MAIN(TestTextOut)
#include "tst_textout.moc"
