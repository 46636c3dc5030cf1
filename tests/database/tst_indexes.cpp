// The look-up indexes: a file made before them gets them (and the change counters) when the
// program opens it; one whose text indexes an older build ordered by its own case fold gets
// them rebuilt, once; and the look-ups of the send tick, the delivery-report match and the reply
// interpretation go through them rather than through every row of their table.

#include "database/CreateDatabase.h"
#include "helper_sql.h"
#include "platform/db/Connection.h"
#include "tests/support/SqlTool.h"
#include "tests/support/TestDatabase.h"

#include <QFile>
#include <QTest>
#include <sqlite3.h>

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

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// NOCASE as builds before the version mark had it: a Unicode case fold, then code points.
int foldedNoCase(void *, int n1, const void *v1, int n2, const void *v2)
{
    const QString a = QString::fromUtf8(static_cast<const char *>(v1), n1);
    const QString b = QString::fromUtf8(static_cast<const char *>(v2), n2);
    const int r = a.compare(b, Qt::CaseInsensitive);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// Writes rows through a connection of such a build, into columns that carry NOCASE indexes:
// the catalogue's unique numbers, the unit numbers and the rights' unit numbers. Returns the
// database's complaint, "" when none.
QString writeAsOlderBuild(const QString &path, const QStringList &texts)
{
    sqlite3 *db = nullptr;
    const QByteArray key = databasePassword().toUtf8();
    bool ok =
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
            SQLITE_OK &&
        sqlite3_key(db, key.constData(), int(key.size())) == SQLITE_OK &&
        sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, foldedNoCase, nullptr) ==
            SQLITE_OK &&
        sqlite3_exec(db, "BEGIN; PRAGMA user_version = 0", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < texts.size(); ++i) {
        const QByteArray t = texts.at(i).toUtf8().replace('\'', "''");
        const QByteArray n = QByteArray::number(i);
        const QByteArray sql = "INSERT INTO Katalog (Bruker, Etternavn) VALUES ('" + t + "', '" +
                               t + "');INSERT INTO KEYTable (KeyNummer, KeyNavn) VALUES ('" + t +
                               "', '" + t +
                               "');INSERT INTO TBLbrukere (KeyBruker, KeyNummer) "
                               "VALUES ('+47" +
                               n + "', '" + t + "');";
        ok = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    const QString complaint = ok ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close_v2(db);
    return complaint;
}

} // namespace

class TestIndexes : public QObject
{
    Q_OBJECT

private slots:
    void olderFileGetsThemWhenOpened();
    void foldedIndexesAreRebuiltOnce();
    void recountIndexOfOlderFileIsReplaced();
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

void TestIndexes::foldedIndexesAreRebuiltOnce()
{
    if (test::sqlTool().isEmpty())
        QSKIP("the sqlcipher tool is not installed (scripts/install-deps.sh installs it)");
    TestDatabase db;
    QCOMPARE(db.connection()->scalar("PRAGMA user_version").toInt(), TextIndexesVersion);
    db.connection()->close();
    // The fold puts "ærlig" before "Østby"; SQLite's own NOCASE puts every capital Æ Ø Å
    // before every small one.
    const QStringList texts = {"Ærlig",   "østby", "ÆRLIGHET", "Østby-Åberg", "åberg", "Zorro",
                               "ærligst", "Äng",   "ÖST",      "aas",         "Ås",    "ängen"};
    QCOMPARE(writeAsOlderBuild(db.path(), texts), QString());
    const QString check = QStringLiteral("PRAGMA integrity_check;");
    QVERIFY2(test::sqlToolLines(db.path(), check) != QStringList{"ok"},
             qPrintable(test::sqlToolLines(db.path(), check).join(u'\n')));

    auto opened = db.openConnection();
    QVERIFY(rebuildTextIndexes(opened));
    QCOMPARE(opened->scalar("PRAGMA user_version").toInt(), TextIndexesVersion);
    QCOMPARE(test::sqlToolLines(db.path(), check), QStringList{"ok"});
    // The unique numbers are found through their index again, in the case they were written.
    for (const QString &t : texts)
        QCOMPARE(opened->scalar("SELECT count(*) FROM Katalog WHERE Bruker = ?", {t}).toInt(), 1);

    // Marked, the next opening writes nothing (any write would change the ciphered pages).
    const QByteArray before = fileBytes(db.path());
    QVERIFY(rebuildTextIndexes(db.openConnection()));
    QCOMPARE(fileBytes(db.path()), before);
}

// A file from before the recount counted from the index alone holds the index on KeyBruker
// alone: it gets the one with the unit in it, and the old one, now only a cost on every write
// of a right, goes.
void TestIndexes::recountIndexOfOlderFileIsReplaced()
{
    TestDatabase db;
    auto c = db.connection();
    c->exec(QStringLiteral("DROP INDEX TBLbrukere_KeyBruker_KeyNummer; "
                           "CREATE INDEX TBLbrukere_KeyBruker ON TBLbrukere (KeyBruker)"));
    QVERIFY(addIndexes(db.openConnection()));
    const QStringList names = indexNames(*c);
    QVERIFY(names.contains(QStringLiteral("TBLbrukere_KeyBruker_KeyNummer")));
    QVERIFY(!names.contains(QStringLiteral("TBLbrukere_KeyBruker")));
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
    QTest::newRow("commands sent to a unit about a user")
        << "SELECT ID, SMS_Text, CMGS FROM SMS_Sent WHERE trim(TilNummer) = ?1 AND "
           "substr(SMS_Text, "
           "3, 16) >= ?4 AND substr(SMS_Text, 3, 16) < ?5 AND substr(SMS_Text, 3, ?2) = ?3 ORDER "
           "BY ID DESC"
        << "SMS_Sent_unit_text";
    QTest::newRow("account tabs of a unit")
        << "SELECT Konto, min(rid) AS FirstRight FROM TBLbrukere WHERE KeyNummer = ? AND Konto "
           "<> '' GROUP BY Konto"
        << "COVERING INDEX TBLbrukere_unit_account";
    QTest::newRow("right a command names")
        << "SELECT rid, KeyBruker FROM TBLbrukere WHERE trim(KeyNummer) = ?1 AND "
           "substr(trim(KeyBruker), 4) >= ?2 AND substr(trim(KeyBruker), 4) < ?3 ORDER BY rid"
        << "TBLbrukere_unit_user";
    QTest::newRow("catalogue recount")
        << "UPDATE Katalog SET Tillatelser = CAST((SELECT count(t.KeyNummer) FROM TBLbrukere AS t "
           "WHERE t.KeyBruker = Katalog.Bruker) AS TEXT)"
        << "COVERING INDEX TBLbrukere_KeyBruker_KeyNummer";
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
    QVERIFY2(
        plan.join(u'\n').contains(index.contains(u' ') ? index : QStringLiteral("INDEX ") + index),
        qPrintable(plan.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestIndexes)
#include "tst_indexes.moc"
