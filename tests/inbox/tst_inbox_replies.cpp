// The units' replies, listings and notices: each case on a fresh database through the reader on
// a scripted modem, then every row of the tables they touch compared with what the case says.

#include "helper_cases.h"
#include "platform/db/Recordset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

const QMap<QString, QStringList> kTables = {
    {"TBLbrukere",
     {"KeyBruker", "KeyNummer", "Gyldig fra", "FraTid", "Gyldig til", "TilTid", "Konto", "Saldo",
      "Status"}},
    {"Katalog", {"Bruker", "Etternavn", "Fornavn", "BrukerKort"}},
    {"LOGGData", {"KeyNummer", "KeyUser", "Fornavn", "Etternavn", "Dato"}},
    {"KEYTable",
     {"KeyNummer", "KeyNavn", "KeySikkerhet", "Admin", "Admin1", "Admin2", "Admin3", "Admin4",
      "Admin5", "Eget_Nummer", "Beskrivelse"}},
    {"SMS_Sent",
     {"ID", "TilNummer", "TilNummerKort", "CMGS", "TimeSent", "TimeReceived", "ReceivedStatus"}},
};
const QStringList kReceived = {"FraNummer", "FraNummerKort", "Etternavn",
                               "Fornavn",   "Dato",          "SMS_Text"};

bool keyMatches(const QVariantMap &row, const QJsonObject &key)
{
    for (auto it = key.begin(); it != key.end(); ++it) {
        const QVariant v = row.value(it.key());
        if (v.isNull() || v.toString() != it.value().toVariant().toString())
            return false;
    }
    return true;
}

// The rows a table should hold after the case: those before, with the case's updates, deletes
// and inserts applied. Columns an inserted row does not name are Null.
QList<QVariantMap> expectedRows(QList<QVariantMap> rows, const QString &table,
                                const QJsonObject &want, const QStringList &columns)
{
    for (const QJsonValue &u : want.value("update").toArray()) {
        const QJsonObject upd = u.toObject();
        if (upd.value("table").toString() != table)
            continue;
        for (QVariantMap &row : rows) {
            if (!keyMatches(row, upd.value("key").toObject()))
                continue;
            const QJsonObject set = upd.value("set").toObject();
            for (auto it = set.begin(); it != set.end(); ++it)
                row[it.key()] = it.value().toVariant();
        }
    }
    for (const QJsonValue &d : want.value("delete").toArray()) {
        const QJsonObject del = d.toObject();
        if (del.value("table").toString() == table)
            rows.removeIf(
                [&](const QVariantMap &r) { return keyMatches(r, del.value("key").toObject()); });
    }
    for (const QJsonValue &i : want.value("insert").toObject().value(table).toArray()) {
        QVariantMap row;
        for (const QString &c : columns)
            row[c] = i.toObject().contains(c) ? i.toObject().value(c).toVariant() : QVariant();
        rows << row;
    }
    return rows;
}

QByteArray json(const char *text)
{
    return QJsonDocument::fromJson(text).toJson(QJsonDocument::Compact);
}

QString header(int index, const QString &sender)
{
    return QStringLiteral("+CMGL: %1,\"REC UNREAD\",\"%2\",,\"09/05/10,14:03:27+08\"")
        .arg(index)
        .arg(sender);
}

// The rig on the seed S0, in Norway.
bool seeded(InboxRig &rig)
{
    rig.state.CountryCode = QStringLiteral("47");
    CaseSetup setup;
    QString unknown;
    return applySeed(rig, "S0", setup, unknown);
}

// Received from the unit K (the other checks of the stored row are the catalogue's own).
const char *kFromK = R"("rx": {"FraNummer": "+4799887766", "FraNummerKort": "99887766",
    "Etternavn": "Hovedport", "Fornavn": " ", "Dato": "09/05/10,14:03:27")";

} // namespace

class TestInboxReplies : public QObject
{
    Q_OBJECT
private slots:
    void cases_data();
    void cases();
    void listingOverSeveralSms();
    void adminNumberEnd_data();
    void adminNumberEnd();
    void failedStatementLeavesTheRest();
    void messageListedAgainIsTakenOnce();
    void commitRefusedKeepsTheMessage();
};

