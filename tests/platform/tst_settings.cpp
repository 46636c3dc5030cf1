#include "platform/settings/Settings.h"
#include "platform/vb/Vb.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace portiva;

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void keysIgnoreCase();
    void conversions_data();
    void conversions();
    void writesText();
    void defaults();
    void environmentRedirectsDefaultStore();
    void systemWideFileIsNotTheUsers();
    void twips_data();
    void twips();

private:
    QString file() const { return m_dir->filePath(QStringLiteral("portiva.ini")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettings::keysIgnoreCase()
{
    {
        Settings s(file());
        s.setText(QStringLiteral("DBPath"), QStringLiteral("/data/Brimo02.db"));
        s.setText(QStringLiteral("dbpath"), QStringLiteral("/data/other.db"));
        s.sync();
    }
    Settings s(file());
    QCOMPARE(s.text(QStringLiteral("DBpath"), QStringLiteral("x")),
             QStringLiteral("/data/other.db"));
    QVERIFY(s.contains(QStringLiteral("DBPATH")));
    QFile f(file());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray content = f.readAll();
    QCOMPARE(content.count("other.db"), 1);
    QVERIFY(!content.contains("Brimo02"));
    QVERIFY(content.contains("[Settings]"));

    // A file written by hand with two spellings: the write leaves only the new one.
    {
        QFile raw(file());
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write("[Settings]\nPort=23\nPORT=24\n");
    }
    Settings again(file());
    again.setText(QStringLiteral("port"), QStringLiteral("25"));
    again.sync();
    Settings reread(file());
    QCOMPARE(reread.text(QStringLiteral("Port")), QStringLiteral("25"));
    QFile check(file());
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll().count("=2"), 1);
}

void TestSettings::conversions_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("expected"); // an int here is the runtime error number
    QTest::newRow("number") << "1005"
                            << "number" << QVariant(1005.0);
    QTest::newRow("number abc") << "abc"
                                << "number" << QVariant(13);
    QTest::newRow("number empty") << ""
                                  << "number" << QVariant(13);
    QTest::newRow("byte 4") << "4"
                            << "byte" << QVariant(4.0);
    QTest::newRow("byte 2.5 to even") << "2.5"
                                      << "byte" << QVariant(2.0);
    QTest::newRow("byte 255") << "255"
                              << "byte" << QVariant(255.0);
    QTest::newRow("byte 256") << "256"
                              << "byte" << QVariant(6);
    QTest::newRow("byte -1") << "-1"
                             << "byte" << QVariant(6);
    QTest::newRow("byte abc") << "abc"
                              << "byte" << QVariant(13);
    QTest::newRow("bool true") << "true"
                               << "bool" << QVariant(true);
    QTest::newRow("bool FALSE") << "FALSE"
                                << "bool" << QVariant(false);
    QTest::newRow("bool 0") << "0"
                            << "bool" << QVariant(false);
    QTest::newRow("bool 2") << "2"
                            << "bool" << QVariant(true);
    QTest::newRow("bool yes") << "yes"
                              << "bool" << QVariant(13);
}

void TestSettings::conversions()
{
    QFETCH(QString, stored);
    QFETCH(QString, kind);
    QFETCH(QVariant, expected);
    Settings s(file());
    s.setText(QStringLiteral("Value"), stored);
    try {
        QVariant got;
        if (kind == u"number")
            got = s.number(QStringLiteral("value"), -7);
        else if (kind == u"byte")
            got = double(s.byteValue(QStringLiteral("VALUE"), 9));
        else
            got = s.boolean(QStringLiteral("value"), true);
        QCOMPARE(got, expected);
    } catch (const Error &e) {
        QCOMPARE(QVariant(e.number()), expected);
        QCOMPARE(e.description(), vb::errorDescription(e.number()));
    }
}

void TestSettings::writesText()
{
    {
        Settings s(file());
        s.setNumber(QStringLiteral("MainLeft"), 1005);
        s.setNumber(QStringLiteral("Ratio"), 2.5);
        s.setBoolean(QStringLiteral("SMSREPORT"), true);
        s.setText(QStringLiteral("HostName"), QStringLiteral("modem, bod 2"));
        s.sync();
    }
    Settings s(file());
    QCOMPARE(s.text(QStringLiteral("mainleft")), QStringLiteral("1005"));
    QCOMPARE(s.text(QStringLiteral("Ratio")), QStringLiteral("2.5"));
    QCOMPARE(s.text(QStringLiteral("smsreport")), QStringLiteral("True"));
    QCOMPARE(s.boolean(QStringLiteral("SMSREPORT"), false), true);
    QCOMPARE(s.text(QStringLiteral("HostName")), QStringLiteral("modem, bod 2"));
}

