// The order of the program's lists: the site's language decides, case does not, through both
// roads a list takes (a query's ORDER BY and a recordset's Sort); and the file the program wrote
// stays sound for the sqlcipher tool, which has none of the program's collations.

#include "helper_db.h"
#include "platform/db/TextOrder.h"
#include "tests/support/SqlTool.h"

#include <QtTest>

using namespace portiva;
using namespace portiva::testdb;

namespace
{

const QStringList names = {"Aas",   "Ås",    "Ærlig", "Østby", "Zorro", "Öst",   "Äng", "Åberg",
                           "zorro", "østby", "ÆRLIG", "ås",    "äng",   "ÅBERG", "aas", "ÖST"};

// Lower-cased, each value once, in the order the rows came.
QStringList values(const QStringList &sorted)
{
    QStringList out;
    for (const QString &s : sorted) {
        if (!out.contains(s.toLower()))
            out << s.toLower();
    }
    return out;
}

Fixture namesFixture()
{
    QString rows;
    for (int i = 0; i < names.size(); ++i)
        rows += QStringLiteral("INSERT INTO Katalog (Bruker, Etternavn) VALUES ('+47%1', '%2');")
                    .arg(i)
                    .arg(names.at(i));
    return Fixture(rows);
}

QStringList column(const Recordset &rs, int c)
{
    QStringList out;
    for (int r = 0; r < rs.rowCount(); ++r)
        out << rs.cell(r, c).toString();
    return out;
}

} // namespace

class TestDbListOrder : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { setListLanguage(QStringLiteral("47")); }
    void sortsByTheSiteLanguage_data();
    void sortsByTheSiteLanguage();
    void sortAgreesWithTheComparison_data();
    void sortAgreesWithTheComparison();
    void fileStaysSoundForTheTool();
};

void TestDbListOrder::sortsByTheSiteLanguage_data()
{
    QTest::addColumn<QString>("countryCode");
    QTest::addColumn<QStringList>("expected");
    // "Aa" is read as "Å" by the Norwegian and Danish rules, as "A" by the Swedish ones.
    QTest::newRow("Norwegian") << "47" << QStringList{"zorro", "äng",   "ærlig", "öst",
                                                      "østby", "åberg", "ås",    "aas"};
    QTest::newRow("Danish") << "45" << QStringList{"zorro", "äng",   "ærlig", "öst",
                                                   "østby", "åberg", "aas",   "ås"};
    QTest::newRow("Swedish") << "46" << QStringList{"aas", "zorro", "åberg", "ås",
                                                    "äng", "ærlig", "öst",   "østby"};
    QTest::newRow("other codes are Norwegian")
        << "1" << QStringList{"zorro", "äng", "ærlig", "öst", "østby", "åberg", "ås", "aas"};
}

void TestDbListOrder::sortsByTheSiteLanguage()
{
    QFETCH(QString, countryCode);
    QFETCH(QStringList, expected);
    setListLanguage(countryCode);
    const Fixture fixture = namesFixture();
    auto c = fixture.open();
    auto byQuery = Recordset::open(c, "SELECT Bruker, Etternavn FROM Katalog ORDER BY Etternavn" +
                                          listCollation());
    const QStringList queried = column(*byQuery, 1);
    QCOMPARE(values(queried), expected);

    auto bySort = Recordset::open(c, "SELECT Bruker, Etternavn FROM Katalog");
    bySort->setSort("Etternavn");
    QCOMPARE(values(column(*bySort, 1)), expected);
    // Spellings of one value are neighbours, so a list of the sorted runs holds each once.
    for (int i = 1; i < queried.size(); ++i) {
        if (values(queried.mid(0, i)).size() == values(queried.mid(0, i + 1)).size())
            QCOMPARE(queried.at(i).toLower(), queried.at(i - 1).toLower());
    }
    QCOMPARE(compareListed(u"Østby", u"østby"), 0);
    QVERIFY(compareListed(u"Aas", u"Ås") != 0);
    QVERIFY(bySort->find("Etternavn", "ÆRLIG"));
    QCOMPARE(bySort->value("Etternavn").toString().toLower(), "ærlig");
    QCOMPARE(
        c->scalar("SELECT count(*) FROM Katalog WHERE Etternavn = ?" + listCollation(), {"ØSTBY"}),
        QVariant(qlonglong(2)));
}

