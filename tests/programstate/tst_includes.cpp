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
    void boxesGoThroughTheDialogService();
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

// A box opened past the dialog service cannot be answered by a test's script, and one opened
// below the windows stops work that has no window to return to. Tabulon, a component of its
// own, shows its own boxes.
void TestIncludes::boxesGoThroughTheDialogService()
{
    static const QRegularExpression box(QStringLiteral("\\bQ(MessageBox|InputDialog)\\b"));
    QStringList outside;
    for (const char *folder : {"platform", "database", "programstate", "modem", "inbox", "admin",
                               "records", "core", "app"}) {
        QDirIterator it(QStringLiteral(PORTIVA_SOURCE_DIR "/") + QLatin1String(folder),
                        {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QLatin1String("/platform/ui/Dialogs.cpp")) ||
                path.endsWith(QLatin1String("/platform/ui/Dialogs.h")))
                continue;
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            if (box.match(QString::fromUtf8(file.readAll())).hasMatch())
                outside << QLatin1String(folder) + u'/' + it.fileName();
        }
    }
    QVERIFY2(outside.isEmpty(), qPrintable(outside.join(QStringLiteral(", "))));
}

QTEST_GUILESS_MAIN(TestIncludes)
#include "tst_includes.moc"
