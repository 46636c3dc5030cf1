#include "database/CreateDatabase.h"
#include "helper_sql.h"
#include "platform/vb/Error.h"
#include "tests/support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace portiva;
using test::rows;

class TestCreateDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileIsEncrypted();
    void opensOnlyWithTheDatabasePassword();
    void refusesExistingFile();
    void leavesNothingOnFailure();
    void seedRows();
    void languageRows_data();
    void languageRows();
    void languageOrderAndCount();
    void commandReadsPasswordFromEnvironment();
    void demoData();

private:
    QString freshPath(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QString m_path;
    std::shared_ptr<Connection> m_connection;
};

void TestCreateDatabase::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_path = freshPath(QStringLiteral("made.db"));
    createDatabase(m_path, QStringLiteral("hemmelig"));
    m_connection = Connection::open(buildConnectionString(m_path, QStringLiteral("buRtal")));
}

void TestCreateDatabase::fileIsEncrypted()
{
    const QByteArray header = test::fileHeader(m_path);
    QCOMPARE(header.size(), 16);
    QVERIFY(!header.startsWith("SQLite format 3"));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("Forvaltermann"));
}

void TestCreateDatabase::opensOnlyWithTheDatabasePassword()
{
    QCOMPARE(databasePassword(), QStringLiteral("buRtal"));
    try {
        Connection::open(buildConnectionString(m_path, QStringLiteral("wrong")));
        QFAIL("opened with a wrong key");
    } catch (const Error &e) {
        QCOMPARE(e.description(), QStringLiteral("Filen «%1» er ikke en database for dette "
                                                 "programmet, eller den har et annet passord.")
                                      .arg(QFileInfo(m_path).absoluteFilePath()));
    }
}

void TestCreateDatabase::refusesExistingFile()
{
    const QString path = freshPath(QStringLiteral("existing.db"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    try {
        createDatabase(path, QString());
        QFAIL("overwrote an existing file");
    } catch (const Error &e) {
        QVERIFY2(e.description().contains(path), qPrintable(e.description()));
        QVERIFY(e.description().contains(QStringLiteral("finnes allerede")));
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));
    // The made database itself is refused as well, and stays usable.
    QVERIFY_THROWS_EXCEPTION(portiva::Error, createDatabase(m_path, QString()));
    QCOMPARE(m_connection->scalar(QStringLiteral("SELECT count(*) FROM Modem")).toInt(), 1);
}

void TestCreateDatabase::leavesNothingOnFailure()
{
    const QString path = freshPath(QStringLiteral("no-such-folder/new.db"));
    QVERIFY_THROWS_EXCEPTION(portiva::Error, createDatabase(path, QString()));
    QVERIFY(!QFile::exists(path));
    QVERIFY_THROWS_EXCEPTION(portiva::Error, createDatabase(QString(), QString()));
}

void TestCreateDatabase::seedRows()
{
    const QList<QVariantList> modem =
        rows(*m_connection, QStringLiteral("SELECT IMEICODE, ModemManufacturer, ModemName, "
                                           "ModemStatus, ModemOwner FROM Modem"));
    QCOMPARE(modem.size(), 1);
    QCOMPARE(modem.at(0), (QVariantList{QStringLiteral("0"), QStringLiteral(" "),
                                        QStringLiteral(" "), qlonglong(0), QStringLiteral("?")}));
    const QList<QVariantList> operators = rows(
        *m_connection, QStringLiteral("SELECT USER_ID, Password, SecurityLevel FROM Passwords"));
    QCOMPARE(operators.size(), 1);
    QCOMPARE(operators.at(0), (QVariantList{QStringLiteral("Forvaltermann"),
                                            QStringLiteral("hemmelig"), QStringLiteral("6")}));
    for (const char *table : {"KEYTable", "Katalog", "TBLbrukere", "NYEbrukere", "SMS_Sent",
                              "SMS_Received", "LOGGData"})
        QCOMPARE(m_connection->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt(),
                 0);
}

void TestCreateDatabase::languageRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("norsk");
    QTest::addColumn<QString>("dansk");
    QTest::addColumn<QString>("svensk");
    QTest::newRow("first") << 1 << "&File"
                           << "&Filer"
                           << "&Arkiv";
    QTest::newRow("main window wins") << 10 << "PassWords"
                                      << "Adgangskoder"
                                      << "Lösenord";
    QTest::newRow("main window date") << 41 << "Dato Fra"
                                      << "Gyldig fra"
                                      << "Giltig från";
    QTest::newRow("most windows") << 63 << "Sikkerhetsnivå"
                                  << "Sikkerhedsniveau"
                                  << "Säkerhetsnivå";
    QTest::newRow("unused row") << 73 << ""
                                << ""
                                << "";
    QTest::newRow("tie, first window") << 109 << "&Oppdater"
                                       << "&Opdater"
                                       << "&Uppdatera";
    QTest::newRow("from and to") << 112 << "Til"
                                 << "Nummer"
                                 << "Nummer";
    QTest::newRow("empty default") << 127 << ""
                                   << ""
                                   << "";
    QTest::newRow("tie, print windows") << 140 << "SORTERING"
                                        << "SORTERING"
                                        << "SORTERING";
    QTest::newRow("two blanks kept") << 188 << "Normal  (N)"
                                     << "Normal  (N)"
                                     << "Normal  (N)";
    QTest::newRow("signature") << 207 << "Mvh Portiva3"
                               << "Mvh Portiva3"
                               << "Mvh Portiva3";
    QTest::newRow("leading blank kept") << 209 << " Husk Internasjonalt telefonnummer +47..."
                                        << " Husk internationalt telefonnummer +45..."
                                        << " Kom ihåg internationellt telefonnummer +46...";
    QTest::newRow("last unused") << 218 << ""
                                 << ""
                                 << "";
    QTest::newRow("outer blanks kept")
        << 221 << " SJEKK TELEFON NUMMER FOR RIKTIG ANTALL SIFFER !!!! "
        << " KONTROLLER TELEFONNUMMERET FOR RIGTIGT ANTAL CIFRE !!!! "
        << " KONTROLLERA ATT TELEFONNUMRET HAR RÄTT ANTAL SIFFROR !!!! ";
}

