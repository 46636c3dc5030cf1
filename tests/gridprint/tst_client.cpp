// The program's side: creating the component by class id and printing a data grid with it.

#include "helper_gridprint.h"
#include "platform/com/ComRegistry.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"
#include "records/GridPrinterClient.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace portiva;
using namespace portiva::com;
using namespace portiva::gridprint;
using namespace portiva::gridprint::test;

class TestClient : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::shared_ptr<Connection> m_db;

private slots:
    void initTestCase()
    {
        m_db = Connection::create(m_dir.filePath("print.db"), "pw");
        m_db->exec("CREATE TABLE Nokler (ID INTEGER PRIMARY KEY, KeyNummer TEXT, "
                   "[Gyldig fra] TEXT, Antall INTEGER, Merknad TEXT)");
        for (int i = 1; i <= 500; ++i)
            m_db->exec("INSERT INTO Nokler (KeyNummer, [Gyldig fra], Antall, Merknad) "
                       "VALUES (?, ?, ?, ?)",
                       {QStringLiteral("K%1").arg(i, 3, 10, QChar('0')), "1/1/2024", i,
                        i % 7 ? QVariant(QStringLiteral("m%1").arg(i)) : QVariant()});
    }

    void notRegisteredIsAClearError()
    {
        QTemporaryDir empty;
        qputenv("PORTIVA_COM_REGISTRY", QFile::encodeName(empty.filePath("none.ini")));
        GridPrinterClient client;
        try {
            client.component();
            QFAIL("created without registration");
        } catch (const Error &e) {
            // Says what to run; this test's folder holds neither an install nor a build's top.
            QVERIFY2(e.description().startsWith("Class not registered (0x80040154)"),
                     qPrintable(e.description()));
            QVERIFY2(e.description().endsWith("portiva-comreg /path/to/libtabulon.so"),
                     qPrintable(e.description()));
        }
        qunsetenv("PORTIVA_COM_REGISTRY");
    }

    // Five hundred records previewed page by page and printed from the preview.
    void previewAndPrintFiveHundredRows()
    {
        RegisteredTabulon reg;
        QVERIFY(reg.ok());
        auto rows = Recordset::open(m_db, "SELECT KeyNummer, [Gyldig fra], Antall, Merknad FROM "
                                          "Nokler ORDER BY ID");
        DataGrid grid;
        grid.setRecordset(rows);
        rows->MoveFirst();
        for (int i = 0; i < 4; ++i)
            rows->MoveNext();

        GridPrinterClient client;
        I_VeskDGPrinterL *c = client.component();
        ITabulonTestHooks *hooks = hooksOf(c);
        hooks->captureMessages(VTrue);
        const QString file = m_dir.filePath("500.pdf");
        hooks->usePdfOutput(reinterpret_cast<const char16_t *>(file.utf16()), 600, -1);
        hooks->answerPrintDialog(VTrue, 0, 0);

        QStringList labels;
        QTimer starter;
        starter.setSingleShot(true);
        connect(&starter, &QTimer::timeout, this, [&] {
            auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!w)
                return;
            auto *pages = w->findChild<QScrollBar *>("HSC1");
            for (int k = 1; k <= pages->maximum(); ++k) {
                pages->setValue(k);
                labels << w->findChild<QLabel *>("Label2")->text();
            }
            w->findChild<QPushButton *>("Command9")->click();
            w->reject();
        });
        starter.start(0);
        client.print({QString::fromUtf8("Nøkler"),
                      QString::fromUtf8("Oversikt Nøkler (Alle)"),
                      {1.0f, 2.0f, 2.0f, 1.0f}},
                     *rows, grid);
        QCOMPARE(rows->AbsolutePosition(), 5); // the caller's row did not move
        QCOMPARE(labels.size(), 10);
        QCOMPARE(labels.last(), QStringLiteral("Page 10 of 10"));

        const QStringList pages = pdfPages(file);
        QCOMPARE(pages.size(), 10);
        for (int k = 1; k <= 10; ++k) {
            const QString &t = pages[k - 1];
            QVERIFY(t.contains(QRegularExpression("KeyNummer\\s+Gyldig fra\\s+Antall\\s+Merknad")));
            QVERIFY(t.contains(QStringLiteral("Page %1 of 10").arg(k)));
            QVERIFY(t.contains(QStringLiteral("K%1").arg(54 * (k - 1) + 1, 3, 10, QChar('0'))));
        }
        // Record 7 has no remark: its line ends after the count.
        QVERIFY(pages[0].contains(QRegularExpression("K007\\s+1/1/2024\\s+7\\s*\\n")));
        QCOMPARE(takeMessages(c), QString());

        // A failing call comes back as the component's own description.
        try {
            GridAdapter adapter(grid);
            c->put_Orientation(3);
            client.print({"x", "y", {}}, *rows, grid);
            QFAIL("no error");
        } catch (const Error &e) {
            QCOMPARE(e.description(), vb::errorDescription(vb::InvalidPropertyValue));
            QCOMPARE(e.number(), 380);
        }
        c->put_Orientation(1);
    }
};

QTEST_MAIN(TestClient)
#include "tst_client.moc"