void TestInboxReplies::cases_data()
{
    QTest::addColumn<QString>("countryCode");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QString>("today");
    QTest::addColumn<QByteArray>("expected");

    const QList<CaseRow> rows = caseCatalogue();
    QVERIFY2(!rows.isEmpty(), "inbox-cases.tsv not found");
    static const QRegularExpression mine(QStringLiteral("^(R|D|L|U|AL|N)\\d"));
    for (const CaseRow &r : rows) {
        if (!mine.match(r.id).hasMatch())
            continue;
        QTest::newRow(qPrintable(r.id))
            << r.countryCode << r.header << r.body << r.seed << QString()
            << QJsonDocument(r.expected).toJson(QJsonDocument::Compact);
    }

    // A sender the header does not give cleanly: stored, applied to no unit.
    QTest::newRow("no sender, user listing")
        << "47" << QStringLiteral("+CMGL: 90,\"REC UNREAD\",\"\",,\"09/05/10,14:03:27+08\"")
        << "Hovedport brukere\\n*92345678\\nVelkommen ADMIN."
        << "S0 RK" << QString()
        << json(R"({"rx": {"FraNummer": "", "FraNummerKort": "", "Etternavn": "?",
            "Fornavn": "?", "Dato": "09/05/10,14:03:27",
            "SMS_Text": "Hovedport brukere\r\n*92345678\r\nVelkommen ADMIN."},
            "sent": ["AT+CMGD=90\r"]})");
    // A fetched right runs one week, across a month end too.
    QTest::newRow("user listing at a month end")
        << "47" << header(91, K) << "Hovedport brukere\\n*92345678"
        << "S0"
        << "2009-02-28"
        << json((QByteArray("{") + kFromK + R"(, "SMS_Text": "Hovedport brukere\r\n*92345678"},
            "insert": {"Katalog": [{"Bruker": "+4792345678", "Etternavn": "?", "Fornavn": "?",
              "BrukerKort": "92345678"}],
            "TBLbrukere": [{"KeyBruker": "+4792345678", "KeyNummer": "+4799887766",
              "Gyldig fra": "28/2/2009", "Gyldig til": "7/3/2009", "Konto": "Hentet",
              "Status": "AKTIV"}]},
            "sent": ["AT+CMGD=91\r"]})")
                    .constData());
    // The welcome is applied after the listing, so the admin place ends as taken. A unit pads
    // its own number when a line follows it.
    QTest::newRow("admin listing and welcome")
        << "47" << header(92, K)
        << "Hovedport\\nForvaltermann:+4791234567\\nAssistenter:\\nA1: \\nA2: \\nA3: \\nA4: "
           "\\nA5: \\n\\nEget Nummer\\n+4799887766 \\nVelkommen ADMIN."
        << "S0" << QString()
        << json(
               (QByteArray("{") + kFromK +
                R"(, "SMS_Text": "Hovedport\r\nForvaltermann:+4791234567\r\nAssistenter:\r\nA1: \r\nA2: \r\nA3: \r\nA4: \r\nA5: \r\n\r\nEget Nummer\r\n+4799887766 \r\nVelkommen ADMIN."},
            "update": [{"table": "KEYTable", "key": {"KeyNummer": "+4799887766"},
              "set": {"Admin": "1", "Admin1": "", "Admin2": "", "Admin3": "", "Admin4": "",
                      "Admin5": "", "Eget_Nummer": "99887766", "Beskrivelse": "Hovedport"}}],
            "sent": ["AT+CMGD=92\r"]})")
                   .constData());
    // Replies are not checked against the register of units: the sender is taken as given.
    QTest::newRow("registration reply from no key unit")
        << "47" << header(93, "+4798765432") << "Port\\n41234567 er lagt til"
        << "S0" << QString()
        << json(R"({"rx": {"FraNummer": "+4798765432", "FraNummerKort": "98765432",
            "Etternavn": "?", "Fornavn": "?", "Dato": "09/05/10,14:03:27",
            "SMS_Text": "Port\r\n41234567 er lagt til"},
            "insert": {"TBLbrukere": [{"KeyBruker": "+4741234567", "KeyNummer": "+4798765432",
              "Gyldig fra": "10.05.2009", "FraTid": "00", "Gyldig til": "31.12.2099",
              "TilTid": "24", "Konto": "MobReg", "Saldo": "0", "Status": "Aktiv "}]},
            "sent": ["AT+CMGD=93\r"]})");
}

