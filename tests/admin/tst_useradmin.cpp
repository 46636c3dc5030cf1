// Registration, queued periods, removal and free SMS on a real database file.

#include "admin/UserAdmin.h"
#include "helper_adminfixture.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"
#include "tests/support/ScriptedDialogs.h"

#include <QtTest>

using namespace portiva;
using portiva::test::AdminFixture;

namespace
{

const SelectedKey kDoor{QStringLiteral("+4711111111"), QStringLiteral("Hovedport")};

UserPanelValues panel(const QString &number, const QString &saldo = QStringLiteral("0"))
{
    UserPanelValues v;
    v.number = number;
    v.firstName = QStringLiteral("Kari");
    v.surname = QStringLiteral("Nordmann");
    v.status = QStringLiteral("NY");
    v.konto = QStringLiteral("Gjest");
    v.from = QDate(2009, 5, 10);
    v.to = QDate(2009, 5, 12);
    v.saldo = saldo;
    return v;
}

} // namespace

class UserAdminTest : public QObject
{
    Q_OBJECT

private slots:
    void registrationWritesEntryRightAndCommand_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("saldo");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("kort");
        QTest::addColumn<QString>("until");
        QTest::addColumn<QString>("command");
        QTest::newRow("home period") << "+4712345678"
                                     << "47"
                                     << "0"
                                     << "+4712345678"
                                     << "12345678"
                                     << "12/5/2009"
                                     << "I 12345678>09051000<09051224";
        QTest::newRow("foreign") << "+4612345678"
                                 << "47"
                                 << "0"
                                 << "+4612345678"
                                 << "12345678"
                                 << "12/5/2009"
                                 << "i 12345678>09051000<09051224";
        QTest::newRow("home in Sweden") << "+4612345678"
                                        << "46"
                                        << "0"
                                        << "+4612345678"
                                        << "12345678"
                                        << "12/5/2009"
                                        << "I 12345678>09051000<09051224";
        QTest::newRow("12 characters") << "+47123456789"
                                       << "47"
                                       << "0"
                                       << "+47123456789"
                                       << "123456789"
                                       << "12/5/2009"
                                       << "I 123456789>09051000<09051224";
        QTest::newRow("typed with blanks") << " +4712345678 "
                                           << "47"
                                           << "0"
                                           << "+4712345678"
                                           << "12345678"
                                           << "12/5/2009"
                                           << "I 12345678>09051000<09051224";
        QTest::newRow("balance") << "+4712345678"
                                 << "47"
                                 << "10"
                                 << "+4712345678"
                                 << "12345678"
                                 << "31/12/2099"
                                 << "I 12345678*10";
        QTest::newRow("negative balance") << "+4712345678"
                                          << "47"
                                          << "-1"
                                          << "+4712345678"
                                          << "12345678"
                                          << "31/12/2099"
                                          << "I 12345678*-1";
    }
    void registrationWritesEntryRightAndCommand()
    {
        QFETCH(QString, typed);
        QFETCH(QString, country);
        QFETCH(QString, saldo);
        QFETCH(QString, stored);
        QFETCH(QString, kort);
        QFETCH(QString, until);
        QFETCH(QString, command);
        ScriptedDialogs dialogs;
        AdminFixture f;
        f.state.CountryCode = country;
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        admin.RegisterUser(panel(typed, saldo), kDoor);

        QCOMPARE(f.scalar("SELECT BrukerKort || '|' || Etternavn || '|' || Fornavn FROM Katalog "
                          "WHERE Bruker = ?",
                          {stored})
                     .toString(),
                 kort + "|Nordmann|Kari");
        QCOMPARE(f.scalar("SELECT [Gyldig fra] || '|' || [Gyldig til] || '|' || FraTid || TilTid "
                          "|| '|' || Saldo || '|' || Status || '|' || Konto FROM TBLbrukere "
                          "WHERE KeyBruker = ? AND KeyNummer = '+4711111111'",
                          {stored})
                     .toString(),
                 "10/5/2009|" + until + "|0024|" + saldo + "|NY|Gjest");
        QCOMPARE(f.queue(), QStringList{"+4711111111|" + command + "|UNSENT"});
        // The row carries the period's first day and the unit's name.
        QCOMPARE(f.scalar("SELECT datolng || '|' || TilNummerKort || '|' || Etternavn FROM "
                          "SMS_Sent")
                     .toString(),
                 QString("39943|11111111|Hovedport"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void numberLengthIsChecked_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("stored");
        const QString warning = MainTexts().PhoneLengthWarningText;
        const QString tooShort = MainTexts().PhoneTooShortText;
        QTest::newRow("10, OK") << "+471234567" << int(Dialogs::Answer::Ok)
                                << QStringList{warning, tooShort} << false;
        QTest::newRow("10, Cancel")
            << "+471234567" << int(Dialogs::Answer::Cancel) << QStringList{warning} << false;
        QTest::newRow("13, OK") << "+471234567890" << int(Dialogs::Answer::Ok)
                                << QStringList{warning} << true;
        QTest::newRow("13, Cancel")
            << "+471234567890" << int(Dialogs::Answer::Cancel) << QStringList{warning} << false;
    }
    void numberLengthIsChecked()
    {
        QFETCH(QString, number);
        QFETCH(int, answer);
        QFETCH(QStringList, boxes);
        QFETCH(bool, stored);
        ScriptedDialogs dialogs;
        dialogs.answer(Dialogs::Answer(answer));
        AdminFixture f;
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        admin.RegisterUser(panel(number), kDoor);
        QCOMPARE(dialogs.texts(), boxes);
        QCOMPARE(f.count("Katalog"), stored ? 1 : 0);
        QCOMPARE(f.count("TBLbrukere"), stored ? 1 : 0);
        QCOMPARE(f.count("SMS_Sent"), stored ? 1 : 0);
        if (stored) {
            QCOMPARE(f.scalar("SELECT BrukerKort FROM Katalog").toString(), QString("123456789"));
            QCOMPARE(f.scalar("SELECT KeyBruker FROM TBLbrukere").toString(), number);
            QCOMPARE(f.scalar("SELECT SMS_Text FROM SMS_Sent").toString(),
                     QString("I 123456789>09051000<09051224"));
        }
    }

    void reRegistrationOverwritesTheOneRight()
    {
        ScriptedDialogs dialogs;
        AdminFixture f;
        f.exec("INSERT INTO Katalog (Bruker, BrukerKort, Etternavn, Fornavn) VALUES "
               "('+4712345678', '12345678', 'Hansen', 'Ola')");
        f.addRight("+4712345678", "+4711111111", "Aktiv ", "10/5/2009", "0", "MobReg");
        f.addRight("+4712345678", "+4722222222", "Aktiv ", "10/5/2009");
        // The same period as the panel's: the unit is sent it again, nothing is removed.
        f.exec("UPDATE TBLbrukere SET [Gyldig til] = '12/5/2009'");
        f.reload();
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        UserPanelValues p = panel("+4712345678");
        p.status.clear();
        p.konto.clear();
        admin.RegisterUser(p, kDoor);
        f.reload();
        admin.RegisterUser(p, kDoor); // twice before the first is sent
        f.reload();
        admin.RegisterUser(p, {"+4722222222", "Garasje"});

        QCOMPARE(f.count("TBLbrukere"), 2);
        QCOMPARE(f.scalar("SELECT Status || '|' || Konto || '|' || [Gyldig til] FROM TBLbrukere "
                          "WHERE KeyNummer = '+4711111111'")
                     .toString(),
                 QString("Aktiv |MobReg|12/5/2009"));
        // The catalogue keeps the names it had.
        QCOMPARE(f.scalar("SELECT Etternavn FROM Katalog").toString(), QString("Hansen"));
        QCOMPARE(f.queue(), (QStringList{"+4711111111|I 12345678>09051000<09051224|UNSENT",
                                         "+4722222222|I 12345678>09051000<09051224|UNSENT"}));
    }

    // Hours and periods as typed: what a right and its command get, or the refusal shown.
    void hoursAndPeriods_data()
    {
        QTest::addColumn<QString>("fraTid");
        QTest::addColumn<QString>("tilTid");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("saldo");
        QTest::addColumn<QString>("result");
        const QDate from(2026, 12, 20); // the start in every row
        const QString notStored = " Brukeren er ikke lagret.";
        auto badHour = [&](const QString &h) {
            return "Timen \"" + h + "\" finnes ikke: skriv en time fra 00 til 24." + notStored;
        };
        QTest::newRow("whole days") << "00"
                                    << "24" << from.addDays(2) << "0"
                                    << "I 12345678>26122000<26122224";
        QTest::newRow("one digit") << "7"
                                   << " 9 " << from.addDays(2) << "0"
                                   << "I 12345678>26122007<26122209";
        QTest::newRow("same day, same hour") << "10"
                                             << "10" << from << "0"
                                             << "I 12345678>26122010<26122010";
        QTest::newRow("25") << "25"
                            << "24" << from.addDays(2) << "0" << badHour("25");
        QTest::newRow("three digits") << "00"
                                      << "024" << from.addDays(2) << "0" << badHour("024");
        QTest::newRow("letters") << "7a"
                                 << "24" << from.addDays(2) << "0" << badHour("7a");
        QTest::newRow("empty") << ""
                               << "24" << from.addDays(2) << "0" << badHour("");
        QTest::newRow("negative") << "-1"
                                  << "24" << from.addDays(2) << "0" << badHour("-1");
        QTest::newRow("ends the day before")
            << "00"
            << "24" << from.addDays(-5) << "0"
            << "Perioden slutter før den begynner (fra 20/12/2026 kl. 00 til 15/12/2026 kl. 24)." +
                   notStored;
        QTest::newRow("ends earlier that day")
            << "20"
            << "15" << from << "0"
            << "Perioden slutter før den begynner (fra 20/12/2026 kl. 20 til 20/12/2026 kl. 15)." +
                   notStored;
        // A balance right has no end: the date box does not count.
        QTest::newRow("balance") << "00"
                                 << "24" << from.addDays(-5) << "10"
                                 << "I 12345678*10";
        QTest::newRow("balance no number")
            << "00"
            << "24" << from.addDays(2) << "ti"
            << "Saldo må være et tall (0 for en periode)." + notStored;
        QTest::newRow("balance empty") << "00"
                                       << "24" << from.addDays(2) << ""
                                       << "Saldo må være et tall (0 for en periode)." + notStored;
    }
    void hoursAndPeriods()
    {
        QFETCH(QString, fraTid);
        QFETCH(QString, tilTid);
        QFETCH(QDate, to);
        QFETCH(QString, saldo);
        QFETCH(QString, result);
        for (const bool queued : {false, true}) {
            ScriptedDialogs dialogs;
            AdminFixture f;
            UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
            UserPanelValues p = panel("+4712345678", saldo);
            p.from = QDate(2026, 12, 20);
            p.to = to;
            p.fraTid = fraTid;
            p.tilTid = tilTid;
            QString refusal;
            try {
                QVERIFY(queued ? admin.QueueNewUser(p, kDoor) : admin.RegisterUser(p, kDoor));
            } catch (const Error &e) {
                refusal = e.description();
            }
            QVERIFY(dialogs.calls().isEmpty());
            const QString table = queued ? "NYEbrukere" : "TBLbrukere";
            if (!result.startsWith("I ")) {
                QCOMPARE(refusal, result);
                // Refused before anything is written, the catalogue entry included.
                QCOMPARE(f.count("Katalog") + f.count(table) + f.count("SMS_Sent"), 0);
                continue;
            }
            QCOMPARE(refusal, QString());
            // The hours stored are the ones the command carries.
            const QString hours = result.startsWith("I 12345678>")
                                      ? result.mid(17, 2) + result.mid(26, 2)
                                      : QString("0024");
            QCOMPARE(f.scalar("SELECT FraTid || TilTid FROM " + table).toString(), hours);
            QCOMPARE(f.queue(),
                     queued ? QStringList{} : QStringList{"+4711111111|" + result + "|UNSENT"});
        }
    }

    void otherRefusalsWriteNothing()
    {
        ScriptedDialogs dialogs;
        AdminFixture f;
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        for (const SelectedKey &none : {SelectedKey{"", ""}, SelectedKey{"+4712", ""}}) {
            QVERIFY_THROWS_EXCEPTION(Error, admin.RegisterUser(panel("+4787654321"), none));
            QVERIFY_THROWS_EXCEPTION(Error, admin.QueueNewUser(panel("+4787654321"), none));
        }
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.count("Katalog") + f.count("TBLbrukere") + f.count("NYEbrukere") +
                     f.count("SMS_Sent"),
                 0);
    }

    // A typed user number is "+" and digits; anything else is refused before anything is
    // written, for a right, a queued period and a free SMS alike.
    void badNumbersAreRefused_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("apostrophe") << "+47'4166600";
        QTest::newRow("letters") << "+47abcdefghi";
        QTest::newRow("name") << "+47O'Brien1";
        QTest::newRow("no plus") << "4712345678";
        QTest::newRow("blank inside") << "+47 1234567";
        QTest::newRow("sign only") << "+";
        QTest::newRow("sixteen digits") << "+4712345678901234";
        QTest::newRow("not GSM") << "+47123\u20ac5678";
    }
    void badNumbersAreRefused()
    {
        QFETCH(QString, number);
        ScriptedDialogs dialogs;
        AdminFixture f;
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        const QString refusal = userNumberRefusal(number);
        QVERIFY(refusal.contains(number));
        auto refused = [&](const std::function<void()> &action, const QString &ending) {
            try {
                action();
            } catch (const Error &e) {
                return e.description() == refusal + ending;
            }
            return false;
        };
        QVERIFY(refused([&] { admin.RegisterUser(panel(number), kDoor); },
                        " Brukeren er ikke lagret."));
        QVERIFY(refused([&] { admin.QueueNewUser(panel(number), kDoor); },
                        " Brukeren er ikke lagret."));
        QVERIFY(refused([&] { admin.queueUserSms("Hei", panel(number)); }, noSmsText()));
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.count("Katalog") + f.count("TBLbrukere") + f.count("NYEbrukere") +
                     f.count("SMS_Sent"),
                 0);
        QVERIFY(userNumberRefusal("+4712345678").isEmpty());
    }

    void queuedPeriodsAreAddedOrEdited()
    {
        ScriptedDialogs dialogs;
        AdminFixture f;
        // A period of another unit already carries the ID the old marker stood for.
        f.exec("INSERT INTO NYEbrukere (ID, Bruker, KeyNummer, Status) VALUES "
               "(9999, '+4799999999', '+4722222222', 'NY')");
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        UserPanelValues p = panel("+4712345678", "5");
        p.firstName.clear();
        admin.QueueNewUser(p, kDoor);
        admin.QueueNewUser(p, kDoor);
        QCOMPARE(f.count("NYEbrukere", "KeyNummer = '+4711111111'"), 2);
        QCOMPARE(f.count("NYEbrukere", "ID = 9999 AND Bruker = '+4799999999'"), 1);
        QCOMPARE(f.scalar("SELECT [Gyldig til] || '|' || Fornavn || '|' || Etternavn || '|' || "
                          "Saldo FROM NYEbrukere WHERE KeyNummer = '+4711111111' ORDER BY ID "
                          "LIMIT 1")
                     .toString(),
                 QString("31/12/2099|?|Nordmann|5"));
        QCOMPARE(f.count("TBLbrukere") + f.count("SMS_Sent"), 0);

        // Editing a held period keeps its number even when another one is typed.
        const qint64 id =
            f.scalar("SELECT min(ID) FROM NYEbrukere WHERE KeyNummer = '+4711111111'").toLongLong();
        UserPanelValues edit = panel("+4787654321");
        edit.heldId = id;
        edit.to = QDate(2009, 6, 1);
        admin.QueueNewUser(edit, kDoor);
        QCOMPARE(f.count("NYEbrukere", "KeyNummer = '+4711111111'"), 2);
        QCOMPARE(f.scalar("SELECT Bruker || '|' || [Gyldig til] FROM NYEbrukere WHERE ID = ?", {id})
                     .toString(),
                 QString("+4712345678|1/6/2009"));
        QCOMPARE(f.count("Katalog", "Bruker = '+4787654321'"), 1);
    }

    void removal_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QStringList>("queue");
        QTest::newRow("active") << "Aktiv "
                                << "47"
                                << "Slett|1/6/2026|9/12/2026|Gjest"
                                << QStringList{"+4711111111|U 12345678|UNSENT"};
        QTest::newRow("sent, no answer")
            << "Registrerer"
            << "47"
            << "Slett|1/6/2026|9/12/2026|Gjest" << QStringList{"+4711111111|U 12345678|UNSENT"};
        QTest::newRow("foreign by country code")
            << "Aktiv "
            << "46"
            << "Slett|1/6/2026|9/12/2026|Gjest" << QStringList{"+4711111111|u 12345678|UNSENT"};
        // Never sent: the right and every command for it go, nothing reaches the unit.
        QTest::newRow("moved in, never sent") << "Ny"
                                              << "47"
                                              << "" << QStringList{};
        QTest::newRow("new, never sent") << "NY"
                                         << "47"
                                         << "" << QStringList{};
    }
    void removal()
    {
        ScriptedDialogs dialogs;
        QFETCH(QString, status);
        QFETCH(QString, country);
        QFETCH(QString, right);
        QFETCH(QStringList, queue);
        AdminFixture f;
        f.state.CountryCode = country;
        f.addRight("+4712345678", "+4711111111", status);
        if (status.compare("NY", Qt::CaseInsensitive) == 0) {
            f.addQueued("+4711111111", "I 12345678>26060100<26060324");
            f.addQueued("+4711111111", "I 12345678*10");
        }
        // A withdrawn row of another unit goes with any removal.
        f.addQueued("+4722222222", "K", "SLETTET");
        f.reload();
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        UserPanelValues p = panel(" +4712345678");
        p.from = QDate(2026, 6, 1);
        admin.removeUser(p, kDoor, [&f] { f.reload(); });
        QCOMPARE(f.scalar("SELECT Status || '|' || [Gyldig fra] || '|' || [Gyldig til] || '|' || "
                          "Konto FROM TBLbrukere")
                     .toString(),
                 right);
        QCOMPARE(f.queue(), queue);
    }

    void removalThatCannotBeWrittenIsReported()
    {
        ScriptedDialogs dialogs;
        AdminFixture f;
        f.addRight("+4712345678", "+4711111111", "Aktiv ");
        f.addRight("+4787654321", "+4711111111", "NY");
        f.addQueued("+4711111111", "I 87654321>26060100<26060324");
        f.reload();
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        auto remove = [&](const QString &number) {
            return admin.removeUser(panel(number), kDoor, [&f] { f.reload(); });
        };
        f.exec("CREATE TEMP TRIGGER refuse BEFORE UPDATE ON TBLbrukere BEGIN "
               "SELECT RAISE(ABORT, 'disk full'); END");
        QVERIFY_THROWS_EXCEPTION(std::exception, remove("+4712345678"));
        // Nothing goes to the unit for a right the register still shows as in force.
        QCOMPARE(f.queue(), QStringList{"+4711111111|I 87654321>26060100<26060324|UNSENT"});
        f.exec("DROP TRIGGER refuse");

        // A right that cannot be deleted keeps its place and its queued registration, as
        // the register shows them, and the removal asked again completes it.
        f.exec("CREATE TEMP TRIGGER refuse BEFORE DELETE ON TBLbrukere BEGIN "
               "SELECT RAISE(ABORT, 'disk full'); END");
        QVERIFY_THROWS_EXCEPTION(std::exception, remove("+4787654321"));
        QCOMPARE(f.count("TBLbrukere", "KeyBruker = '+4787654321'"), 1);
        QCOMPARE(f.queue(), QStringList{"+4711111111|I 87654321>26060100<26060324|UNSENT"});
        f.exec("DROP TRIGGER refuse");
        f.reload();
        QCOMPARE(remove("+4787654321"), UserAdmin::Removal::Withdrawn);
        QCOMPARE(f.count("TBLbrukere", "KeyBruker = '+4787654321'"), 0);
        QCOMPARE(f.count("SMS_Sent"), 0);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void failedSearchRemovesNothing()
    {
        ScriptedDialogs dialogs;
        AdminFixture f;
        f.addRight("+4787654321", "+4711111111", "Aktiv ");
        f.reload();
        // The cursor stands on another user's right when the search fails.
        f.views.adoSELECTEDBrukereRS->MoveFirst();
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        int reloads = 0;
        QCOMPARE(admin.removeUser(panel("+4712345678"), kDoor, [&] { ++reloads; }),
                 UserAdmin::Removal::NotFound);
        QCOMPARE(f.scalar("SELECT Status FROM TBLbrukere").toString(), QString("Aktiv "));
        QCOMPARE(f.count("SMS_Sent"), 0);
        QCOMPARE(reloads, 0);
    }

    void heldPeriodIsRemovedNotTheRight()
    {
        ScriptedDialogs dialogs;
        AdminFixture f;
        f.addRight("+4712345678", "+4711111111", "Aktiv ");
        f.exec("INSERT INTO NYEbrukere (ID, Bruker, KeyNummer, Status) VALUES "
               "(12000, '+4712345678', '+4711111111', 'NY')");
        f.reload();
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        UserPanelValues p = panel("+4712345678");
        p.heldId = 12000;
        QCOMPARE(admin.removeUser(p, kDoor, [&f] { f.reload(); }),
                 UserAdmin::Removal::QueuedPeriod);
        QCOMPARE(f.count("NYEbrukere"), 0);
        QCOMPARE(f.scalar("SELECT Status FROM TBLbrukere").toString(), QString("Aktiv "));
        QCOMPARE(f.count("SMS_Sent"), 0);
    }

    void freeSms()
    {
        ScriptedDialogs dialogs;
        AdminFixture f;
        f.addQueued("+4722222222", "ok");
        f.addQueued("+4722222222", "K", "SLETTET");
        f.reload();
        UserAdmin admin(f.state, f.views, f.texts, AdminFixture::today);
        // Matched by text alone: the queued row is re-addressed, its text kept.
        admin.queueDoorSms("OK", kDoor);
        admin.queueDoorSms("Hei ' der", kDoor);
        UserPanelValues user = panel("+4712345678901");
        user.firstName.clear();
        admin.queueUserSms("Velkommen", user);
        QCOMPARE(f.queue(),
                 (QStringList{"+4711111111|ok|UNSENT", "+4722222222|K|SLETTET",
                              "+4711111111|Hei ' der|UNSENT", "+4712345678901|Velkommen|UNSENT"}));
        QCOMPARE(f.scalar("SELECT group_concat(TilNummerKort || '/' || ifnull(Etternavn, '') || "
                          "'/' || ifnull(Fornavn, '') || '/' || datolng, ' ') FROM SMS_Sent "
                          "WHERE CMGS = 'UNSENT'")
                     .toString(),
                 QString("11111111/Hovedport//46365 11111111/Hovedport//46365 "
                         "123456789/Nordmann//46365"));
    }
};

QTEST_MAIN(UserAdminTest)
#include "tst_useradmin.moc"
