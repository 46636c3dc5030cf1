// Whether a key unit may hold a user's right, judged from what went out to it: every status a
// right can have against every state its commands can be in.

#include "helper_adminfixture.h"
#include "modem/UnitLedger.h"

#include <QtTest>

using namespace portiva;
using portiva::test::AdminFixture;

namespace
{

const QString kUser = QStringLiteral("+4712345678");
const QString kDoor = QStringLiteral("+4711111111");

} // namespace

class UnitHoldsTest : public QObject
{
    Q_OBJECT

private slots:
    void judgedFromWhatWentOut_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cmgs");
        QTest::addColumn<bool>("held");

        const QString reg = QStringLiteral("I 12345678>26121100<26121324");
        // A queued, withdrawn or refused text never reached the unit; the rest may have.
        const QList<std::pair<QString, bool>> states = {{"UNSENT", false},
                                                        {"SLETTET", false},
                                                        {"ERROR", false},
                                                        {"Error", false},
                                                        {"", false},
                                                        {"Sendes fra PC-A", true},
                                                        {"Avbrutt, kanskje sendt", true},
                                                        {"17", true},
                                                        {"17:OK", true},
                                                        {"17:Fail 70", true}};
        for (const QString status : {"NY", "Ny"}) {
            QTest::addRow("%s, nothing queued", qPrintable(status))
                << status << kDoor << QString() << QString() << false;
            for (const auto &[cmgs, held] : states) {
                QTest::addRow("%s, registration %s", qPrintable(status), qPrintable(cmgs))
                    << status << kDoor << reg << cmgs << held;
            }
            QTest::addRow("%s, removal sent", qPrintable(status)) << status << kDoor << "U 12345678"
                                                                  << "18:OK" << true;
            QTest::addRow("%s, balance registration sent", qPrintable(status))
                << status << kDoor << "I 12345678*10"
                << "19" << true;
            // Texts that went out for someone else, or elsewhere, say nothing of this right.
            QTest::addRow("%s, foreign twin's registration sent", qPrintable(status))
                << status << kDoor << "i 12345678>26121100<26121324"
                << "20:OK" << false;
            QTest::addRow("%s, longer number's registration sent", qPrintable(status))
                << status << kDoor << "I 123456789>26121100<26121324"
                << "21:OK" << false;
            QTest::addRow("%s, sent to another unit", qPrintable(status))
                << status << "+4722222222" << reg << "22:OK" << false;
            QTest::addRow("%s, free text sent", qPrintable(status))
                << status << kDoor << "Hei 12345678"
                << "23:OK" << false;
        }
        // The unit confirmed or listed it, or its removal is under way: held, whatever the queue.
        for (const QString status :
             {"Registrerer", "Aktiv ", "Aktiv A2", "AKTIV", "Slett", "Sletter"}) {
            QTest::addRow("%s, nothing queued", qPrintable(status))
                << status << kDoor << QString() << QString() << true;
            QTest::addRow("%s, registration queued", qPrintable(status))
                << status << kDoor << reg << "UNSENT" << true;
        }
    }
    void judgedFromWhatWentOut()
    {
        QFETCH(QString, status);
        QFETCH(QString, to);
        QFETCH(QString, text);
        QFETCH(QString, cmgs);
        QFETCH(bool, held);
        AdminFixture f;
        f.addRight(kUser, kDoor, status);
        if (!text.isEmpty())
            f.addQueued(to, text, cmgs);
        QCOMPARE(rightMayBeHeld(f.db.connection(), kDoor, kUser, status, "47"), held);
    }

    // A right made again after the unit confirmed the user's removal: the unit holds it only
    // if something went out since that the unit has not answered.
    void confirmedRemovalEndsTheHold_data()
    {
        QTest::addColumn<QStringList>("sent");     // "text|CMGS", oldest first
        QTest::addColumn<QStringList>("answered"); // the unit's messages
        QTest::addColumn<bool>("held");

        const QString reg = QStringLiteral("I 12345678>26121100<26121324|7:OK");
        const QString removed = QStringLiteral("Hovedport\r\n12345678 er slettet");
        QTest::newRow("removal confirmed, nothing sent since")
            << QStringList{reg, "U 12345678|8:OK"} << QStringList{removed} << false;
        for (const char *said :
             {"finnes ikke", "findes ikke", "finns inte", "\xC3\xA4r borttagen"}) {
            QTest::addRow("removal answered \"%s\"", said)
                << QStringList{reg, "U 12345678|8"}
                << QStringList{"Hovedport\r\n12345678 " + QString::fromUtf8(said)} << false;
        }
        QTest::newRow("removal confirmed, then a new registration sent")
            << QStringList{reg, "U 12345678|8:OK", "I 12345678>26121500<26121624|9"}
            << QStringList{removed} << true;
        QTest::newRow("removal confirmed, new registration only queued")
            << QStringList{reg, "U 12345678|8:OK", "I 12345678>26121500<26121624|SLETTET"}
            << QStringList{removed} << false;
        QTest::newRow("removal sent, not confirmed")
            << QStringList{reg, "U 12345678|8:OK"} << QStringList{} << true;
        QTest::newRow("removal interrupted, not confirmed")
            << QStringList{reg, "U 12345678|Avbrutt, kanskje sendt"} << QStringList{} << true;
        QTest::newRow("removal interrupted, then confirmed")
            << QStringList{reg, "U 12345678|Avbrutt, kanskje sendt"} << QStringList{removed}
            << false;
        // Each removal has one answer: the older one's answer says nothing of the newer.
        QTest::newRow("second removal sent, only the first confirmed")
            << QStringList{reg, "U 12345678|8:OK", "I 12345678>26121500<26121624|9",
                           "U 12345678|10"}
            << QStringList{removed} << true;
        QTest::newRow("both removals confirmed")
            << QStringList{reg, "U 12345678|8:OK", "I 12345678>26121500<26121624|9",
                           "U 12345678|10"}
            << QStringList{removed, "Hovedport\r\n12345678 finnes ikke"} << false;
        QTest::newRow("answer names a longer number")
            << QStringList{reg, "U 12345678|8:OK"}
            << QStringList{"Hovedport\r\n912345678 er slettet"} << true;
        QTest::newRow("answer from another unit")
            << QStringList{reg, "U 12345678|8:OK"} << QStringList{"@other"} << true;
        QTest::newRow("unit added the user, no removal answer")
            << QStringList{reg, "U 12345678|8:OK"}
            << QStringList{"Hovedport\r\n12345678 er lagt til"} << true;
    }
    void confirmedRemovalEndsTheHold()
    {
        QFETCH(QStringList, sent);
        QFETCH(QStringList, answered);
        QFETCH(bool, held);
        AdminFixture f;
        f.addRight(kUser, kDoor, "NY");
        for (const QString &row : sent)
            f.addQueued(kDoor, row.section(u'|', 0, 0), row.section(u'|', 1));
        for (const QString &text : answered) {
            const bool elsewhere = text == u"@other";
            f.exec("INSERT INTO SMS_Received (FraNummer, FraNummerKort, Dato, SMS_Text) VALUES "
                   "(?, ?, '26/12/11,10:00:00', ?)",
                   {elsewhere ? "+4722222222" : kDoor, "11111111",
                    elsewhere ? "Garasje\r\n12345678 er slettet" : text});
        }
        QCOMPARE(rightMayBeHeld(f.db.connection(), kDoor, kUser, "NY", "47"), held);
    }
    // A reply or a send names the right its command was made for, country code included.
    void commandNamesOneRight_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("named");
        QTest::newRow("home registration") << "I 90000013>26121100<26121324"
                                           << "+4790000013";
        QTest::newRow("foreign registration") << "i 90000013>26121100<26121324"
                                              << "+4590000013";
        QTest::newRow("home removal") << "U 90000013"
                                      << "+4790000013";
        QTest::newRow("foreign removal") << "u 90000013"
                                         << "+4590000013";
        QTest::newRow("nobody's") << "I 90000014*10"
                                  << "";
        QTest::newRow("no command") << "K"
                                    << "";
    }
    void commandNamesOneRight()
    {
        QFETCH(QString, text);
        QFETCH(QString, named);
        AdminFixture f;
        f.addRight("+4590000013", kDoor, "Aktiv ");
        f.addRight("+4790000013", kDoor, "NY");
        f.addRight("+4790000013", "+4722222222", "Aktiv ");
        const std::optional<UserCommand> command = readUserCommand(text);
        const std::optional<qint64> rid =
            command ? rightNamedBy(f.db.connection(), kDoor, *command, "47") : std::nullopt;
        QCOMPARE(rid ? f.scalar("SELECT KeyBruker FROM TBLbrukere WHERE rid = ?", {*rid}).toString()
                     : QString(),
                 named);
    }
};

QTEST_MAIN(UnitHoldsTest)
#include "tst_unitholds.moc"
