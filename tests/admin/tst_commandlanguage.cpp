// The texts sent to key units, character for character.

#include "admin/CommandLanguage.h"

#include <QtTest>

using namespace portiva;

class CommandLanguageTest : public QObject
{
    Q_OBJECT

private slots:
    void registration_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("balance");
        QTest::addColumn<QString>("expected");
        const QString period = ">09051000<09051224";
        QTest::newRow("home period") << "+4712345678"
                                     << "47"
                                     << "0"
                                     << "I 12345678" + period;
        QTest::newRow("foreign period") << "+4412345678"
                                        << "47"
                                        << "0"
                                        << "i 12345678" + period;
        QTest::newRow("home in Sweden") << "+4612345678"
                                        << "46"
                                        << "0"
                                        << "I 12345678" + period;
        QTest::newRow("zero as 0,0") << "+4712345678"
                                     << "47"
                                     << "0,0"
                                     << "I 12345678" + period;
        QTest::newRow("13 characters keep nine") << "+471234567890"
                                                 << "47"
                                                 << "0"
                                                 << "I 123456789" + period;
        QTest::newRow("00 prefix is foreign") << "004712345678"
                                              << "47"
                                              << "0"
                                              << "i 712345678" + period;
        QTest::newRow("balance") << "+4712345678"
                                 << "47"
                                 << "10"
                                 << "I 12345678*10";
        QTest::newRow("negative balance") << "+4712345678"
                                          << "47"
                                          << "-1"
                                          << "I 12345678*-1";
        QTest::newRow("fraction as held") << "+4712345678"
                                          << "47"
                                          << "0,5"
                                          << "I 12345678*0,5";
        QTest::newRow("balance, 13 characters") << "+471234567890"
                                                << "47"
                                                << "10"
                                                << "I 123456789*10";
    }
    void registration()
    {
        QFETCH(QString, number);
        QFETCH(QString, country);
        QFETCH(QString, balance);
        QFETCH(QString, expected);
        QCOMPARE(UserRegistrationCommand(number, country, QDate(2009, 5, 10), "00",
                                         QDate(2009, 5, 12), "24", balance),
                 expected);
    }

    void unreadableBalanceIsRefused()
    {
        for (const QString &balance : {QString(), QString("abc")}) {
            QVERIFY_THROWS_EXCEPTION(
                std::exception, UserRegistrationCommand("+4712345678", "47", QDate(2009, 1, 1),
                                                        "00", QDate(2009, 1, 3), "24", balance));
        }
    }

    void dateGroups()
    {
        QCOMPARE(commandDateGroup(QDate(2010, 3, 5), "07"), QString("10030507"));
        QCOMPARE(commandDateGroup(QDate(2009, 3, 5), "00"), QString("09030500"));
        QCOMPARE(commandDateGroup(QDate(2100, 12, 31), "24"), QString("00123124"));
    }

    void removal_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("expected");
        QTest::newRow("home") << "+4712345678"
                              << "47"
                              << "U 12345678";
        QTest::newRow("foreign") << "+4412345678"
                                 << "47"
                                 << "u 12345678";
        QTest::newRow("cc 46") << "+4712345678"
                               << "46"
                               << "u 12345678";
        QTest::newRow("all digits") << "+471234567890"
                                    << "47"
                                    << "U 1234567890";
    }
    void removal()
    {
        QFETCH(QString, number);
        QFETCH(QString, country);
        QFETCH(QString, expected);
        QCOMPARE(UserRemovalCommand(number, country), expected);
    }

    void registrationRecognised_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isRegistration");
        QTest::newRow("period") << "I 12345678>09051000<09051224" << true;
        QTest::newRow("balance") << "I 12345678*10" << true;
        QTest::newRow("lower case") << "i 12345678*10" << true;
        QTest::newRow("other user, same start") << "I 123456789*10" << false;
        QTest::newRow("removal") << "U 12345678" << false;
        QTest::newRow("bare number") << "I 12345678" << false;
    }
    void registrationRecognised()
    {
        QFETCH(QString, text);
        QFETCH(bool, isRegistration);
        QCOMPARE(isRegistrationFor(text, "+4712345678", "47"), isRegistration);
    }

    void unitCommands()
    {
        QCOMPARE(AdminRegisterCommand(), QString("?"));
        QCOMPARE(AdminResetCommand(), QString("AR"));
        QCOMPARE(AssistantAdminCommand(1, "87654321"), QString("A1 87654321"));
        QCOMPARE(AssistantAdminCommand(1, ""), QString("A1 "));
        QCOMPARE(OwnNumberCommand("12345678", "+4711111111"), QString("A6 12345678"));
        QCOMPARE(OwnNumberCommand("6", "+4711111111"), QString("A6 +4711111111"));
        QCOMPARE(OwnNumberCommand("99999999", "+4711111111"), QString("A6 +4711111111"));
        QCOMPARE(InOutTimesCommand("07", "16", "08", "18"), QString("A7 07160818"));
        QCOMPARE(KeyNameCommand("Port"), QString("B !Port"));
        QCOMPARE(KeyNameCommand("!Port"), QString("B !Port"));
        QCOMPARE(AlarmFunctionCommand(0), QString("V0"));
        QCOMPARE(AlarmFunctionCommand(8), QString("V8"));
        QCOMPARE(PulseLengthCommand("3"), QString("P 3"));
        QCOMPARE(FetchUsersCommand(), QString("K"));
        QCOMPARE(KeyTextCommand(1, "Velkommen"), QString("T1 Velkommen"));
        QCOMPARE(LogRequestCommand(100), QString("r100"));
    }

    void lockModes()
    {
        const QStringList modes = lockModeTexts();
        QCOMPARE(modes.size(), 10);
        QCOMPARE(LockModeCommand(0), QString("N"));
        QCOMPARE(LockModeCommand(1), QString("L"));
        QCOMPARE(LockModeCommand(2), QString("O"));
        QCOMPARE(LockModeCommand(modes.indexOf("Oppe hverdager"), "07-16"), QString("O 07-16*5"));
        QCOMPARE(LockModeCommand(modes.indexOf("Bare i dag"), "07:45-16:15"),
                 QString("O 07:45-16:15*1"));
        QCOMPARE(LockModeCommand(modes.indexOf("Alle dager int. 2"), "07-16"),
                 QString("O 07-16*3"));
        QCOMPARE(LockModeCommand(modes.indexOf("Oppe alle dager"), "07-16"), QString("O 07-16*7"));
        QCOMPARE(LockModeCommand(modes.indexOf("Bistabil alle dager"), "07-16"),
                 QString("O 07-16*6"));
        QCOMPARE(alarmFunctionTexts().size(), 9);
    }
};

QTEST_GUILESS_MAIN(CommandLanguageTest)
#include "tst_commandlanguage.moc"