void TestInboxReplies::cases()
{
    QFETCH(QString, countryCode);
    QFETCH(QString, header);
    QFETCH(QString, body);
    QFETCH(QString, seed);
    QFETCH(QString, today);
    QFETCH(QByteArray, expected);
    const QJsonObject want = QJsonDocument::fromJson(expected).object();
    QVERIFY(!want.isEmpty());

    InboxRig rig;
    rig.state.CountryCode = countryCode;
    if (!today.isEmpty())
        rig.today = QDate::fromString(today, Qt::ISODate);
    CaseSetup setup;
    QString unknown;
    QVERIFY2(applySeed(rig, seed, setup, unknown), qPrintable("unknown seed " + unknown));
    QMap<QString, QList<QVariantMap>> before;
    for (auto it = kTables.begin(); it != kTables.end(); ++it)
        before[it.key()] = tableRows(rig, it.key(), it.value());

    rig.script(unescapeBody(body), body == QLatin1String("-"), setup.how);
    rig.handle(header);

    const QJsonObject rx = want.value("rx").toObject();
    QVariantMap rxRow;
    for (const QString &c : kReceived)
        rxRow[c] = rx.value(c).toVariant();
    QCOMPARE(rowLines(tableRows(rig, "SMS_Received", kReceived), kReceived),
             rowLines({rxRow}, kReceived));
    for (auto it = kTables.begin(); it != kTables.end(); ++it) {
        const QStringList got = rowLines(tableRows(rig, it.key(), it.value()), it.value());
        const QStringList wanted =
            rowLines(expectedRows(before[it.key()], it.key(), want, it.value()), it.value());
        if (got != wanted)
            qWarning().noquote() << it.key() << "\n got:" << got << "\nwant:" << wanted;
        QCOMPARE(got, wanted);
    }
    QByteArray commands;
    for (const QJsonValue &s : want.value("sent").toArray())
        commands += s.toString().toLatin1();
    QCOMPARE(rig.written(), commands);
    QVERIFY(!rig.flags.ReadingMessages);
    QVERIFY(rig.TimerCom.isActive());
}

// Listings longer than one SMS come as several, each handled on its own; the same listing
// again adds nothing.
void TestInboxReplies::listingOverSeveralSms()
{
    InboxRig rig;
    QVERIFY(seeded(rig));
    const QList<QByteArray> parts = {
        "Hovedport brukere\n*41234567\n*92345678-2", "Hovedport brukere\n*93456789",
        "Hovedport logg\n*41234567\n5/3,7:45\n*92345678\n6/3,8:05",
        "Hovedport logg\n*93456789\n7/3,16:30", "Hovedport brukere\n*41234567\n*92345678-2"};
    int index = 1;
    for (const QByteArray &part : parts) {
        rig.script(part, false, ModemScript::Normal);
        rig.handle(header(index++, K));
    }
    auto lines = [&](const char *sql) {
        QStringList out;
        const auto rs = Recordset::open(rig.state.SharedConnection, QString::fromLatin1(sql));
        for (; !rs->EOF(); rs->MoveNext())
            out << rs->value(0).toString() + u'|' + rs->value(1).toString();
        return out;
    };
    QCOMPARE(lines("SELECT KeyBruker, Status FROM TBLbrukere ORDER BY KeyBruker"),
             QStringList({"+4741234567|AKTIV A2", "+4792345678|AKTIV A2", "+4793456789|AKTIV"}));
    QCOMPARE(lines("SELECT KeyUser, Dato FROM LOGGData ORDER BY rowid"),
             QStringList({"41234567|05/03,07:45", "92345678|06/03,08:05", "93456789|07/03,16:30"}));
    QCOMPARE(rig.sql().scalar("SELECT count(*) FROM Katalog").toInt(), 3);
    QCOMPARE(rig.written(), QByteArray("AT+CMGD=1\rAT+CMGD=2\rAT+CMGD=3\rAT+CMGD=4\rAT+CMGD=5\r"));
}

// The admin number ends where a ninth character is no digit; a ninth digit belongs to it.
void TestInboxReplies::adminNumberEnd_data()
{
    QTest::addColumn<QByteArray>("adminLine");
    QTest::addColumn<QString>("admin");
    QTest::newRow("nine digits, line break") << QByteArray("+46701234567\n") << "701234567";
    QTest::newRow("eight digits, blank") << QByteArray("+4791234567 \n") << "91234567";
    QTest::newRow("national form") << QByteArray("91234567\n") << "91234567";
}

void TestInboxReplies::adminNumberEnd()
{
    QFETCH(QByteArray, adminLine);
    QFETCH(QString, admin);
    InboxRig rig;
    CaseSetup setup;
    QString unknown;
    QVERIFY(applySeed(rig, "S0", setup, unknown));
    rig.script("Hovedport\nForvaltermann:" + adminLine +
                   "Assistenter:\nA1: 41234567\nA2: \nA3: \nA4: \nA5: \n\nEget Nummer\n"
                   "+4799887766",
               false, ModemScript::Normal);
    rig.handle(header(7, K));
    QCOMPARE(rig.sql().scalar("SELECT Admin FROM KEYTable WHERE KeyNummer = ?", {K}).toString(),
             admin);
    QCOMPARE(rig.sql().scalar("SELECT Admin1 FROM KEYTable WHERE KeyNummer = ?", {K}).toString(),
             QStringLiteral("41234567"));
}

