// The database lives on a small file system of its own that fills up while the real main window
// receives, sends and registers over the simulated modem: the window says the database cannot be
// written and that sending and receiving wait, refuses a registration keeping what was typed,
// loses nothing, and goes on by itself once there is room again.
//
// The small file system is a size-limited tmpfs mounted in a private user and mount namespace
// (unshare -Urm), so no root is needed: the test runs itself again inside one.

#include "helper_simsite.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace portiva;
using namespace portiva::test;

namespace
{

// Set in the run inside the namespace: the folder the small file system is mounted on.
constexpr const char *kSmallDiskVar = "PORTIVA_SMALL_DISK";

// Writes path until the file system refuses more. Buffered writes would only fail at a later
// flush, so this writes through the descriptor, in ever smaller blocks to take the last page.
bool fillDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    static const QByteArray zeros(1 << 20, '\0');
    bool refused = false;
    for (qsizetype block = zeros.size(); block >= 512; block /= 4) {
        for (;;) {
            const ssize_t n = ::write(fd, zeros.constData(), size_t(block));
            if (n == block)
                continue;
            if (n < 0 && errno == EINTR)
                continue;
            refused = refused || (n < 0 && errno == ENOSPC) || n >= 0;
            break;
        }
    }
    ::close(fd);
    return refused;
}

// The status box's messages, each a line of its own.
QStringList boxLines(const frmMain &w)
{
    QStringList lines = w.txtMessages->toPlainText().split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.trimmed();
    return lines;
}

} // namespace

class SimFullDiskTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("PORTIVA_MODEM_TIMESCALE", "0.05"); }

    void fullDiskIsToldAndLosesNothing()
    {
        const QString smallDisk = qEnvironmentVariable(kSmallDiskVar);
        if (smallDisk.isEmpty()) {
            runOnSmallDisk();
            return;
        }
        // Every file of the run, the database first, goes on the small file system.
        qputenv("TMPDIR", QFile::encodeName(smallDisk));
        Site site;
        QVERIFY(site.db.path().startsWith(smallDisk));
        QVERIFY(site.start());
        frmMain &w = *site.w;
        QVERIFY(waitFor([&] { return site.idle(); }, 10000));

        // The disk fills while a queued row and a received SMS wait.
        site.conn->exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, DatoLNG, CMGS) VALUES "
                        "('+4722222222', 'Mens disken er full', 40000, 'UNSENT')");
        QVERIFY(site.sim.deliverSms(QStringLiteral("+4799887766"),
                                    QStringLiteral("Hei mens disken er full")));
        const QString filler = smallDisk + QStringLiteral("/filler");
        QVERIFY(fillDisk(filler));
        QTest::qWait(3000);
        QVERIFY(site.sim.submissions().isEmpty());
        QVERIFY(site.sim.deletions().isEmpty()); // the SMS stays on the modem until it is stored
        QCOMPARE(site.scalar("SELECT CMGS FROM SMS_Sent WHERE SMS_Text = 'Mens disken er full'")
                     .toString(),
                 QStringLiteral("UNSENT"));
        QCOMPARE(w.statusPanel(2)->text(),
                 QStringLiteral(
                     "Databasen kan ikke skrives (disken er full): sending og mottak venter"));
        QVERIFY2(boxLines(w).contains(
                     QStringLiteral("Databasen «%1» kan ikke skrives: disken er full. Sending og "
                                    "mottak av SMS venter til det er plass igjen.")
                         .arg(site.db.path())),
                 qPrintable(w.txtMessages->toPlainText()));

        // A registration is refused with what was not done, and what was typed stays.
        w.REGNYBRUKER = false;
        auto field = [&w](int i) {
            return w.findChild<QLineEdit *>(QStringLiteral("Txtfields(%1)").arg(i));
        };
        field(0)->setText("+4712345678");
        field(2)->setText("Berg");
        field(3)->setText("NY");
        const int boxes = int(site.dialogs.calls().size());
        auto registerButton = w.findChild<QPushButton *>("CommandRegistrerBruker");
        QTest::mouseClick(registerButton, Qt::LeftButton);
        QCOMPARE(int(site.dialogs.calls().size()), boxes + 1);
        QCOMPARE(site.dialogs.lastText(),
                 QStringLiteral("Brukeren ble ikke registrert. Databasen «%1» kan ikke skrives: "
                                "disken er full.")
                     .arg(site.db.path()));
        QCOMPARE(field(0)->text(), QStringLiteral("+4712345678"));
        QCOMPARE(field(2)->text(), QStringLiteral("Berg"));
        QCOMPARE(site.scalar("SELECT count(*) FROM Katalog WHERE Bruker = '+4712345678'").toInt(),
                 0);
        QCOMPARE(
            site.scalar("SELECT count(*) FROM TBLbrukere WHERE KeyBruker = '+4712345678'").toInt(),
            0);

        // Room again: what waited goes on by itself, and the kept fields register as typed.
        QVERIFY(QFile::remove(filler));
        QVERIFY(waitFor([&] { return site.sim.submissions().size() == 1; }));
        QCOMPARE(site.sim.submissions().first().text, QStringLiteral("Mens disken er full"));
        QVERIFY(waitFor([&] {
            return site.scalar("SELECT count(*) FROM SMS_Received WHERE SMS_Text = 'Hei mens "
                               "disken er full'")
                       .toInt() == 1;
        }));
        QVERIFY(waitFor([&] { return !site.sim.deletions().isEmpty(); }));
        QVERIFY2(boxLines(w).contains(
                     QStringLiteral("Databasen kan brukes igjen; sending og mottak fortsetter.")),
                 qPrintable(w.txtMessages->toPlainText()));
        QVERIFY(w.statusPanel(2)->text() !=
                QStringLiteral(
                    "Databasen kan ikke skrives (disken er full): sending og mottak venter"));
        QTest::mouseClick(registerButton, Qt::LeftButton);
        QCOMPARE(
            site.scalar("SELECT count(*) FROM TBLbrukere WHERE KeyBruker = '+4712345678'").toInt(),
            1);
        QVERIFY(waitFor([&] {
            return site.scalar("SELECT count(*) FROM SMS_Sent WHERE TilNummer = '+4711111111' AND "
                               "SMS_Text LIKE 'I 12345678>%'")
                       .toInt() == 1;
        }));
    }

