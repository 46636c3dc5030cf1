#include "platform/vb/Vb.h"

#include "platform/phrase/Phrase.h"

#include <QScopeGuard>
#include <QTest>

using namespace portiva;
using namespace portiva::vb;

namespace
{

// The runtime error number a call raised, 0 when it raised none.
template <typename F> int errorOf(F &&f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.number();
    }
    return 0;
}

} // namespace

class TestVb : public QObject
{
    Q_OBJECT

private slots:
    void val_data();
    void val();
    void conversions_data();
    void conversions();
    void conversionErrors_data();
    void conversionErrors();
    void errorDescriptions_data();
    void errorDescriptions();
    void numericConversions();
    void numberText_data();
    void numberText();
    void formatNumber_data();
    void formatNumber();
    void formatDate_data();
    void formatDate();
    void dayNumbers_data();
    void dayNumbers();
    void shortDate_data();
    void shortDate();
    void validityDates_data();
    void validityDates();
    void strings();
    void stringErrors();
    void booleans();
};

void TestVb::val_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("plain") << "42" << 42.0;
    QTest::newRow("leading blanks") << "  7" << 7.0;
    QTest::newRow("blanks inside") << "1 2 3" << 123.0;
    QTest::newRow("stops at letter") << "12abc" << 12.0;
    QTest::newRow("stops at CR") << "15\r\n3" << 15.0;
    QTest::newRow("decimal") << "2.5" << 2.5;
    QTest::newRow("comma not decimal") << "2,5" << 2.0;
    QTest::newRow("negative") << "-3.25" << -3.25;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("dangling exponent") << "5e" << 5.0;
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex 16-bit signed") << "&HFFFF" << -1.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("letters only") << "SALDO" << 0.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
}

void TestVb::val()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(Val(text), expected);
}

void TestVb::conversions_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("cint");
    QTest::newRow("half to even down") << QVariant(2.5) << 2;
    QTest::newRow("half to even up") << QVariant(3.5) << 4;
    QTest::newRow("negative half") << QVariant(-2.5) << -2;
    QTest::newRow("text") << QVariant(QStringLiteral(" 12 ")) << 12;
    QTest::newRow("text decimal point") << QVariant(QStringLiteral("6.5")) << 6;
    QTest::newRow("text Norwegian comma") << QVariant(QStringLiteral("7,5")) << 8;
    QTest::newRow("True") << QVariant(true) << -1;
    QTest::newRow("text true") << QVariant(QStringLiteral("true")) << -1;
    QTest::newRow("hex text") << QVariant(QStringLiteral("&H10")) << 16;
    QTest::newRow("upper bound") << QVariant(32767) << 32767;
    QTest::newRow("lower bound") << QVariant(QStringLiteral("-32768")) << -32768;
}

void TestVb::conversions()
{
    QFETCH(QVariant, value);
    QFETCH(int, cint);
    QCOMPARE(CInt(value), cint);
    QCOMPARE(CLng(value), cint);
}

void TestVb::conversionErrors_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("error");
    QTest::newRow("CInt 32768") << "CInt" << QVariant(32768) << int(Overflow);
    QTest::newRow("CInt 32767.5 rounds over") << "CInt" << QVariant(32767.5) << int(Overflow);
    QTest::newRow("CInt -32768.6") << "CInt" << QVariant(-32768.6) << int(Overflow);
    QTest::newRow("CLng 2^31") << "CLng" << QVariant(2147483648.0) << int(Overflow);
    QTest::newRow("CByte 256") << "CByte" << QVariant(QStringLiteral("256")) << int(Overflow);
    QTest::newRow("CByte -1") << "CByte" << QVariant(-1) << int(Overflow);
    QTest::newRow("CByte 255.5 even is 256") << "CByte" << QVariant(255.5) << int(Overflow);
    QTest::newRow("CByte -0.5 rounds to 0") << "CByte" << QVariant(-0.5) << 0;
    QTest::newRow("CInt date beyond 16 bits")
        << "CInt" << QVariant(QDate(2009, 5, 10)) << int(Overflow);
    QTest::newRow("CInt abc") << "CInt" << QVariant(QStringLiteral("abc")) << int(TypeMismatch);
    QTest::newRow("CInt empty") << "CInt" << QVariant(QString()) << int(TypeMismatch);
    QTest::newRow("CInt 12abc") << "CInt" << QVariant(QStringLiteral("12abc")) << int(TypeMismatch);
    QTest::newRow("CLng 1.2.3") << "CLng" << QVariant(QStringLiteral("1.2.3")) << int(TypeMismatch);
    QTest::newRow("CInt Null") << "CInt" << QVariant() << int(InvalidNull);
    QTest::newRow("CBool abc") << "CBool" << QVariant(QStringLiteral("abc")) << int(TypeMismatch);
    QTest::newRow("CDbl huge text") << "CDbl" << QVariant(QStringLiteral("1e999")) << int(Overflow);
}