void TestDbListOrder::sortAgreesWithTheComparison_data()
{
    QTest::addColumn<QString>("countryCode");
    QTest::addColumn<bool>("descending");
    for (const char *code : {"47", "45", "46"}) {
        QTest::addRow("%s ascending", code) << code << false;
        QTest::addRow("%s descending", code) << code << true;
    }
}

// A recordset's Sort puts rows where compareListed does, also where texts share more than the
// first bytes of their sort keys, differ only in case, or are equal in the language alone;
// equal values keep the query's order either way.
void TestDbListOrder::sortAgreesWithTheComparison()
{
    QFETCH(QString, countryCode);
    QFETCH(bool, descending);
    setListLanguage(countryCode);
    const QString stem = QString::fromUtf8("Andersen-Østergaard-Hansen ");
    QList<QVariant> texts = {QVariant(),  stem + "b", stem + "B", stem + "Å", stem + "aa", stem,
                             stem + "a",  "Aas",      "ÅS",       "ås",       QVariant(),  "",
                             stem + "AA", "Østby",    "østby",    "Ø",        "Öst",       "z"};
    for (const QString &n : names)
        texts << n << stem + n;
    QString rows;
    for (int i = 0; i < texts.size(); ++i)
        rows += QStringLiteral("INSERT INTO Katalog (rid, Bruker, Etternavn) VALUES (%1, '+47%1', "
                               "%2);")
                    .arg(i)
                    .arg(texts.at(i).isNull() ? QStringLiteral("NULL")
                                              : "'" + texts.at(i).toString() + "'");
    const Fixture fixture(rows);
    auto rs = Recordset::open(fixture.open(), "SELECT rid, Etternavn FROM Katalog ORDER BY rid");
    rs->setSort(descending ? "Etternavn DESC" : "Etternavn");

    QList<int> expected;
    for (int i = 0; i < texts.size(); ++i)
        expected << i;
    const auto order = [&](int a, int b) {
        const QVariant &x = texts.at(a), &y = texts.at(b);
        const int r = x.isNull() || y.isNull() ? int(y.isNull()) - int(x.isNull())
                                               : compareListed(x.toString(), y.toString());
        return descending ? r > 0 : r < 0;
    };
    std::stable_sort(expected.begin(), expected.end(), order);
    QList<int> sorted;
    for (int r = 0; r < rs->rowCount(); ++r)
        sorted << rs->cell(r, 0).toInt();
    QCOMPARE(sorted, expected);
}

void TestDbListOrder::fileStaysSoundForTheTool()
{
    if (test::sqlTool().isEmpty())
        QSKIP("the sqlcipher tool is not installed (scripts/install-deps.sh installs it)");
    const Fixture fixture = namesFixture();
    {
        auto c = fixture.open();
        setListLanguage("46");
        for (int i = 0; i < names.size(); ++i) {
            c->exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, Bygning) VALUES (?, ?, ?)",
                    {names.at(i) + QString::number(i), names.at(i), names.at(i)});
            c->exec("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, Konto) VALUES (?, ?, ?)",
                    {"+47" + QString::number(i), names.at(i), names.at(i)});
        }
        c->exec("CREATE INDEX IF NOT EXISTS TBLbrukere_KeyNummer ON TBLbrukere (KeyNummer)");
        setListLanguage("47");
        c->exec("UPDATE Katalog SET Etternavn = Etternavn || 'x'");
        auto rs = Recordset::open(c, "SELECT KeyNummer FROM KEYTable ORDER BY KeyNummer" +
                                         listCollation());
        QCOMPARE(rs->RecordCount(), names.size());
    }
    QCOMPARE(test::sqlToolLines(fixture.path(),
                                "PRAGMA integrity_check;\n"
                                "SELECT count(*) FROM sqlite_master WHERE sql LIKE '%LISTORDER%';"),
             (QStringList{"ok", "0"}));
}

QTEST_GUILESS_MAIN(TestDbListOrder)
#include "tst_db_listorder.moc"