// A statement the database refuses costs only that statement: the right is still written, the
// later blocks run, and the stored message is deleted.
void TestInboxReplies::failedStatementLeavesTheRest()
{
    InboxRig rig;
    QVERIFY(seeded(rig));
    rig.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Katalog BEGIN "
                            "SELECT RAISE(ABORT, 'disk I/O error'); END"));
    rig.script("Hovedport\n92345678 er lagt til\nVelkommen ADMIN.", false, ModemScript::Normal);
    rig.handle(header(8, K));
    QCOMPARE(
        rig.sql()
            .scalar("SELECT KeyBruker || '|' || Status FROM TBLbrukere WHERE KeyNummer = ?", {K})
            .toString(),
        QStringLiteral("+4792345678|Aktiv "));
    QCOMPARE(rig.sql().scalar("SELECT count(*) FROM Katalog").toInt(), 1);
    QCOMPARE(rig.sql().scalar("SELECT Admin FROM KEYTable WHERE KeyNummer = ?", {K}).toString(),
             QStringLiteral("1"));
    QCOMPARE(rig.written(), QByteArray("AT+CMGD=8\r"));
    QVERIFY(!rig.flags.ReadingMessages);
}

namespace
{

const char *const kConfirmation = "Hovedport\n92345678 er lagt til\nVelkommen ADMIN.";

QString confirmedRight(InboxRig &rig)
{
    return rig.sql()
        .scalar("SELECT group_concat(KeyBruker || '|' || Status) FROM TBLbrukere "
                "WHERE KeyNummer = ?",
                {K})
        .toString();
}

int storedMessages(InboxRig &rig)
{
    return rig.sql().scalar("SELECT count(*) FROM SMS_Received").toInt();
}

} // namespace

// A message stored and applied whose deletion never got through (the modem refused it, or the
// program ended first) is listed again, by a program started anew: it is only deleted.
void TestInboxReplies::messageListedAgainIsTakenOnce()
{
    InboxRig rig;
    QVERIFY(seeded(rig));
    rig.script(kConfirmation, false, ModemScript::DeleteErrors);
    rig.handle(header(8, K));
    QCOMPARE(storedMessages(rig), 1);
    QCOMPARE(confirmedRight(rig), QStringLiteral("+4792345678|Aktiv "));
    // The right changes meanwhile; the message listed again must not set it back.
    rig.exec("UPDATE TBLbrukere SET Status = 'Slett' WHERE KeyNummer = ?", {K});

    ReceivedSmsReader restarted{rig.ctx, {}};
    rig.serial.script.written.clear();
    rig.serial.script.add(rig.clock.now(), QByteArray(kConfirmation) + "\r\n\r\nOK\r\n");
    rig.state.CurrentSMSIndex = 8;
    rig.flags.ReadingMessages = true;
    rig.TimerCom.stop();
    restarted.readEntry(header(8, K));
    QCOMPARE(storedMessages(rig), 1);
    QCOMPARE(confirmedRight(rig), QStringLiteral("+4792345678|Slett"));
    QCOMPARE(rig.written(), QByteArray("AT+CMGD=8\r"));
}

// The disk fills while the answer is applied, after the message itself was written: neither
// is kept, the message stays on the modem, and the next listing takes both, once.
void TestInboxReplies::commitRefusedKeepsTheMessage()
{
    InboxRig rig;
    QVERIFY(seeded(rig));
    // The right's row takes more room than is left; the message's row still fits.
    rig.exec("CREATE TABLE Filler (b BLOB)");
    rig.exec("CREATE TRIGGER fill AFTER INSERT ON TBLbrukere BEGIN "
             "INSERT INTO Filler VALUES (zeroblob(1000000)); END");
    const int pages = rig.sql().scalar("PRAGMA page_count").toInt();
    rig.sql().scalar(QStringLiteral("PRAGMA max_page_count = %1").arg(pages + 8));
    rig.script(kConfirmation, false, ModemScript::Normal);
    rig.handle(header(8, K));
    QCOMPARE(rig.written(), QByteArray());
    QCOMPARE(storedMessages(rig), 0);
    QCOMPARE(confirmedRight(rig), QString());
    QVERIFY(!rig.flags.ReadingMessages);

    rig.exec("DROP TRIGGER fill");
    rig.sql().scalar("PRAGMA max_page_count = 1073741823");
    rig.serial.script.add(rig.clock.now(), QByteArray(kConfirmation) + "\r\n\r\nOK\r\n");
    rig.handle(header(8, K));
    QCOMPARE(storedMessages(rig), 1);
    QCOMPARE(confirmedRight(rig), QStringLiteral("+4792345678|Aktiv "));
    QCOMPARE(rig.written(), QByteArray("AT+CMGD=8\r"));
}

QTEST_MAIN(TestInboxReplies)
#include "tst_inbox_replies.moc"