void TestCreateDatabase::languageRows()
{
    QFETCH(int, row);
    QFETCH(QString, norsk);
    QFETCH(QString, dansk);
    QFETCH(QString, svensk);
    const QList<QVariantList> r =
        rows(*m_connection,
             QStringLiteral("SELECT ID, Norsk, Dansk, Svensk FROM TBLLanguage WHERE rowid = %1")
                 .arg(row));
    QCOMPARE(r.size(), 1);
    QCOMPARE(r.at(0).at(0), QVariant(qlonglong(row)));
    QVERIFY(!r.at(0).at(1).isNull());
    QCOMPARE(r.at(0).at(1).toString(), norsk);
    // An unused row leaves the other languages Null, as a site's own new row would.
    QCOMPARE(r.at(0).at(2).isNull(), dansk.isEmpty());
    QCOMPARE(r.at(0).at(2).toString(), dansk);
    QCOMPARE(r.at(0).at(3).isNull(), svensk.isEmpty());
    QCOMPARE(r.at(0).at(3).toString(), svensk);
}

void TestCreateDatabase::languageOrderAndCount()
{
    const QList<QVariantList> all =
        rows(*m_connection,
             QStringLiteral("SELECT ID, Norsk, Dansk, Svensk FROM TBLLanguage ORDER BY rowid"));
    QCOMPARE(all.size(), 227);
    const QList<LanguageSeedRow> seed = languageSeedRows();
    int empty = 0;
    for (int i = 0; i < all.size(); ++i) {
        const QVariantList &r = all.at(i);
        QCOMPARE(r.at(0).toInt(), i + 1);
        QCOMPARE(r.at(1).toString(), seed.at(i).norsk);
        QCOMPARE(r.at(2).toString(), seed.at(i).dansk);
        QCOMPARE(r.at(3).toString(), seed.at(i).svensk);
        // Every row a window uses speaks all three languages.
        const bool used = !r.at(1).toString().isEmpty();
        if (used != !r.at(2).toString().isEmpty() || used != !r.at(3).toString().isEmpty())
            QFAIL(qPrintable(QStringLiteral("row %1 lacks a translation").arg(i + 1)));
        empty += !used;
    }
    QCOMPARE(empty, 14); // 13 rows no window uses, and row 127
    // The unordered read the windows inherit comes back in the same order.
    const QList<QVariantList> plain =
        rows(*m_connection, QStringLiteral("select ID ,Norsk, Dansk, Svensk from TBLLanguage"));
    QCOMPARE(plain.size(), 227);
    QCOMPARE(plain.last().at(0).toInt(), 227);
}

