// The opening time of the timed lock modes: how an answer is completed, checked and sent.

#include "admin/KeyCommands.h"
#include "tests/support/ScriptedDialogs.h"

#include <QtTest>

using namespace portiva;

class KeyPropTimeTest : public QObject
{
    Q_OBJECT

private slots:
    void answerBecomesCommand_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("normalised");
        QTest::addColumn<QString>("hourCommand");   // "Oppe hverdager", code 5
        QTest::addColumn<QString>("minuteCommand"); // the same mode
        QTest::newRow("hours only") << "7-16"
                                    << "07:00-16:00"
                                    << "O 07-16*5"
                                    << "O 07:00-16:00*5";
        QTest::newRow("single digits") << "7:45-6:15"
                                       << "07:45-06:15"
                                       << "O 07-06*5"
                                       << "O 07:45-06:15*5";
        QTest::newRow("second hour bare") << "07-6"
                                          << "07:00-06:00"
                                          << "O 07-06*5"
                                          << "O 07:00-06:00*5";
        QTest::newRow("second minutes missing") << "7:45-6"
                                                << "07:45-06:00"
                                                << "O 07-06*5"
                                                << "O 07:45-06:00*5";
        QTest::newRow("as typed") << "07:45-16:15"
                                  << "07:45-16:15"
                                  << "O 07-16*5"
                                  << "O 07:45-16:15*5";
        // Past the 11th character nothing is examined, and the minute model sends it all.
        QTest::newRow("trailing text") << "07:45-16:15xyz"
                                       << "07:45-16:15xyz"
                                       << "O 07-16*5"
                                       << "O 07:45-16:15xyz*5";
        QTest::newRow("midnight") << "00:00-23:59"
                                  << "00:00-23:59"
                                  << "O 00-23*5"
                                  << "O 00:00-23:59*5";
    }
    void answerBecomesCommand()
    {
        QFETCH(QString, answer);
        QFETCH(QString, normalised);
        QFETCH(QString, hourCommand);
        QFETCH(QString, minuteCommand);
        QCOMPARE(normaliseOpeningTime(answer), normalised);
        QCOMPARE(checkOpeningTime(normalised), OpeningTimeCheck::Valid);
        QCOMPARE(timedLockModeCommand(normalised, KeyModel::HourModel, 3), hourCommand);
        QCOMPARE(timedLockModeCommand(normalised, KeyModel::MinuteModel, 3), minuteCommand);
    }

    void refusedAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("check");
        QTest::newRow("hour 24") << "24:00-16:00" << int(OpeningTimeCheck::OutOfRange);
        QTest::newRow("minute 60") << "07:60-16:00" << int(OpeningTimeCheck::OutOfRange);
        QTest::newRow("second hour 24") << "07:00-24:00" << int(OpeningTimeCheck::OutOfRange);
        QTest::newRow("wrong separator") << "07.00-16.00" << int(OpeningTimeCheck::OutOfRange);
        QTest::newRow("letters") << "ab-cd" << int(OpeningTimeCheck::NotDigits);
        QTest::newRow("negative hour") << "-1:00-16:00" << int(OpeningTimeCheck::NotDigits);
        QTest::newRow("leading blank") << " 7:00-16:00" << int(OpeningTimeCheck::NotDigits);
        QTest::newRow("plus sign") << "+1:00-16:00" << int(OpeningTimeCheck::NotDigits);
        QTest::newRow("too short") << "7" << int(OpeningTimeCheck::NotDigits);
    }
    void refusedAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(int, check);
        QCOMPARE(int(checkOpeningTime(normaliseOpeningTime(answer))), check);
    }

    void eachTimedModeHasItsCode_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("command");
        QTest::newRow("Oppe hverdager") << 3 << "O 07:45-16:15*5";
        QTest::newRow("Oppe alle dager") << 4 << "O 07:45-16:15*7";
        QTest::newRow("Bistabil hverdager") << 5 << "O 07:45-16:15*4";
        QTest::newRow("Bistabil alle dager") << 6 << "O 07:45-16:15*6";
        QTest::newRow("Bare i dag") << 7 << "O 07:45-16:15*1";
        QTest::newRow("Hverdager int. 2") << 8 << "O 07:45-16:15*2";
        QTest::newRow("Alle dager int. 2") << 9 << "O 07:45-16:15*3";
    }
    void eachTimedModeHasItsCode()
    {
        QFETCH(int, position);
        QFETCH(QString, command);
        QCOMPARE(timedLockModeCommand("07:45-16:15", KeyModel::MinuteModel, position), command);
    }

    void askingLoopsUntilAValidOrEmptyAnswer_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QStringList>("answers"); // "<cancel>" cancels
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<int>("beeps");
        QTest::newRow("valid at once")
            << int(KeyModel::HourModel) << QStringList{"7-16"} << "O 07-16*5" << 1 << 0;
        QTest::newRow("out of range beeps, letters do not")
            << int(KeyModel::MinuteModel)
            << QStringList{"24:00-16:00", "ab-cd", "07:60-16:00", "7:45-16:15"} << "O 07:45-16:15*5"
            << 4 << 2;
        QTest::newRow("empty answer ends")
            << int(KeyModel::HourModel) << QStringList{"ab", ""} << "" << 2 << 0;
        QTest::newRow("cancel ends")
            << int(KeyModel::MinuteModel) << QStringList{"<cancel>"} << "" << 1 << 0;
        QTest::newRow("silent model sends nothing")
            << int(KeyModel::SilentModel) << QStringList{"07-16"} << "" << 1 << 0;
        QTest::newRow("no model sends nothing")
            << int(KeyModel::None) << QStringList{"07-16"} << "" << 1 << 0;
    }
    void askingLoopsUntilAValidOrEmptyAnswer()
    {
        QFETCH(int, model);
        QFETCH(QStringList, answers);
        QFETCH(QString, command);
        QFETCH(int, boxes);
        QFETCH(int, beeps);
        ScriptedDialogs dialogs;
        for (const QString &a : answers)
            dialogs.answerInput(a == "<cancel>" ? std::nullopt : std::optional<QString>(a));
        QCOMPARE(
            askOpeningTime(dialogs, KeyModel(model), 3, "Tast inn ÅPNINGSTID hverdager", "ÅPNE"),
            command);
        QCOMPARE(dialogs.calls().size(), boxes);
        QCOMPARE(dialogs.beeps(), beeps);
        QCOMPARE(dialogs.pendingAnswers(), 0);
        const auto &first = dialogs.calls().first();
        QCOMPARE(first.title, QString("ÅPNE"));
        QCOMPARE(first.defaultText, QString());
        const QString example = KeyModel(model) == KeyModel::HourModel ? "07-16" : "07:45-16:15";
        QCOMPARE(first.text, "Tast inn ÅPNINGSTID hverdager\r\n\r\n           " + example);
    }
};

QTEST_MAIN(KeyPropTimeTest)
#include "tst_keyprop_time.moc"
