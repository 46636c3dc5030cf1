// Termination signals: the first closes open boxes and then asks the program to close, again
// until it has; a second one ends the program at once.

#include "platform/ui/ShutdownSignals.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <cstdio>

using namespace portiva;

namespace
{

const char *const ChildVariable = "PORTIVA_SHUTDOWN_CHILD";

// The child of the second-signal test: a program whose close never finishes.
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    ShutdownSignals shutdown([] {});
    QObject::connect(&shutdown, &ShutdownSignals::signalled, &app, [](int number) {
        std::printf("asked %d\n", number);
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}

bool readLine(QProcess &child, const QByteArray &expected)
{
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(10000))
            return false;
    }
    return child.readLine().trimmed() == expected;
}

} // namespace

class ShutdownSignalsTest : public QObject
{
    Q_OBJECT

private slots:
    void signalClosesBoxesThenAsksUntilClosed_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void signalClosesBoxesThenAsksUntilClosed()
    {
        QFETCH(int, number);
        int asked = 0;
        bool boxOpenWhenAsked = false;
        QDialog box;
        box.setModal(true);
        box.show();
        QVERIFY(QApplication::activeModalWidget() == &box);
        ShutdownSignals shutdown([&] {
            boxOpenWhenAsked = boxOpenWhenAsked || box.isVisible();
            ++asked;
        });
        int signalled = 0;
        connect(&shutdown, &ShutdownSignals::signalled, this, [&](int n) { signalled = n; });
        QVERIFY(!shutdown.requested());
        std::raise(number);
        QTRY_COMPARE(signalled, number);
        QVERIFY(shutdown.requested());
        QTRY_VERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Rejected));
        // Asked again while the program has not ended.
        QTRY_VERIFY(asked >= 2);
        QVERIFY(!boxOpenWhenAsked);
    }

    void secondSignalEndsAtOnce()
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildVariable), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QVERIFY(readLine(child, "ready"));
        ::kill(pid_t(child.processId()), SIGHUP);
        QVERIFY(readLine(child, QByteArray("asked ") + QByteArray::number(SIGHUP)));
        QVERIFY(!child.waitForFinished(300)); // its close has not finished: it keeps running
        ::kill(pid_t(child.processId()), SIGTERM);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet(ChildVariable))
        return runChild(argc, argv);
    QApplication app(argc, argv);
    ShutdownSignalsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shutdownsignals.moc"
