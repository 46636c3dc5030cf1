#include "core/DatabasePaths.h"
#include "core/Version.h"
#include "platform/db/Connection.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"

#include <QtTest>

using namespace portiva;

class TestDatabasePaths : public QObject
{
    Q_OBJECT
private slots:
    void derivedPaths_data();
    void derivedPaths();
    void tooShortPathChangesNothing();
    void connectionStringNamesTheFileAndKey();
    void versionText_data();
    void versionText();
};

void TestDatabasePaths::derivedPaths_data()
{
    QTest::addColumn<QString>("dbPath");
    QTest::addColumn<QString>("temp");
    QTest::addColumn<QString>("backup");
    QTest::newRow("default") << "Brimo02.mdb"
                             << "Brimo02TMP.mdb"
                             << "Brimo02BAK.mdb";
    QTest::newRow("other extension") << "base.db"
                                     << "basTMP.mdb"
                                     << "basBAK.mdb";
    QTest::newRow("four characters") << "a.db"
                                     << "TMP.mdb"
                                     << "BAK.mdb";
    QTest::newRow("absolute") << "/srv/data/Brimo02.mdb"
                              << "/srv/data/Brimo02TMP.mdb"
                              << "/srv/data/Brimo02BAK.mdb";
    QTest::newRow("non-ASCII") << "/tmp/Dør.mdb"
                               << "/tmp/DørTMP.mdb"
                               << "/tmp/DørBAK.mdb";
}

void TestDatabasePaths::derivedPaths()
{
    QFETCH(QString, dbPath);
    QFETCH(QString, temp);
    QFETCH(QString, backup);
    const DerivedDatabasePaths paths = deriveDatabasePaths(dbPath);
    QCOMPARE(paths.TempDatabasePath, temp);
    QCOMPARE(paths.BackupDatabasePath, backup);
}

void TestDatabasePaths::tooShortPathChangesNothing()
{
    AppState state;
    setDatabasePath(state, QStringLiteral("/data/Brimo02.mdb"));
    const AppState before = state;
    for (const QString &path : {QStringLiteral("abc"), QString()}) {
        try {
            setDatabasePath(state, path);
            QFAIL("a path under four characters was accepted");
        } catch (const Error &e) {
            QCOMPARE(e.description(),
                     QStringLiteral("Databasenavnet «%1» er for kort til at sikkerhetskopien kan "
                                    "få navn etter det, så ingenting er gjort.")
                         .arg(path));
        }
        QCOMPARE(state.DBPath, before.DBPath);
        QCOMPARE(state.TempDatabasePath, before.TempDatabasePath);
        QCOMPARE(state.BackupDatabasePath, before.BackupDatabasePath);
        QCOMPARE(state.ConnectionString, before.ConnectionString);
    }
}

void TestDatabasePaths::connectionStringNamesTheFileAndKey()
{
    AppState state;
    setDatabasePath(state, QStringLiteral("/data/my;base.mdb"));
    QCOMPARE(state.DBPath, QStringLiteral("/data/my;base.mdb"));
    QCOMPARE(state.BackupDatabasePath, QStringLiteral("/data/my;baseBAK.mdb"));
    const ConnectionParts parts = parseConnectionString(state.ConnectionString);
    QCOMPARE(parts.dataSource, state.DBPath);
    QCOMPARE(parts.password, QStringLiteral("buRtal"));
}

void TestDatabasePaths::versionText_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("text");
    QTest::newRow("three parts") << "3.2.7"
                                 << "Version 3.2.7";
    QTest::newRow("two parts") << "3.0"
                               << "Version 3.0.0";
    QTest::newRow("no padding") << "03.02.07"
                                << "Version 3.2.7";
    QTest::newRow("large") << "3.10.128"
                           << "Version 3.10.128";
}

void TestDatabasePaths::versionText()
{
    QFETCH(QString, version);
    QFETCH(QString, text);
    QCOMPARE(portiva::versionText(version), text);
}

QTEST_GUILESS_MAIN(TestDatabasePaths)
#include "tst_databasepaths.moc"
