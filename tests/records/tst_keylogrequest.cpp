// Log requests to a key unit go through the send queue: one waiting row per text and unit,
// re-dated when asked again, and never a row the send worker has already taken.

#include "helper_reports.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Vb.h"
#include "records/frmLOGGRequest.h"

#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

const QDate today(2024, 5, 17);
const QString unitA = QStringLiteral("+4791000001");
const QString unitB = QStringLiteral("+4791000002");

// "TilNummer|TilNummerKort|SMS_Text|CMGS|Etternavn|Fornavn|dated", Null as "-", dated "today"
// when the row carries today's date and day number, "old" otherwise.
QStringList queueRows(const std::shared_ptr<Connection> &db)
{
    auto rs = Recordset::open(
        db, QStringLiteral("SELECT TilNummer, TilNummerKort, SMS_Text, CMGS, Etternavn, Fornavn, "
                           "Dato, DatoLNG FROM SMS_Sent ORDER BY ID"));
    QStringList rows;
    for (; !rs->EOF(); rs->MoveNext()) {
        QStringList cells;
        for (int i = 0; i < 6; ++i)
            cells << rs->toTextOr(i, QStringLiteral("-"));
        const bool dated =
            rs->value(6).toDate() == today && rs->value(7).toInt() == vb::dayNumber(today);
        cells << (dated ? QStringLiteral("today") : QStringLiteral("old"));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class KeyLogRequestTest : public QObject
{
    Q_OBJECT

private slots:
    void queueRule_data()
    {
        QTest::addColumn<QStringList>("before"); // "TilNummer|SMS_Text|CMGS" rows, dated old
        QTest::addColumn<QStringList>("calls");  // "text|K|N"
        QTest::addColumn<QStringList>("after");

        const QString a = unitA, b = unitB;
        QTest::newRow("twice: one row")
            << QStringList{} << QStringList{"r5|" + a + "|Port", "r5|" + a + "|Port"}
            << QStringList{a + "|91000001|r5|UNSENT|Port|-|today"};
        QTest::newRow("other unit: second row")
            << QStringList{a + "|r5|UNSENT"} << QStringList{"r5|" + b + "|"}
            << QStringList{a + "|-|r5|UNSENT|-|-|old", b + "|91000002|r5|UNSENT|-|-|today"};
        QTest::newRow("other text: second row")
            << QStringList{a + "|r5|UNSENT"} << QStringList{"r10|" + a + "|"}
            << QStringList{a + "|-|r5|UNSENT|-|-|old", a + "|91000001|r10|UNSENT|-|-|today"};
        QTest::newRow("other case: refreshed")
            << QStringList{a + "|R5|UNSENT"} << QStringList{"r5|" + a + "|Port"}
            << QStringList{a + "|-|R5|UNSENT|Port|-|today"};
        QTest::newRow("trailing blank: new row")
            << QStringList{a + "|r5 |UNSENT"} << QStringList{"r5|" + a + "|"}
            << QStringList{a + "|-|r5 |UNSENT|-|-|old", a + "|91000001|r5|UNSENT|-|-|today"};
        QTest::newRow("sent meanwhile: untouched, new row")
            << QStringList{a + "|r5|12"} << QStringList{"r5|" + a + "|"}
            << QStringList{a + "|-|r5|12|-|-|old", a + "|91000001|r5|UNSENT|-|-|today"};
        QTest::newRow("withdrawn row is not waiting")
            << QStringList{a + "|r5|SLETTET"} << QStringList{"r5|" + a + "|"}
            << QStringList{a + "|-|r5|SLETTET|-|-|old", a + "|91000001|r5|UNSENT|-|-|today"};
        QTest::newRow("no name: names stay Null")
            << QStringList{} << QStringList{"r5|+4712345678|"}
            << QStringList{"+4712345678|12345678|r5|UNSENT|-|-|today"};
        QTest::newRow("number too short to cut")
            << QStringList{} << QStringList{"r100|1|"} << QStringList{"1|-|r100|UNSENT|-|-|today"};
        QTest::newRow("name kept when asked again without one")
            << QStringList{} << QStringList{"r25|" + a + "|Port", "r25|" + a + "|"}
            << QStringList{a + "|91000001|r25|UNSENT|Port|-|today"};
    }

    void queueRule()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, after);
        ReportFixture f;
        for (const QString &row : before) {
            const QStringList v = row.split(QLatin1Char('|'));
            f.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS, Dato, DatoLNG) "
                                  "VALUES (?, ?, ?, '2024-01-02', 45293)"),
                   {v[0], v[1], v[2]});
        }
        for (const QString &call : calls) {
            const QStringList v = call.split(QLatin1Char('|'));
            QueueLogRequest(f.db.connection(), v[0], v[1], v[2], today);
        }
        QCOMPARE(queueRows(f.db.connection()), after);
    }

    // The request another workstation's worker sends between two clicks is not re-dated back
    // into the queue: the second click sees the queue as it is then.
    void requestSentBetweenClicksIsNotResent()
    {
        ReportFixture f;
        QueueLogRequest(f.db.connection(), QStringLiteral("r5"), unitA, QString(), today);
        f.db.openConnection()->exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = '7' WHERE ID = 1"));
        QueueLogRequest(f.db.connection(), QStringLiteral("r5"), unitA, QString(), today);
        QCOMPARE(queueRows(f.db.connection()),
                 (QStringList{unitA + "|91000001|r5|7|-|-|today",
                              unitA + "|91000001|r5|UNSENT|-|-|today"}));
    }
};

QTEST_MAIN(KeyLogRequestTest)
#include "tst_keylogrequest.moc"