private:
    // Runs this test function again inside its own user and mount namespace, with a 16 MiB
    // tmpfs mounted over a fresh folder.
    void runOnSmallDisk()
    {
        QProcess probe;
        probe.start(QStringLiteral("unshare"), {QStringLiteral("-Urm"), QStringLiteral("true")});
        if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit ||
            probe.exitCode() != 0)
            QSKIP(qPrintable(
                QStringLiteral("A private mount namespace cannot be made here (unshare -Urm): %1")
                    .arg(probe.errorString() +
                         QString::fromLocal8Bit(probe.readAllStandardError()).trimmed())));
        QTemporaryDir mountPoint;
        QVERIFY(mountPoint.isValid());
        QProcess inside;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kSmallDiskVar), mountPoint.path());
        inside.setProcessEnvironment(env);
        inside.setProcessChannelMode(QProcess::MergedChannels);
        inside.start(QStringLiteral("unshare"),
                     {QStringLiteral("-Urm"), QStringLiteral("sh"), QStringLiteral("-c"),
                      QStringLiteral("mount -t tmpfs -o size=16m portiva-small \"$1\" && shift && "
                                     "exec \"$@\""),
                      QStringLiteral("sh"), mountPoint.path(),
                      QCoreApplication::applicationFilePath(),
                      QString::fromLatin1(QTest::currentTestFunction())});
        const bool finished = inside.waitForFinished(120000);
        const QString output = QString::fromLocal8Bit(inside.readAll());
        qInfo().noquote() << output;
        QVERIFY2(finished, "the run on the small file system did not end");
        QVERIFY2(inside.exitStatus() == QProcess::NormalExit && inside.exitCode() == 0,
                 qPrintable(output));
    }
};

QTEST_MAIN(SimFullDiskTest)
#include "tst_sim_fulldisk.moc"
