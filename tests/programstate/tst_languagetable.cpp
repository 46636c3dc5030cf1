// The language table read by position: which cells count, which column a code picks, and the
// limit of 255 addressable rows.

#include "platform/db/Connection.h"
#include "programstate/LanguageTable.h"
#include "tests/support/TestDatabase.h"

#include <QtTest>

using namespace portiva;

class TestLanguageTable : public QObject
{
    Q_OBJECT
private slots:
    void cellsByPositionAndColumn_data();
    void cellsByPositionAndColumn();
    void rowsPast255AreIgnored();
    void emptyTableGivesNothing();
    void unknownCodeReadsNothing_data();
    void unknownCodeReadsNothing();

private:
    static void fill(Connection &connection, const QList<QVariantList> &rows);
};

void TestLanguageTable::fill(Connection &connection, const QList<QVariantList> &rows)
{
    connection.exec(QStringLiteral("DELETE FROM TBLLanguage"));
    int id = 0;
    for (const QVariantList &row : rows) {
        connection.exec(
            QStringLiteral(
                "INSERT INTO TBLLanguage (ID, Norsk, Dansk, Svensk) VALUES (?, ?, ?, ?)"),
            QVariantList{++id} + row);
    }
}

void TestLanguageTable::cellsByPositionAndColumn_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("row");
    QTest::addColumn<QVariant>("expected"); // Null: the row gives nothing

    // Row 1: text in every column; row 2: Null, "", " "; row 3: only Dansk.
    const QVariant nothing;
    QTest::newRow("47 text") << "47" << 1 << QVariant(QStringLiteral("Fil"));
    QTest::newRow("45 text") << "45" << 1 << QVariant(QStringLiteral("Filer"));
    QTest::newRow("46 text") << "46" << 1 << QVariant(QStringLiteral("Arkiv"));
    QTest::newRow("47 Null cell") << "47" << 2 << nothing;
    QTest::newRow("45 empty cell") << "45" << 2 << nothing;
    QTest::newRow("46 single blank applies") << "46" << 2 << QVariant(QStringLiteral(" "));
    QTest::newRow("47 other column filled") << "47" << 3 << nothing;
    QTest::newRow("45 own column filled") << "45" << 3 << QVariant(QStringLiteral("Kun dansk"));
}

void TestLanguageTable::cellsByPositionAndColumn()
{
    QFETCH(QString, code);
    QFETCH(int, row);
    QFETCH(QVariant, expected);

    TestDatabase db;
    const QVariant null;
    fill(*db.connection(),
         {{QStringLiteral("Fil"), QStringLiteral("Filer"), QStringLiteral("Arkiv")},
          {null, QStringLiteral(""), QStringLiteral(" ")},
          {null, QStringLiteral("Kun dansk"), null}});
    const LanguageTable::Texts texts = LanguageTable::load(db.connection(), code);
    if (expected.isNull())
        QVERIFY(!texts[row].has_value());
    else
        QCOMPARE(texts[row].value_or(QStringLiteral("<none>")), expected.toString());
    QVERIFY(!texts[0].has_value());
    QVERIFY(!texts[4].has_value());
}

void TestLanguageTable::rowsPast255AreIgnored()
{
    TestDatabase db;
    QList<QVariantList> rows;
    for (int n = 1; n <= 300; ++n)
        rows << QVariantList{QStringLiteral("rad %1").arg(n), QVariant(), QVariant()};
    fill(*db.connection(), rows);
    const LanguageTable::Texts texts = LanguageTable::load(db.connection(), QStringLiteral("47"));
    QCOMPARE(texts[1].value_or(QString()), QStringLiteral("rad 1"));
    QCOMPARE(texts[255].value_or(QString()), QStringLiteral("rad 255"));
}

void TestLanguageTable::emptyTableGivesNothing()
{
    TestDatabase db;
    fill(*db.connection(), {});
    const LanguageTable::Texts texts = LanguageTable::load(db.connection(), QStringLiteral("47"));
    for (const auto &text : texts)
        QVERIFY(!text.has_value());
}

void TestLanguageTable::unknownCodeReadsNothing_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("44") << "44";
    QTest::newRow("empty") << "";
    QTest::newRow("47 with a blank") << "47 ";
}

void TestLanguageTable::unknownCodeReadsNothing()
{
    QFETCH(QString, code);
    // No connection at all: a code that picks no column must not even try to read.
    const LanguageTable::Texts texts = LanguageTable::load(nullptr, code);
    for (const auto &text : texts)
        QVERIFY(!text.has_value());
}

QTEST_MAIN(TestLanguageTable)
#include "tst_languagetable.moc"
