#include "core/Version.h"
#include "core/frmAbout.h"
#include "core/frmSplash.h"
#include "platform/ui/WindowRegistry.h"
#include "tests/support/ScriptedDialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace portiva;

class TestSplashAbout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void splashShowsNameAndVersion();
    void splashIgnoresTheOperator();
    void splashClosesItselfAfterThreeSeconds();
    void aboutShowsNameAndVersion();
    void aboutOkCloses();
    void sysInfoUnavailable_data();
    void sysInfoUnavailable();
    void sysInfoStartsTheFirstProgramFound();
};

void TestSplashAbout::initTestCase()
{
    setApplicationIdentity();
    QCoreApplication::setApplicationVersion(QStringLiteral("3.2.7"));
}

void TestSplashAbout::splashShowsNameAndVersion()
{
    frmSplash splash;
    QVERIFY(WindowRegistry::instance().isRegistered(&splash));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblProductName"))->text(),
             QStringLiteral("Portiva3"));
    QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version 3.2.7"));
    splash.show();
    QVERIFY(splash.findChild<QLabel *>(QStringLiteral("imgLogo"))->isVisible());
    QVERIFY(!splash.findChild<QLabel *>(QStringLiteral("S"))->isVisible());
    for (const char *partner : {"imgLogo47", "imgLogo46", "imgLogo45"})
        QVERIFY(!splash.findChild<QLabel *>(QLatin1String(partner))->isVisible());
    auto *timer = splash.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3000);
}

void TestSplashAbout::splashIgnoresTheOperator()
{
    frmSplash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::keyClick(&splash, Qt::Key_Escape);
    QVERIFY(splash.isVisible());
    QTest::mouseClick(&splash, Qt::LeftButton);
    QVERIFY(splash.isVisible());
    QVERIFY(!splash.close());
    QVERIFY(splash.isVisible());

    splash.Timer1_Timer();
    QVERIFY(!splash.isVisible());
    QCOMPARE(splash.result(), int(QDialog::Accepted));
}

void TestSplashAbout::splashClosesItselfAfterThreeSeconds()
{
    frmSplash splash;
    // Presses meanwhile change nothing.
    QTimer::singleShot(500, &splash, [&splash] { QTest::keyClick(&splash, Qt::Key_Escape); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 2950 && elapsed < 6000, qPrintable(QString::number(elapsed)));
}

void TestSplashAbout::aboutShowsNameAndVersion()
{
    frmAbout about;
    QVERIFY(WindowRegistry::instance().isRegistered(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("Om Portiva"));
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblTitle"))->text(),
             QStringLiteral("Portiva3"));
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version 3.2.7"));
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblDescription"))->text(),
             QStringLiteral("GSM Key PC system"));
    QCOMPARE(about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->text(),
             QStringLiteral("&System Info..."));
    about.show();
    QVERIFY(about.findChild<QLabel *>(QStringLiteral("imgLogo"))->isVisible());
    for (const char *partner : {"imgLogo47", "imgLogo46", "imgLogo45"})
        QVERIFY(!about.findChild<QLabel *>(QLatin1String(partner))->isVisible());
}

void TestSplashAbout::aboutOkCloses()
{
    frmAbout about;
    QTimer::singleShot(0, &about, [&about] {
        QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
    });
    QCOMPARE(about.exec(), int(QDialog::Accepted));
}

void TestSplashAbout::sysInfoUnavailable_data()
{
    QTest::addColumn<QStringList>("programs");
    QTest::addColumn<bool>("starts");
    QTest::newRow("none configured") << QStringList() << true;
    QTest::newRow("not installed") << QStringList{"portiva-no-such-sysinfo"} << true;
    QTest::newRow("start fails") << QStringList{"sh"} << false;
}

void TestSplashAbout::sysInfoUnavailable()
{
    QFETCH(QStringList, programs);
    QFETCH(bool, starts);
    ScriptedDialogs boxes;
    frmAbout about;
    about.setSysInfoPrograms(programs);
    about.setLauncher([starts](const QString &) { return starts; });
    QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(boxes.texts(),
             QStringList{QStringLiteral("System Information Is Unavailable At This Time")});
    QCOMPARE(boxes.calls().at(0).title, QString());
}

void TestSplashAbout::sysInfoStartsTheFirstProgramFound()
{
    ScriptedDialogs boxes;
    frmAbout about;
    QStringList started;
    about.setSysInfoPrograms({"portiva-no-such-sysinfo", "sh", "true"});
    about.setLauncher([&started](const QString &program) {
        started << program;
        return true;
    });
    about.StartSysInfo();
    QCOMPARE(boxes.calls().size(), 0);
    QCOMPARE(started, QStringList{QStandardPaths::findExecutable(QStringLiteral("sh"))});
}

QTEST_MAIN(TestSplashAbout)
#include "tst_splashabout.moc"