void TestVb::conversionErrors()
{
    QFETCH(QString, function);
    QFETCH(QVariant, value);
    QFETCH(int, error);
    const int raised = errorOf([&] {
        if (function == u"CInt")
            CInt(value);
        else if (function == u"CLng")
            CLng(value);
        else if (function == u"CByte")
            CByte(value);
        else if (function == u"CBool")
            CBool(value);
        else
            CDbl(value);
    });
    QCOMPARE(raised, error);
}

void TestVb::errorDescriptions_data()
{
    QTest::addColumn<QString>("country");
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    const QString mismatch[] = {
        "Verdien er ikke av riktig slag (for eksempel tekst der et tall eller en dato skulle "
        "stå), så den ble ikke brukt.",
        "Værdien er ikke af den rigtige slags (for eksempel tekst, hvor der skulle stå et tal "
        "eller en dato), så den blev ikke brugt.",
        "Värdet är inte av rätt slag (till exempel text där ett tal eller ett datum skulle stå), "
        "så det användes inte."};
    QTest::newRow("overflow no") << "47" << 0 << 6 << "Tallet er for stort, så det ble ikke brukt.";
    QTest::newRow("overflow da") << "45" << 0 << 6
                                 << "Tallet er for stort, så det blev ikke brugt.";
    QTest::newRow("overflow sv") << "46" << 0 << 6 << "Talet är för stort, så det användes inte.";
    QTest::newRow("mismatch no") << "47" << 1 << 13 << mismatch[0];
    QTest::newRow("mismatch da") << "45" << 1 << 13 << mismatch[1];
    QTest::newRow("mismatch sv") << "46" << 1 << 13 << mismatch[2];
    QTest::newRow("invalid call no")
        << "47" << 2 << 5 << "Ugyldig verdi, så handlingen ble ikke utført.";
    QTest::newRow("invalid call da")
        << "45" << 2 << 5 << "Ugyldig værdi, så handlingen blev ikke udført.";
    QTest::newRow("invalid call sv")
        << "46" << 2 << 5 << "Ogiltigt värde, så åtgärden utfördes inte.";
    QTest::newRow("unknown number sv") << "46" << 3 << 1004 << "Åtgärden utfördes inte (fel 1004).";
}

// The runtime's failures reach the operator in the chosen language, never in the runtime's
// own English, and keep their numbers.
void TestVb::errorDescriptions()
{
    QFETCH(QString, country);
    QFETCH(int, call);
    QFETCH(int, number);
    QFETCH(QString, expected);
    setPhraseLanguage(country);
    const auto reset = qScopeGuard([] { setPhraseLanguage(QStringLiteral("47")); });
    try {
        if (call == 0)
            CByte(QStringLiteral("256"));
        else if (call == 1)
            CInt(QStringLiteral("x"));
        else if (call == 2)
            Mid(QStringLiteral("abc"), 0);
        else
            raise(number);
        QFAIL("no error");
    } catch (const Error &e) {
        QCOMPARE(e.description(), expected);
        QCOMPARE(e.number(), number);
    }
}

void TestVb::numericConversions()
{
    QCOMPARE(CLng(QDate(2009, 5, 10)), 39943);
    QVERIFY(IsNumeric(QStringLiteral(" 4 ")));
    QVERIFY(!IsNumeric(QStringLiteral("4 x")));
    QVERIFY(!IsNumeric(QVariant()));
}

void TestVb::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 7.0 << "7";
    QTest::newRow("half") << 2.5 << "2.5";
    QTest::newRow("negative") << -0.25 << "-0.25";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("large whole") << 123456789012.0 << "123456789012";
    QTest::newRow("one third") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
    QTest::newRow("small") << 0.0001 << "0.0001";
    QTest::newRow("smaller") << 0.00001 << "1E-05";
    QTest::newRow("huge") << 1e15 << "1E+15";
}

void TestVb::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(vb::numberText(value), expected);
}

