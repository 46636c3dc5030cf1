// The look-up indexes: a file made before them gets them (and the change counters) when the
// program opens it, and the look-ups of the send tick, the delivery-report match and the reply
// interpretation go through them rather than through every row of their table.

#include "database/CreateDatabase.h"
#include "helper_sql.h"
#include "platform/db/Connection.h"
#include "tests/support/TestDatabase.h"

#include <QTest>

using namespace portiva;
using test::rows;

namespace
{

QStringList indexNames(Connection &c)
{
    QStringList names;
    for (const QVariantList &r : rows(c, QStringLiteral("SELECT name FROM sqlite_master WHERE "
                                                        "type = 'index' AND sql IS NOT NULL "
                                                        "ORDER BY name")))
        names << r.value(0).toString();
    return names;
}

} // namespace

class TestIndexes : public QObject
{
    Q_OBJECT

private slots:
    void olderFileGetsThemWhenOpened();
    void lookUpUsesIndex_data();
    void lookUpUsesIndex();
};

void TestIndexes::olderFileGetsThemWhenOpened()
{
    TestDatabase db;
    auto c = db.connection();
    const QStringList made = indexNames(*c);
    QVERIFY(made.contains(QStringLiteral("SMS_Sent_CMGS")));
    c->exec(QStringLiteral("INSERT INTO SMS_Sent (CMGS) VALUES ('UNSENT')"));
    for (const QString &name : made)
        c->exec(QStringLiteral("DROP INDEX \"%1\"").arg(name));
    QVERIFY(indexNames(*c).isEmpty());

    auto later = db.openConnection();
    QVERIFY(addIndexes(later));
    later->addChangeCounters();
    QCOMPARE(indexNames(*later), made);
    QCOMPARE(later
                 ->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                         "'trigger'"))
                 .toInt(),
             3 * 10);
    QCOMPARE(later->scalar(QStringLiteral("SELECT count(*) FROM SMS_Sent WHERE CMGS = 'UNSENT'"))
                 .toInt(),
             1);
    // Once there, an open writes nothing.
    const QVariant schema = later->scalar(QStringLiteral("PRAGMA schema_version"));
    QVERIFY(addIndexes(db.openConnection()));
    db.openConnection()->addChangeCounters();
    QCOMPARE(later->scalar(QStringLiteral("PRAGMA schema_version")), schema);
}

void TestIndexes::lookUpUsesIndex_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("index");
    QTest::newRow("send queue") << "SELECT ID, SMS_Text, TilNummer, datolng FROM SMS_Sent WHERE "
                                   "CMGS = ?1 ORDER BY datolng, ID LIMIT 1"
                                << "SMS_Sent_CMGS";
    QTest::newRow("delivery report") << "SELECT ID FROM SMS_Sent WHERE CMGS = ?1 AND "
                                        "trim(TilNummer) = ?2 ORDER BY ID DESC LIMIT 1"
                                     << "SMS_Sent_CMGS";
    QTest::newRow("queue view") << "SELECT ID, CMGS FROM SMS_Sent where CMGS = 'UNSENT' or CMGS = "
                                   "'SLETTET' order by ID"
                                << "SMS_Sent_CMGS";
    QTest::newRow("rights of a unit") << "select KeyBruker, Status from TBLbrukere where "
                                         "KeyNummer = ?"
                                      << "TBLbrukere_KeyNummer";
    QTest::newRow("users of a unit") << "select Bruker,Etternavn,Fornavn,konto from Brukere where "
                                        "KeyNummer = ?"
                                     << "TBLbrukere_KeyNummer";
    QTest::newRow("listed right") << "SELECT rowid FROM TBLbrukere WHERE trim(KeyBruker) = ?1 AND "
                                     "trim(KeyNummer) = ?2 ORDER BY rowid LIMIT 1"
                                  << "TBLbrukere_trim";
    QTest::newRow("catalogue recount")
        << "UPDATE Katalog SET Tillatelser = CAST((SELECT count(t.KeyNummer) FROM TBLbrukere AS t "
           "WHERE t.KeyBruker = Katalog.Bruker) AS TEXT)"
        << "TBLbrukere_KeyBruker";
    QTest::newRow("person by short number") << "SELECT Bruker FROM Katalog WHERE "
                                               "trim(BrukerKort) = ?1 ORDER BY rowid LIMIT 1"
                                            << "Katalog_trim_BrukerKort";
    QTest::newRow("fetched log entry") << "SELECT 1 FROM LOGGData WHERE Dato = ?1 AND "
                                          "trim(KeyNummer) = ?2 AND KeyUser = ?3 LIMIT 1"
                                       << "LOGGData_Dato";
}

void TestIndexes::lookUpUsesIndex()
{
    QFETCH(QString, sql);
    QFETCH(QString, index);
    TestDatabase db;
    QStringList plan;
    for (const QVariantList &step :
         rows(*db.connection(), QStringLiteral("EXPLAIN QUERY PLAN ") + sql))
        plan << step.value(3).toString();
    QVERIFY2(plan.join(u'\n').contains(QStringLiteral("INDEX ") + index),
             qPrintable(plan.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestIndexes)
#include "tst_indexes.moc"
