// The modal preview, stepped by its controls' names while printDBGRID waits for it.

#include "helper_gridprint.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <dlfcn.h>
#include <functional>

using namespace portiva::com;
using namespace portiva::gridprint;
using namespace portiva::gridprint::test;

class TestPreview : public QObject
{
    Q_OBJECT
    RegisteredTabulon *m_reg = nullptr;
    QTemporaryDir m_out;
    I_VeskDGPrinterL *p = nullptr;
    FakeGrid grid{{1440, 1440, 1440, 1440}};

    // Runs the print with a preview, handing the open window to the step; a watchdog closes
    // a window that the step leaves open, so a fault fails the test instead of hanging it.
    HResult previewWith(const std::function<void(QDialog *)> &step, bool *sawWindow = nullptr)
    {
        bool seen = false;
        // Owned by this call: a print refused before its loop runs leaves nothing behind.
        QTimer starter;
        starter.setSingleShot(true);
        connect(&starter, &QTimer::timeout, this, [&] {
            auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            seen = w && w->objectName() == QLatin1String("frmPREVIEW");
            if (seen) {
                step(w);
                w->reject();
            }
        });
        starter.start(0);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [] {
            if (auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                w->reject();
        });
        watchdog.start(10000);
        IUnknownLike *arg = &grid;
        const HResult hr = p->printDBGRID(&arg);
        if (sawWindow)
            *sawWindow = seen;
        return hr;
    }

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
        p->put_ShowPreview(VTrue);
        p->put_PageNumbering(VTrue);
        putText(p, &I_VeskDGPrinterL::put_PageNumberingText, "Page ofTotal");
        putText(p, &I_VeskDGPrinterL::put_PreviewCaption, "Nøkler");
        putText(p, &I_VeskDGPrinterL::put_FontName, "DejaVu Sans");
        p->put_FontSize(10);
        p->put_maxLines(5);
        p->put_Headers(VTrue);
        FakeRecordset *rs = FakeRecordset::make(fieldNames(4), numberedRows(12, 4));
        p->putref_DataGridRecordset(rs);
        rs->release();
    }
    void cleanup()
    {
        if (p)
            p->release();
        p = nullptr;
    }
    void cleanupTestCase() { delete m_reg; }

    void stepZoomAndPrintFromTheWindow()
    {
        const QString file = m_out.filePath("from-preview.pdf");
        hooksOf(p)->usePdfOutput(reinterpret_cast<const char16_t *>(file.utf16()), 300, -1);
        hooksOf(p)->answerPrintDialog(VTrue, 2, 2);
        QString title, label1, label2;
        QSize full, half;
        int inkOnPage2 = 0;
        bool stillOpen = false;
        bool shown = false;
        const HResult hr = previewWith(
            [&](QDialog *w) {
                title = w->windowTitle();
                auto *label = w->findChild<QLabel *>("Label2");
                auto *pages = w->findChild<QScrollBar *>("HSC1");
                auto *zoom = w->findChild<QComboBox *>("Combo1");
                auto *paper = w->findChild<QWidget *>("picPreview");
                QVERIFY(label && pages && zoom && paper && w->findChild<QWidget *>("picContainer"));
                label1 = label->text();
                QCOMPARE(pages->maximum(), 3);
                pages->setValue(2);
                label2 = label->text();
                full = paper->size();
                const QImage shot = paper->grab().toImage();
                for (int y = 0; y < shot.height(); y += 2)
                    for (int x = 0; x < shot.width(); x += 2)
                        inkOnPage2 += qGray(shot.pixel(x, y)) < 128;
                zoom->setCurrentIndex(zoom->findText("50 %"));
                half = paper->size();
                w->findChild<QPushButton *>("Command9")->click();
                stillOpen = w->isVisible();
            },
            &shown);
        QCOMPARE(hr, S_OK_);
        QVERIFY(shown);
        QCOMPARE(title, QString::fromUtf8("Nøkler"));
        QCOMPARE(label1, QStringLiteral("Page 1 of 3"));
        QCOMPARE(label2, QStringLiteral("Page 2 of 3"));
        QCOMPARE(full, QSize(816, 1056));
        QCOMPARE(half, QSize(408, 528));
        QVERIFY(inkOnPage2 > 50);
        QVERIFY(stillOpen);
        const QStringList printed = pdfPages(file);
        QCOMPARE(printed.size(), 1);
        QVERIFY(printed[0].contains("Page 2 of 3"));
        QVERIFY(printed[0].contains("r5c1"));

        // Closed: the layout is free again and the next preview shows the new page count.
        FakeRecordset *rs = FakeRecordset::make(fieldNames(4), numberedRows(4, 4));
        p->putref_DataGridRecordset(rs);
        rs->release();
        QString again;
        QCOMPARE(previewWith([&](QDialog *w) { again = w->findChild<QLabel *>("Label2")->text(); }),
                 S_OK_);
        QCOMPARE(again, QStringLiteral("Page 1 of 1"));
    }

    // The title and the page number are the first texts of a page; the paper must show them in
    // ink as the printer does, whatever colours the window around it uses.
    void titleAndPageNumberShowOnThePaper()
    {
        // Printable area from 0.25 in: title top 0.5 in, page number ending at 10.75 in.
        hooksOf(p)->usePdfOutput(
            reinterpret_cast<const char16_t *>(m_out.filePath("unused.pdf").utf16()), 600, 18);
        p->put_Title(VTrue);
        putText(p, &I_VeskDGPrinterL::put_TitleText, "Oversikt");
        p->put_TitleTop(0.25f);
        p->put_AlignTitle(2);
        putText(p, &I_VeskDGPrinterL::put_TitleFontName, "DejaVu Serif");
        p->put_TitleFontSize(12);
        p->put_AlignPageNumbering(2);
        putText(p, &I_VeskDGPrinterL::put_PageNumberFontName, "DejaVu Sans");
        p->put_PageNumberFontSize(11);
        p->put_objectTop(0.75f);
        QImage shot;
        QCOMPARE(previewWith([&](QDialog *w) {
                     shot = w->findChild<QWidget *>("picPreview")->grab().toImage();
                 }),
                 S_OK_);
        QCOMPARE(shot.size(), QSize(816, 1056));
        auto inkBetween = [&shot](double topInches, double bottomInches) {
            int ink = 0;
            for (int y = int(topInches * 96); y < int(bottomInches * 96); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    ink += qGray(shot.pixel(x, y)) < 128;
            return ink;
        };
        QVERIFY2(inkBetween(0.45, 0.75) > 40, "no title on the paper");
        QVERIFY2(inkBetween(10.5, 10.8) > 40, "no page number on the paper");
        QCOMPARE(inkBetween(0.75, 0.95), 0); // between the title and the table
    }

    void landscapeA4Paper()
    {
        p->put_PaperSize(9);
        p->put_Orientation(2);
        QSize size;
        QIcon icon;
        QCOMPARE(previewWith([&](QDialog *w) {
                     size = w->findChild<QWidget *>("picPreview")->size();
                     icon = w->windowIcon();
                 }),
                 S_OK_);
        QCOMPARE(size, QSize(1123, 794));
        p->put_Orientation(1);
        p->put_PaperSize(1);
    }

    void unreadableIconRefusesThePreview()
    {
        putText(p, &I_VeskDGPrinterL::put_PreviewICONpath, m_out.filePath("none.ico"));
        bool shown = true;
        QCOMPARE(previewWith([](QDialog *) {}, &shown), HResult(0x800A01E1));
        QVERIFY(!shown);
        putText(p, &I_VeskDGPrinterL::put_PreviewICONpath, "");
        QCOMPARE(previewWith([](QDialog *) {}, &shown), S_OK_);
        QVERIFY(shown);
    }

    // The caller lets go of the object while its preview is open.
    void releaseDuringThePreview()
    {
        auto canUnload = reinterpret_cast<HResult (*)()>(
            dlsym(dlopen(TABULON_LIBRARY, RTLD_NOW | RTLD_LOCAL), "DllCanUnloadNow"));
        I_VeskDGPrinterL *self = p;
        p = nullptr; // released inside the preview, not by cleanup()
        QTimer::singleShot(0, this, [&] {
            self->release();
            if (auto *w = QApplication::activeModalWidget())
                QTimer::singleShot(0, w, [w] { static_cast<QDialog *>(w)->reject(); });
        });
        IUnknownLike *arg = &grid;
        QCOMPARE(self->printDBGRID(&arg), S_OK_);
        QCOMPARE(canUnload(), S_OK_); // the last reference went with the call's end
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
