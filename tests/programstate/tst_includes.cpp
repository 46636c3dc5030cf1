#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

// The subsystems sit below the application core and share only what lies under them; an
// include that reaches up a layer ties a subsystem to the main window's start-up and build.
class TestIncludes : public QObject
{
    Q_OBJECT
private slots:
    void includesRunDownward_data();
    void includesRunDownward();
};

void TestIncludes::includesRunDownward_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("allowed");
    const QStringList base{"platform", "portiva"};
    QTest::newRow("platform") << "platform" << base;
    QTest::newRow("database") << "database" << base + QStringList{"database"};
    QTest::newRow("programstate") << "programstate" << base + QStringList{"programstate"};
    const QStringList subsystem = base + QStringList{"programstate", "modem"};
    QTest::newRow("modem") << "modem" << subsystem;
    QTest::newRow("inbox") << "inbox" << subsystem + QStringList{"inbox"};
    QTest::newRow("admin") << "admin" << subsystem + QStringList{"admin"};
    QTest::newRow("records") << "records"
                             << subsystem + QStringList{"admin", "records", "gridprint"};
    QTest::newRow("gridprint") << "gridprint" << base + QStringList{"gridprint"};
}

void TestIncludes::includesRunDownward()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, allowed);
    static const QRegularExpression include(QStringLiteral("^#include \"([a-z]+)/"),
                                            QRegularExpression::MultilineOption);
    QStringList upward;
    QDirIterator it(QStringLiteral(PORTIVA_SOURCE_DIR "/") + folder, {"*.h", "*.cpp"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (auto m = include.globalMatch(text); m.hasNext();) {
            const QString target = m.next().captured(1);
            if (!allowed.contains(target) && target != folder)
                upward << it.fileName() + QStringLiteral(" -> ") + target;
        }
    }
    QVERIFY2(upward.isEmpty(), qPrintable(upward.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(TestIncludes)
#include "tst_includes.moc"