void TestVb::formatNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two digits") << 5.0 << "00"
                                << "05";
    QTest::newRow("hour 24") << 24.0 << "00"
                             << "24";
    QTest::newRow("half away from zero") << 2.5 << "0"
                                         << "3";
    QTest::newRow("negative half") << -2.5 << "0"
                                   << "-3";
    QTest::newRow("decimals") << 3.14159 << "0.00"
                              << "3.14";
    QTest::newRow("decimal half") << 0.125 << "0.00"
                                  << "0.13";
    QTest::newRow("optional digits") << 0.5 << "#.##"
                                     << ".5";
    QTest::newRow("mixed") << 12.0 << "#0.0"
                           << "12.0";
    QTest::newRow("literal around") << 7.0 << "(0)"
                                    << "(7)";
    QTest::newRow("negative rounds to zero") << -0.4 << "0"
                                             << "0";
    QTest::newRow("empty pattern") << 2.5 << ""
                                   << "2.5";
}

void TestVb::formatNumber()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(Format(value, pattern), expected);
}

void TestVb::formatDate_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("day first") << "dd/mm/yyyy"
                               << "05/03/2009";
    QTest::newRow("unpadded") << "d/m/yy"
                              << "5/3/09";
    QTest::newRow("minutes after hour") << "hh:mm"
                                        << "07:08";
    QTest::newRow("minutes before second") << "mm:ss"
                                           << "08:09";
    QTest::newRow("n for minutes") << "h:nn:ss"
                                   << "7:08:09";
    QTest::newRow("modem stamp") << "yy/mm/dd,hh:nn:ss"
                                 << "09/03/05,07:08:09";
    QTest::newRow("quoted literal") << "\"kl.\" hh"
                                    << "kl. 07";
    QTest::newRow("upper case") << "DD.MM.YYYY"
                                << "05.03.2009";
    QTest::newRow("short time") << "Short Time"
                                << "07:08";
    QTest::newRow("long time") << "Long Time"
                               << "07:08:09";
}

void TestVb::formatDate()
{
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(Format(QDateTime(QDate(2009, 3, 5), QTime(7, 8, 9)), pattern), expected);
}

void TestVb::dayNumbers_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("day");
    QTest::newRow("zero") << QDate(1899, 12, 30) << 0;
    QTest::newRow("before zero") << QDate(1899, 12, 29) << -1;
    QTest::newRow("1900-03-01") << QDate(1900, 3, 1) << 61;
    QTest::newRow("2009-05-10") << QDate(2009, 5, 10) << 39943;
    QTest::newRow("2099-12-31") << QDate(2099, 12, 31) << 73050;
}

void TestVb::dayNumbers()
{
    QFETCH(QDate, date);
    QFETCH(int, day);
    QCOMPARE(dayNumber(date), day);
    QCOMPARE(dateFromDayNumber(day), date);
}

void TestVb::shortDate_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("C counts as Norwegian") << QLocale::c() << "10.05.2009";
    QTest::newRow("nb_NO") << QLocale(QStringLiteral("nb_NO")) << "10.05.2009";
    QTest::newRow("da_DK") << QLocale(QStringLiteral("da_DK")) << "10.05.2009";
    QTest::newRow("de_DE two-digit year widened")
        << QLocale(QStringLiteral("de_DE")) << "10.05.2009";
    QTest::newRow("en_GB") << QLocale(QStringLiteral("en_GB")) << "10/05/2009";
    QTest::newRow("sv_SE year first turned") << QLocale(QStringLiteral("sv_SE")) << "10-05-2009";
    QTest::newRow("en_US month first turned") << QLocale(QStringLiteral("en_US")) << "10/5/2009";
}

void TestVb::shortDate()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    const QString text = QLocale::c().toString(QDate(2009, 5, 10), shortDatePatternFor(locale));
    QCOMPARE(text, expected);
    // Whatever the locale, the validity reader takes it back day first.
    QCOMPARE(parseValidityDate(text), QDate(2009, 5, 10));
    // The program's own short date follows the system locale by the same rule.
    QCOMPARE(shortDateText(QDate(2009, 5, 10)),
             QLocale::c().toString(QDate(2009, 5, 10), shortDatePatternFor(QLocale::system())));
}

void TestVb::validityDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("slashes") << "5/3/2009" << QDate(2009, 3, 5);
    QTest::newRow("padded dots") << "05.03.2009" << QDate(2009, 3, 5);
    QTest::newRow("dashes") << "25-12-2010" << QDate(2010, 12, 25);
    QTest::newRow("two-digit year") << "10.5.09" << QDate(2009, 5, 10);
    QTest::newRow("blanks at ends") << "  31/12/2099 " << QDate(2099, 12, 31);
    QTest::newRow("impossible") << "31/2/2009" << QDate();
    QTest::newRow("year first") << "2009-05-10" << QDate();
    QTest::newRow("text") << "snart" << QDate();
    QTest::newRow("empty") << "" << QDate();
    QTest::newRow("three-digit year") << "1/1/209" << QDate();
}

