#include "modem/GsmCharTables.h"

#include <QtTest>

using namespace portiva;

namespace
{

// The standard's mapping, read from the Unicode Consortium's file at test time.
struct Standard {
    QMap<int, char16_t> single;  // code -> character
    QMap<int, char16_t> escaped; // second code of an ESC pair -> character
};

Standard readStandard()
{
    Standard s;
    QFile f(QStringLiteral(PORTIVA_SHARED_DIR "/testdata/modem/GSM0338.TXT"));
    if (!f.open(QIODevice::ReadOnly))
        return s;
    while (!f.atEnd()) {
        const QString line = QString::fromLatin1(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cols = line.split(u'\t');
        if (cols.size() < 2 || cols.at(1).trimmed().isEmpty())
            continue;
        bool ok1 = false, ok2 = false;
        const int code = cols.at(0).toInt(&ok1, 16);
        const int uni = cols.at(1).toInt(&ok2, 16);
        if (!ok1 || !ok2)
            continue;
        if (code > 0xFF)
            s.escaped[code & 0xFF] = char16_t(uni);
        else
            s.single[code] = char16_t(uni);
    }
    return s;
}

const QSet<int> kDiffer = {16, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27};

} // namespace

class TestGsmTables : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void literalArrays();
    void agreesWithStandardOutsideTheKnownDifferences();
    void decodesGreekAndEscapePairsAsTheStandard();
    void loneEscape_data();
    void loneEscape();
    void roundTrip();
    void encoderNeverYieldsControlCodes();
    void encodeExamples_data();
    void encodeExamples();
    void unsendableCharactersAreNamed();
    void lengthCountsEscapePairsAsTwo_data();
    void lengthCountsEscapePairsAsTwo();

private:
    Standard m_std;
};

void TestGsmTables::initTestCase()
{
    GsmCharTables::InitGSMCharTables();
    m_std = readStandard();
    QVERIFY(m_std.single.size() >= 127);
    QCOMPARE(m_std.escaped.size(), 10);
}

void TestGsmTables::literalArrays()
{
    const auto &g = GsmCharTables::GsmToAnsiTable;
    const auto &a = GsmCharTables::AnsiToGsmTable;
    QCOMPARE(std::count_if(g.begin(), g.end(), [](auto v) { return v != 0; }), 117);
    QCOMPARE(std::count_if(a.begin(), a.end(), [](auto v) { return v != 0; }), 116);
    QCOMPARE(int(g[9]), 231);
    QCOMPARE(int(g[10]), 10);
    QCOMPARE(int(g[27]), 0);
    QCOMPARE(int(g[123]), 228);
    QCOMPARE(int(a[13]), 10);
    QCOMPARE(int(a[231]), 9);
    QCOMPARE(int(a[199]), 0);
    QCOMPARE(int(a[64]), 0);
    QCOMPARE(int(a['$']), 2);
    QCOMPARE(int(a['_']), 17);
    for (char c : QByteArray("[\\]^`{|}~"))
        QCOMPARE(int(a[uchar(c)]), 0);
    for (int c = 127; c <= 160; ++c)
        QCOMPARE(int(a[c]), c == 127 ? 0 : 0);
}

void TestGsmTables::agreesWithStandardOutsideTheKnownDifferences()
{
    for (int code = 0; code < 128; ++code) {
        if (kDiffer.contains(code))
            continue;
        const int expected = code == 9 ? 231 : m_std.single.value(code);
        QCOMPARE(int(GsmCharTables::GsmToAnsiTable[code]), expected);
    }
    for (int code : kDiffer)
        QCOMPARE(int(GsmCharTables::GsmToAnsiTable[code]), 0);
}

