// The real printer dialog, driven offscreen the way a person would answer it.

#include "gridprint/engine/VeskprintDLG.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace portiva::gridprint;

namespace
{

// Waits for the dialog to come up, lets answer() fill it in, then accepts it; a dialog that never
// comes or never closes is rejected after ten seconds so that the test fails instead of hanging.
class DialogAnswer
{
public:
    explicit DialogAnswer(std::function<void(QPrintDialog *)> answer) : m_answer(std::move(answer))
    {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
        m_clock.start();
    }
    bool answered() const { return m_answered; }

private:
    void poll()
    {
        auto *dlg = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
        if (dlg && dlg->isVisible() && !m_answered) {
            m_answered = true;
            m_answer(dlg);
            dlg->accept();
        } else if (m_clock.elapsed() > 10000) {
            if (dlg)
                dlg->reject();
            m_poll.stop();
        }
    }

    std::function<void(QPrintDialog *)> m_answer;
    QTimer m_poll;
    QElapsedTimer m_clock;
    bool m_answered = false;
};

} // namespace

class TestPrintDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    void pdfPrinter(QPrinter &printer)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath(QStringLiteral("out.pdf")));
    }

private slots:
    // Without any installed printer the file is the only destination: accepting the dialog must
    // leave the job a file to write.
    void acceptedWithoutPrintersKeepsTheFile()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("a printer is installed here");
        QPrinter printer(QPrinter::HighResolution);
        pdfPrinter(printer);
        QtPrintDialogProvider real;
        DialogAnswer answer([](QPrintDialog *) {});
        QList<int> pages;
        int copies = 0;
        QVERIFY(VeskprintDLG(real).retShowPrinterVals(printer, nullptr, 1, 5, pages, copies));
        QVERIFY(answer.answered());
        QCOMPARE(pages, (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(copies, 1);
        QVERIFY(!printer.outputFileName().isEmpty());
    }

    // The Pages field takes any numbers; only pages that exist are printed, and a range far
    // beyond the last page costs no more than the pages there are.
    void pagesField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("list and range") << QStringLiteral("1-2,4") << QList<int>{1, 2, 4};
        QTest::newRow("past the last page") << QStringLiteral("4-9") << QList<int>{4, 5};
        QTest::newRow("to two thousand million")
            << QStringLiteral("2-2000000000") << QList<int>{2, 3, 4, 5};
        QTest::newRow("none that exist") << QStringLiteral("7-8") << QList<int>{};
    }
    void pagesField()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, expected);
        QPrinter printer(QPrinter::HighResolution);
        pdfPrinter(printer);
        QtPrintDialogProvider real;
        DialogAnswer answer([&typed](QPrintDialog *dlg) {
            auto *choose = dlg->findChild<QRadioButton *>(QStringLiteral("pagesRadioButton"));
            auto *field = dlg->findChild<QLineEdit *>(QStringLiteral("pagesLineEdit"));
            QVERIFY(choose && field);
            choose->setChecked(true);
            field->setText(typed);
        });
        QList<int> pages{99};
        int copies = 0;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(VeskprintDLG(real).retShowPrinterVals(printer, nullptr, 1, 5, pages, copies));
        QVERIFY(answer.answered());
        QCOMPARE(pages, expected);
        QVERIFY(clock.elapsed() < 5000);
    }
};

QTEST_MAIN(TestPrintDialog)
#include "tst_printdialog.moc"