void TestVb::validityDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseValidityDate(text), date);
    if (date.isValid())
        QCOMPARE(parseValidityDate(validityDateText(date)), date);
    QCOMPARE(validityDateText(QDate(2009, 3, 5)), QStringLiteral("5/3/2009"));
    QCOMPARE(validityDateText(QDate(2010, 12, 25)), QStringLiteral("25/12/2010"));
}

void TestVb::strings()
{
    QCOMPARE(Trim(QStringLiteral("  a b \t")), QStringLiteral("a b \t"));
    QCOMPARE(Trim(QStringLiteral("\r\n x \n")), QStringLiteral("\r\n x \n"));
    QCOMPARE(LTrim(QStringLiteral("  x  ")), QStringLiteral("x  "));
    QCOMPARE(RTrim(QStringLiteral("  x  ")), QStringLiteral("  x"));
    QCOMPARE(UCase(QStringLiteral("ærlig ø å")), QStringLiteral("ÆRLIG Ø Å"));
    QCOMPARE(LCase(QStringLiteral("SLETTET")), QStringLiteral("slettet"));

    const QString t = QStringLiteral("Bruker: OK bruker");
    QCOMPARE(InStr(1, t, QStringLiteral("bruker")), 12);
    QCOMPARE(InStr(1, t, QStringLiteral("bruker"), true), 1);
    QCOMPARE(InStr(2, t, QStringLiteral("BRUKER"), true), 12);
    QCOMPARE(InStr(1, t, QStringLiteral("xyz"), true), 0);
    QCOMPARE(InStr(18, t, QStringLiteral("r")), 0);
    QCOMPARE(InStr(3, QStringLiteral("abc"), QString()), 3);
    QCOMPARE(InStr(4, QStringLiteral("abc"), QString()), 4);
    QCOMPARE(InStr(5, QStringLiteral("abc"), QString()), 0);
    QCOMPARE(InStr(1, QString(), QString()), 0);

    QCOMPARE(Mid(QStringLiteral("+4791000001"), 4), QStringLiteral("91000001"));
    QCOMPARE(Mid(QStringLiteral("+4791000001"), 4, 9), QStringLiteral("91000001"));
    QCOMPARE(Mid(QStringLiteral("abc"), 2, 1), QStringLiteral("b"));
    QCOMPARE(Mid(QStringLiteral("abc"), 9, 2), QString());
    QCOMPARE(Mid(QStringLiteral("abc"), 3, 0), QString());
    QCOMPARE(Left(QStringLiteral("abc"), 5), QStringLiteral("abc"));
    QCOMPARE(Right(QStringLiteral("abc"), 2), QStringLiteral("bc"));
    QCOMPARE(Left(QStringLiteral("abc"), 0), QString());
}

void TestVb::stringErrors()
{
    QCOMPARE(errorOf([] { InStr(0, QStringLiteral("abc"), QStringLiteral("a")); }),
             int(InvalidCall));
    QCOMPARE(errorOf([] { Mid(QStringLiteral("abc"), 0); }), int(InvalidCall));
    QCOMPARE(errorOf([] { Mid(QStringLiteral("abc"), 1, -1); }), int(InvalidCall));
    QCOMPARE(errorOf([] { Left(QStringLiteral("abc"), -1); }), int(InvalidCall));
    QCOMPARE(errorOf([] { Right(QStringLiteral("abc"), -1); }), int(InvalidCall));
}

void TestVb::booleans()
{
    QCOMPARE(boolText(true), QStringLiteral("True"));
    QCOMPARE(boolText(false), QStringLiteral("False"));
    QCOMPARE(boolValue(true), -1);
    QCOMPARE(boolValue(false), 0);
    QCOMPARE(CBool(QStringLiteral("FALSE")), false);
    QCOMPARE(CBool(QStringLiteral("tRuE")), true);
    QCOMPARE(CBool(QStringLiteral("2")), true);
    QCOMPARE(CBool(QStringLiteral("0")), false);
    QCOMPARE(CBool(-1), true);
}

QTEST_APPLESS_MAIN(TestVb)
#include "tst_vb.moc"