void TestGsmTables::decodesGreekAndEscapePairsAsTheStandard()
{
    for (int code = 16; code <= 26; ++code) {
        const QString s = GsmCharTables::decode(QByteArray(1, char(code)));
        QCOMPARE(s, QString(QChar(m_std.single.value(code))));
    }
    for (auto it = m_std.escaped.cbegin(); it != m_std.escaped.cend(); ++it) {
        QByteArray pair("\x1b");
        pair.append(char(it.key()));
        QCOMPARE(GsmCharTables::decode(pair), QString(QChar(it.value())));
    }
    QVERIFY(!GsmCharTables::decode(QByteArray("\x00\x10\x1b", 3)).contains(QChar(0)));
}

void TestGsmTables::loneEscape_data()
{
    QTest::addColumn<QByteArray>("codes");
    QTest::addColumn<QString>("text");
    QTest::newRow("last") << QByteArray("A\x1b") << QStringLiteral("A\u00a0");
    QTest::newRow("no pair") << QByteArray("\x1b"
                                           "A")
                             << QStringLiteral("\u00a0A");
    QTest::newRow("double") << QByteArray("\x1b\x1b\x65") << QStringLiteral("\u00a0€");
    QTest::newRow("high byte") << QByteArray("\xe6") << QStringLiteral("æ");
}

void TestGsmTables::loneEscape()
{
    QFETCH(QByteArray, codes);
    QFETCH(QString, text);
    QCOMPARE(GsmCharTables::decode(codes), text);
}

void TestGsmTables::roundTrip()
{
    for (int code = 0; code < 128; ++code) {
        const int latin = GsmCharTables::GsmToAnsiTable[code];
        if (latin == 0 || code == 13)
            continue;
        QCOMPARE(int(GsmCharTables::AnsiToGsmTable[latin]), code);
        const QString s = GsmCharTables::decode(QByteArray(1, char(code)));
        QCOMPARE(GsmCharTables::encode(s), QByteArray(1, char(code)));
    }
}

void TestGsmTables::encoderNeverYieldsControlCodes()
{
    QString all;
    for (int c = 0; c < 0x300; ++c)
        all += QChar(char16_t(c));
    const QByteArray out = GsmCharTables::encode(all);
    for (char b : out) {
        const int v = uchar(b);
        QVERIFY(v != 13 && v != 16 && !(v >= 18 && v <= 27));
        QVERIFY(v < 128);
    }
}

void TestGsmTables::encodeExamples_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("codes");
    QTest::newRow("norwegian") << QStringLiteral("æøåÆØÅ@")
                               << QByteArray("\x1d\x0c\x0f\x1c\x0b\x0e\x00", 7);
    QTest::newRow("line break") << QStringLiteral("a\r\nb") << QByteArray("a\n\nb");
    QTest::newRow("brace") << QStringLiteral("{") << QByteArray(1, '\0');
    QTest::newRow("euro") << QStringLiteral("€") << QByteArray(1, '\0');
}

void TestGsmTables::encodeExamples()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, codes);
    QCOMPARE(GsmCharTables::encode(text), codes);
}

void TestGsmTables::unsendableCharactersAreNamed()
{
    QCOMPARE(GsmCharTables::unsendable(QStringLiteral("Hei @ æ {ok} € {")), QStringLiteral("{}€"));
    QCOMPARE(GsmCharTables::unsendable(QStringLiteral("I 12345678>09051000<09051224")), QString());
}

void TestGsmTables::lengthCountsEscapePairsAsTwo_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("plain") << QStringLiteral("Dør åpen") << 8;
    QTest::newRow("line break") << QStringLiteral("a\nb") << 3;
    QTest::newRow("each escape pair") << QStringLiteral("€[]{}~|\\^") << 18;
    QTest::newRow("mixed") << QStringLiteral("Pris 5 €") << 9;
}

void TestGsmTables::lengthCountsEscapePairsAsTwo()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QCOMPARE(GsmCharTables::gsmLength(text), length);
}

QTEST_GUILESS_MAIN(TestGsmTables)
#include "tst_gsmtables.moc"