void TestSettings::defaults()
{
    Settings s(file());
    QCOMPARE(
        s.text(QStringLiteral("CountryCode"), QString::fromLatin1(SettingDefaults::CountryCode)),
        QStringLiteral("47"));
    QCOMPARE(s.number(QStringLiteral("MainWidth"), SettingDefaults::MainWidth), 6500.0);
    QCOMPARE(s.boolean(QStringLiteral("SMSREPORT"), SettingDefaults::SMSREPORT), false);
    QCOMPARE(Settings::defaultValue(QStringLiteral("dbPATH")).toString(),
             QStringLiteral("Brimo02.mdb"));
    QCOMPARE(Settings::defaultValue(QStringLiteral("MainTop")).toInt(), 1000);
    QCOMPARE(Settings::defaultValue(QStringLiteral("HostName")).toString(),
             QStringLiteral("127.0.0.1"));
    QCOMPARE(Settings::defaultValue(QStringLiteral("Port")).toString(), QStringLiteral("23"));
    QCOMPARE(Settings::defaultValue(QStringLiteral("KeySelect")).toString(), QStringLiteral("1"));
    QCOMPARE(Settings::defaultValue(QStringLiteral("LogoCountryCode")).toString(),
             QStringLiteral("0"));
    QCOMPARE(Settings::defaultValue(QStringLiteral("LastComPort")).toInt(), 0);
    QVERIFY(!Settings::defaultValue(QStringLiteral("Nothing")).isValid());
    QVERIFY(!QFile::exists(file())); // reading writes nothing
}

void TestSettings::environmentRedirectsDefaultStore()
{
    qputenv(Settings::FileEnvironmentVariable, file().toLocal8Bit());
    {
        Settings s;
        QCOMPARE(s.fileName(), file());
        s.setText(QStringLiteral("KeySelect"), QStringLiteral("3"));
        s.sync();
    }
    qunsetenv(Settings::FileEnvironmentVariable);
    QCOMPARE(Settings(file()).text(QStringLiteral("keyselect")), QStringLiteral("3"));
}

void TestSettings::systemWideFileIsNotTheUsers()
{
    qunsetenv(Settings::FileEnvironmentVariable);
    QTemporaryDir user, system;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, user.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, system.path());
    QVERIFY(QDir(system.path()).mkpath(QStringLiteral("Portiva3")));
    for (const QString &name :
         {QStringLiteral("Portiva3/Portiva3.ini"), QStringLiteral("Portiva3.ini")}) {
        QFile shared(system.filePath(name));
        QVERIFY(shared.open(QIODevice::WriteOnly));
        shared.write("[Settings]\ndbpath=/shared/Brimo02.mdb\nKeySelect=+4791000001\n");
    }

    Settings s;
    QVERIFY(s.fileName().startsWith(user.path()));
    QVERIFY(!s.contains(QStringLiteral("KeySelect")));
    QCOMPARE(s.text(QStringLiteral("DBpath"), QStringLiteral("Brimo02.mdb")),
             QStringLiteral("Brimo02.mdb"));
    // A key the shared file also holds is written and read back as the operator's own.
    s.setText(QStringLiteral("DBPath"), QStringLiteral("/home/op/Brimo02.mdb"));
    s.sync();
    QCOMPARE(s.text(QStringLiteral("DBpath")), QStringLiteral("/home/op/Brimo02.mdb"));
    QCOMPARE(Settings().text(QStringLiteral("dbpath")), QStringLiteral("/home/op/Brimo02.mdb"));
}

void TestSettings::twips_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("back");
    QTest::newRow("1000 at 96") << 1000 << qreal(96) << 67 << 1005;
    QTest::newRow("6500 at 96") << 6500 << qreal(96) << 433 << 6495;
    QTest::newRow("grid column") << 1200 << qreal(96) << 80 << 1200;
    QTest::newRow("1000 at 120") << 1000 << qreal(120) << 83 << 996;
}

void TestSettings::twips()
{
    QFETCH(int, twips);
    QFETCH(qreal, dpi);
    QFETCH(int, pixels);
    QFETCH(int, back);
    QCOMPARE(twipsToPixels(twips, dpi), pixels);
    QCOMPARE(pixelsToTwips(pixels, dpi), back);
    // Once converted, a value no longer drifts on further saves.
    QCOMPARE(pixelsToTwips(twipsToPixels(back, dpi), dpi), back);
}

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_settings.moc"
