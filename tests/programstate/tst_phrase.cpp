// The program's own texts follow the language the operator chose, as the language table does.

#include "programstate/Phrase.h"

#include <QtTest>

using namespace portiva;

class TestPhrase : public QObject
{
    Q_OBJECT
private slots:
    void followsTheChosenLanguage_data();
    void followsTheChosenLanguage();
    void cleanup() { setPhraseLanguage(QStringLiteral("47")); }
};

void TestPhrase::followsTheChosenLanguage_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Norwegian") << "47"
                               << "Ingenting er lagret.";
    QTest::newRow("Danish") << "45"
                            << "Intet er gemt.";
    QTest::newRow("Swedish") << "46"
                             << "Inget har sparats.";
    QTest::newRow("other code is Norwegian") << "44"
                                             << "Ingenting er lagret.";
    QTest::newRow("empty code is Norwegian") << ""
                                             << "Ingenting er lagret.";
}

void TestPhrase::followsTheChosenLanguage()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    setPhraseLanguage(QStringLiteral("46"));
    setPhraseLanguage(code);
    QCOMPARE(phrase(u"Ingenting er lagret.", u"Intet er gemt.", u"Inget har sparats."), expected);
}

QTEST_GUILESS_MAIN(TestPhrase)
#include "tst_phrase.moc"