void TestCreateDatabase::commandReadsPasswordFromEnvironment()
{
    const QString path = freshPath(QStringLiteral("command.db"));
    qputenv("PORTIVA_ADMIN_PASSWORD", "fra miljøet");
    QCOMPARE(runCreateDatabaseCommand(path, false), 0);
    QCOMPARE(runCreateDatabaseCommand(path, false), 1); // exists now
    qunsetenv("PORTIVA_ADMIN_PASSWORD");
    auto c = Connection::open(buildConnectionString(path, databasePassword()));
    QCOMPARE(c->scalar(QStringLiteral("SELECT Password FROM Passwords WHERE USER_ID = ?"),
                       {QStringLiteral("forvaltermann")})
                 .toString(),
             QStringLiteral("fra miljøet"));
    QCOMPARE(c->scalar(QStringLiteral("SELECT count(*) FROM KEYTable")).toInt(), 0);
}

void TestCreateDatabase::demoData()
{
    const QString path = freshPath(QStringLiteral("demo.db"));
    qputenv("PORTIVA_ADMIN_PASSWORD", "");
    QCOMPARE(runCreateDatabaseCommand(path, true), 0);
    qunsetenv("PORTIVA_ADMIN_PASSWORD");
    auto c = Connection::open(buildConnectionString(path, databasePassword()));
    const QList<QVariantList> units = rows(
        *c, QStringLiteral("SELECT KeyNummer, KeyNavn, KeySikkerhet FROM KEYTable ORDER BY rid"));
    QCOMPARE(units.size(), 3);
    QCOMPARE(units.at(0), (QVariantList{QStringLiteral("+4791000001"), QStringLiteral("Hovedport"),
                                        QStringLiteral("4")}));
    QCOMPARE(units.at(1).at(1).toString(), QStringLiteral("Lagerdør"));
    QCOMPARE(units.at(2).at(0).toString(), QStringLiteral("+4691000003"));
    // The stored counts agree with the rights, as the catalogue recount would make them.
    const QList<QVariantList> mismatched =
        rows(*c, QStringLiteral("SELECT k.Bruker FROM Katalog k JOIN brukertillatelser b "
                                "ON b.Bruker = k.Bruker WHERE k.Tillatelser <> "
                                "CAST(b.antallavkeynummer AS TEXT)"));
    QVERIFY(mismatched.isEmpty());
    QCOMPARE(c->scalar(QStringLiteral("SELECT BrukerKort FROM Katalog WHERE Bruker = "
                                      "'+4790000011'"))
                 .toString(),
             QStringLiteral("90000011"));
    QCOMPARE(
        c->scalar(QStringLiteral("SELECT count(*) FROM Brukere WHERE KeyNummer = "
                                 "'+4791000001' AND Status = 'Aktiv ' AND Fornavn IS NOT NULL"))
            .toInt(),
        3);

    // The test fixture offers the same rows.
    TestDatabase fixture;
    fixture.addDemoData();
    QCOMPARE(fixture.connection()->scalar(QStringLiteral("SELECT count(*) FROM Katalog")).toInt(),
             4);
    QCOMPARE(fixture.openConnection()
                 ->scalar(QStringLiteral("SELECT Password FROM Passwords WHERE USER_ID = ?"),
                          {QString::fromLatin1(TestDatabase::OperatorName)})
                 .toString(),
             QString::fromLatin1(TestDatabase::OperatorPassword));
}

QTEST_GUILESS_MAIN(TestCreateDatabase)
#include "tst_createdatabase.moc"
