// The register and the key unit agree: operator actions in the real main window go out to the
// simulated unit, its answers come back, and at the end what the unit holds is what the
// register shows, with nothing sent twice and no answer applied to another person's right.

#include "helper_simsite.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Vb.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

using namespace portiva;
using portiva::test::kUnit;
using portiva::test::Site;
using portiva::test::waitFor;

namespace
{

QString group(const QDate &d, const char *hour)
{
    return d.toString(QStringLiteral("yyMMdd")) + QLatin1String(hour);
}

QString registration(const QString &national, const QDate &from, const QDate &to)
{
    return QStringLiteral("I ") + national + QLatin1Char('>') + group(from, "00") +
           QLatin1Char('<') + group(to, "24");
}

QString day(const QVariant &text)
{
    return vb::validityDateText(vb::parseValidityDate(text.toString()));
}

struct Agreement {
    Site &site;

    modemsim::KeyUnit &unit() { return *site.sim.unit(kUnit); }
    void person(const QString &number, const QString &first)
    {
        site.db.connection()->exec(
            "INSERT INTO Katalog (Bruker, BrukerKort, Etternavn, Fornavn) VALUES (?, ?, "
            "'Hansen', ?)",
            {number, number.mid(3), first});
    }
    void right(const QString &number, const QDate &from, const QDate &to, const QString &status)
    {
        site.db.connection()->exec(
            "INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, [Gyldig til], "
            "TilTid, Konto, Saldo, Status) VALUES (?, ?, ?, '00', ?, '24', 'Gjest', '0', ?)",
            {number, kUnit, vb::validityDateText(from), vb::validityDateText(to), status});
    }
    // A command that went out to the unit before the program started.
    void sentBefore(const QString &text, const QString &cmgs)
    {
        site.db.connection()->exec("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, SMS_Text, "
                                   "Dato, datolng, CMGS) VALUES (?, ?, ?, '2026-01-01', 46023, ?)",
                                   {kUnit, kUnit.mid(3), text, cmgs});
    }
    void held(const QString &national, const QDate &from, const QDate &to)
    {
        modemsim::KeyUnitUser u;
        u.number = national;
        u.from = group(from, "00");
        u.to = group(to, "24");
        unit().users.append(u);
    }
    // One entry of the unit's list, as unitList() gives it.
    static QString listed(const QString &national, const QDate &from, const QDate &to)
    {
        return national + QLatin1Char(' ') + group(from, "00") + QLatin1Char('-') + group(to, "24");
    }
    // One line of rights() or waiting().
    static QString entry(const QString &user, const char *status, const QDate &from,
                         const QDate &to)
    {
        return user + QLatin1Char(' ') + QLatin1String(status) + QLatin1Char(' ') +
               vb::validityDateText(from) + QLatin1Char('-') + vb::validityDateText(to);
    }
    // The unit's list: "number from-to".
    QStringList unitList()
    {
        QStringList list;
        for (const modemsim::KeyUnitUser &u : unit().users)
            list << u.number + QLatin1Char(' ') + u.from + QLatin1Char('-') + u.to;
        return list;
    }
    QStringList rows(const char *sql)
    {
        QStringList out;
        auto rs = Recordset::open(site.conn, QString::fromLatin1(sql));
        if (rs->RecordCount() == 0)
            return out;
        for (rs->MoveFirst(); !rs->EOF(); rs->MoveNext()) {
            out << rs->toTextOr("U", QString()) + QLatin1Char(' ') + rs->toTextOr("S", QString()) +
                       QLatin1Char(' ') + day(rs->value("F")) + QLatin1Char('-') +
                       day(rs->value("T"));
        }
        return out;
    }
    // "user status from-to" of every right, and of every waiting period.
    QStringList rights()
    {
        return rows("SELECT KeyBruker AS U, trim(Status) AS S, [Gyldig fra] AS F, [Gyldig til] "
                    "AS T FROM TBLbrukere ORDER BY rid");
    }
    QStringList waiting()
    {
        return rows("SELECT Bruker AS U, Status AS S, [Gyldig fra] AS F, [Gyldig til] AS T "
                    "FROM NYEbrukere ORDER BY ID");
    }
    // Waits for the unit to have had `count` commands and the program to have taken in every
    // answer; then a while more, in which nothing else may go out.
    bool settles(int count, const std::function<bool()> &done)
    {
        const bool ok = waitFor(
            [&] { return unit().received.size() >= count && done() && site.idle(); }, 60000);
        QTest::qWait(2500);
        return ok && site.idle();
    }
    void type(const QString &number, const QDate &from, const QDate &to, bool waitingPeriod)
    {
        frmMain &w = *site.w;
        w.REGNYBRUKER = waitingPeriod;
        w.findChild<QLineEdit *>("Txtfields(0)")->setText(number);
        w.findChild<QLineEdit *>("Txtfields(1)")->setText("Nils");
        w.findChild<QLineEdit *>("Txtfields(2)")->setText("Hansen");
        w.findChild<QLineEdit *>("Txtfields(3)")->setText("NY");
        w.findChild<QLineEdit *>("Txtfields(4)")->setText("Gjest");
        w.findChild<QDateEdit *>("DTPickerFrom")->setDate(from);
        w.findChild<QDateEdit *>("DTPickerTo")->setDate(to);
    }
    void click(const char *button)
    {
        QTest::mouseClick(site.w->findChild<QPushButton *>(button), Qt::LeftButton);
    }
    // The send state of the newest row with this text.
    QString sentState(const QString &text)
    {
        return site.conn
            ->scalar("SELECT CMGS FROM SMS_Sent WHERE SMS_Text = ? ORDER BY ID DESC "
                     "LIMIT 1",
                     {text})
            .toString();
    }
    // The end both moved-period sequences reach: the unit holds the earlier period, which is
    // the one right in force, and the first period waits once.
    void agreeOn(const QDate &w1, const QDate &w2, const QDate &p1, const QDate &p2)
    {
        QCOMPARE(unitList(), QStringList{listed("12345001", w1, w2)});
        QCOMPARE(rights(), QStringList{entry("+4712345001", "Aktiv", w1, w2)});
        QCOMPARE(waiting(), QStringList{entry("+4712345001", "NY", p1, p2)});
    }
    QString statusBox()
    {
        auto *box = site.w->findChild<QTextEdit *>("txtMessages");
        return box ? box->toPlainText() : QString();
    }
};

const QDate kToday = QDate::currentDate();

} // namespace

class SimUnitAgreesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("PORTIVA_MODEM_TIMESCALE", "0.05"); }

    // A user the unit holds, registered again with the panel's defaults (status "NY"), then
    // removed before the new command went out: the unit is told to remove the user.
    void reRegisteredUserIsRemovedFromTheUnit()
    {
        Site site;
        Agreement a{site};
        const QDate to = kToday.addDays(2);
        a.person("+4712345002", "Siri");
        a.right("+4712345002", kToday, to, "Aktiv ");
        a.held("12345002", kToday, to);
        a.sentBefore(registration("12345002", kToday, to), "7:OK");
        QVERIFY(site.start());

        a.type("+4712345002", kToday, to, false);
        a.click("CommandRegistrerBruker");
        QCOMPARE(a.rights(), QStringList{a.entry("+4712345002", "NY", kToday, to)});
        a.type("+4712345002", kToday, to, false);
        a.click("CommandSlettBruker");

        QVERIFY(a.settles(1, [&] { return a.rights().isEmpty(); }));
        QCOMPARE(a.unit().received, QStringList{"U 12345002"});
        QCOMPARE(a.unitList(), QStringList{});
        QCOMPARE(a.rights(), QStringList{});
        QCOMPARE(a.waiting(), QStringList{});
    }

    // Two people whose numbers differ only in the country code: the unit keeps numbers
    // without it, so the second is refused, and nothing reaches the unit or the first's right.
    void nationalTwinIsRefused_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("twin");
        QTest::newRow("Danish holder") << "+4590000013"
                                       << "+4790000013";
        QTest::newRow("Swedish holder") << "+4612345678"
                                        << "+4712345678";
    }
    void nationalTwinIsRefused()
    {
        QFETCH(QString, holder);
        QFETCH(QString, twin);
        Site site;
        Agreement a{site};
        const QDate from(2024, 1, 1), to(2099, 12, 31);
        a.person(holder, "Mette");
        a.right(holder, from, to, "Aktiv ");
        a.held(holder.mid(3), from, to);
        QVERIFY(site.start());
        const QStringList before = a.rights();

        a.type(twin, kToday, kToday.addDays(2), false);
        a.click("CommandRegistrerBruker");
        // The refusal names the person who has the number at the unit.
        const QString refusal = site.dialogs.texts().value(site.dialogs.texts().size() - 1);
        QVERIFY2(refusal.contains(holder) && refusal.contains(twin), qPrintable(refusal));
        a.type(twin, kToday, kToday.addDays(2), false);
        a.click("CommandSlettBruker");

        QVERIFY(a.settles(0, [] { return true; }));
        QCOMPARE(a.unit().received, QStringList{});
        QCOMPARE(a.unitList(), QStringList{a.listed(holder.mid(3), from, to)});
        QCOMPARE(a.rights(), before);
        QCOMPARE(a.waiting(), QStringList{});
    }

    // An active right registered again with its end a year later: the unit holds the old
    // period, so it is removed and then registered with the new one.
    void changedPeriodReachesTheUnit()
    {
        Site site;
        Agreement a{site};
        const QDate to = kToday.addDays(2), later = kToday.addDays(2).addYears(1);
        a.person("+4712345001", "Siri");
        a.right("+4712345001", kToday, to, "Aktiv ");
        a.held("12345001", kToday, to);
        QVERIFY(site.start());

        a.type("+4712345001", kToday, later, false);
        a.click("CommandRegistrerBruker");

        const QString changed = registration("12345001", kToday, later);
        QVERIFY(a.settles(2, [&] { return a.rights().value(0).contains(" Aktiv "); }));
        QCOMPARE(a.unit().received, (QStringList{"U 12345001", changed}));
        QCOMPARE(a.unitList(), QStringList{a.listed("12345001", kToday, later)});
        QCOMPARE(a.rights(), QStringList{a.entry("+4712345001", "Aktiv", kToday, later)});
        QCOMPARE(a.waiting(), QStringList{});
    }

    // A registration whose text reached the unit while the link dropped before the modem's
    // "+CMGS:", then an earlier period: the unit is told to remove the user first, the earlier
    // period comes into force, and the unit's late answer for the first period is not written
    // over it.
    void interruptedRegistrationThenEarlierPeriod()
    {
        Site site;
        Agreement a{site};
        const QDate p1 = kToday.addDays(9), p2 = kToday.addDays(11);
        const QDate w1 = kToday.addDays(3), w2 = kToday.addDays(4);
        a.person("+4712345001", "Siri");
        QVERIFY(site.start());

        const QString first = registration("12345001", p1, p2);
        a.unit().silent = true; // its answer comes late, below
        site.sim.setCmgsDelay(4000);
        QObject::connect(
            &site.sim, &modemsim::ModemSim::submitted, &site.sim,
            [&] { QTimer::singleShot(0, &site.sim, &modemsim::ModemSim::dropLink); },
            Qt::SingleShotConnection);
        a.type("+4712345001", p1, p2, false);
        a.click("CommandRegistrerBruker");
        QVERIFY(waitFor([&] { return !site.state.ModemReady && site.idle(); }));
        QCOMPARE(a.sentState(first), QString("Avbrutt, kanskje sendt"));
        QCOMPARE(a.unit().received, QStringList{first});
        QCOMPARE(a.rights(), QStringList{a.entry("+4712345001", "NY", p1, p2)});

        // The operator opens the link again, and registers the earlier period.
        a.unit().silent = false;
        site.sim.setCmgsDelay(300);
        site.reconnect();
        QVERIFY(waitFor([&] { return site.state.ModemReady && site.idle(); }));
        a.type("+4712345001", w1, w2, true);
        a.click("CommandRegistrerBruker");
        const QString earlier = registration("12345001", w1, w2);
        QVERIFY(a.settles(3, [&] { return a.rights().value(0).contains(" Aktiv "); }));
        QCOMPARE(a.sentState(first), QString("Avbrutt, kanskje sendt")); // never sent again
        // The unit's answer to the interrupted send comes late, after the earlier period's.
        site.sim.sendFromUnit(
            kUnit,
            "Hovedport\n12345001 er lagt til\nFRA :" +
                QString("%1/%2-%3 0:00").arg(p1.day()).arg(p1.month()).arg(p1.year()) +
                "\nTIL :" + QString("%1/%2-%3 24:00").arg(p2.day()).arg(p2.month()).arg(p2.year()));
        QVERIFY(waitFor([&] { return a.statusBox().contains("gjelder ikke perioden"); }));
        QVERIFY(a.settles(3, [] { return true; }));

        QCOMPARE(a.unit().received, (QStringList{first, "U 12345001", earlier}));
        a.agreeOn(w1, w2, p1, p2);
    }

    // A unit that answers 15 s late: the first period's answer arrives after its removal went
    // out, and a send tick runs before the removal's own answer. Three texts do it, and no
    // period moves twice.
    void lateAnswerMovesNoPeriodTwice()
    {
        Site site;
        Agreement a{site};
        const QDate p1 = kToday.addDays(9), p2 = kToday.addDays(11);
        const QDate w1 = kToday.addDays(3), w2 = kToday.addDays(4);
        site.sim.setTimescale(0.2); // the unit's 15 s take 3 s; the program runs at 0.05
        a.unit().delayMs = 15000;
        QVERIFY(site.start());
        auto answers = [&] { return site.scalar("SELECT count(*) FROM SMS_Received").toInt(); };

        a.type("+4712345001", p1, p2, false);
        a.click("CommandRegistrerBruker");
        const QString first = registration("12345001", p1, p2);
        QVERIFY(waitFor([&] { return site.sim.submissions().size() == 1; }));
        a.type("+4712345001", w1, w2, true);
        a.click("CommandRegistrerBruker");
        site.w->ProcessNewUsers(); // the send tick that sends the later period back
        QVERIFY(waitFor([&] { return site.sim.submissions().size() == 2; }));
        QCOMPARE(site.sim.submissions().last().text, QString("U 12345001"));
        QCOMPARE(answers(), 0);
        // The first period's answer is in; a tick comes before the removal's answer.
        QVERIFY(waitFor([&] { return answers() == 1 && site.idle(); }));
        site.w->ProcessNewUsers();
        QCOMPARE(a.waiting().size(), 2);

        const QString earlier = registration("12345001", w1, w2);
        QVERIFY(a.settles(3, [&] { return a.rights().value(0).contains(" Aktiv "); }));
        QTest::qWait(4000); // longer than the unit's delay: any late answer is in
        QCOMPARE(a.unit().received, (QStringList{first, "U 12345001", earlier}));
        a.agreeOn(w1, w2, p1, p2);
    }
};

QTEST_MAIN(SimUnitAgreesTest)
#include "tst_sim_unitagrees.moc"
