#include "platform/faces/Faces.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QTest>

using namespace portiva;

class TestFaces : public QObject
{
    Q_OBJECT

private slots:
    void dialogFaceResolvesToItsMetrics();
    void numberFitsItsColumn_data();
    void numberFitsItsColumn();
};

void TestFaces::dialogFaceResolvesToItsMetrics()
{
    QVERIFY2(ensureMetricFaces(), qPrintable(metricFacesDir()));
    QVERIFY(ensureMetricFaces()); // a second call adds nothing and still finds the face
    const QFontInfo info(dialogFont());
    QCOMPARE(info.family(), QStringLiteral("Tahoma"));
    QCOMPARE(info.pointSize(), 8);
    QFont bold = dialogFont();
    bold.setBold(true);
    QVERIFY(QFontInfo(bold).bold());
}

void TestFaces::numberFitsItsColumn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("twips");
    QTest::newRow("twelve-character number") << QStringLiteral("+46701234567") << 1200;
    QTest::newRow("date") << QStringLiteral("31.12.2099") << 1200;
}

// 1440 twips an inch; the grid keeps a few pixels of each column for its cell margins.
void TestFaces::numberFitsItsColumn()
{
    QFETCH(QString, text);
    QFETCH(int, twips);
    ensureMetricFaces();
    const QFontMetrics metrics(dialogFont());
    const int columnPixels = twips * 96 / 1440;
    QVERIFY2(metrics.horizontalAdvance(text) + 6 <= columnPixels,
             qPrintable(QStringLiteral("%1 px").arg(metrics.horizontalAdvance(text))));
}

QTEST_MAIN(TestFaces)
#include "tst_faces.moc"
