// The example catalogue of received messages and delivery reports, row by row: each on a fresh
// database, through the reader on a scripted modem, then the rows and the commands compared.

#include "helper_cases.h"
#include "platform/db/Recordset.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

// Every row of a table as text, in key order.
QStringList snapshot(InboxRig &rig, const QString &table, const QStringList &columns)
{
    QStringList out;
    const auto rs = Recordset::open(rig.state.SharedConnection,
                                    QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                        .arg(columns.join(QStringLiteral(", ")), table));
    for (; !rs->EOF(); rs->MoveNext()) {
        QStringList values;
        for (int i = 0; i < rs->fieldCount(); ++i)
            values << (rs->value(i).isNull() ? QStringLiteral("<null>") : rs->value(i).toString());
        out << values.join(u'|');
    }
    return out;
}

const QStringList kSentColumns = {"ID",       "TilNummer",    "TilNummerKort", "CMGS",
                                  "TimeSent", "TimeReceived", "ReceivedStatus"};
const QStringList kReceivedColumns = {"FraNummer", "FraNummerKort", "Etternavn",
                                      "Fornavn",   "Dato",          "SMS_Text"};
const QMap<QString, QStringList> kOtherTables = {
    {"Katalog", {"Bruker", "Etternavn", "Fornavn", "BrukerKort"}},
    {"KEYTable", {"KeyNummer", "KeyNavn", "KeySikkerhet", "Admin", "Eget_Nummer"}},
    {"TBLbrukere", {"KeyBruker", "KeyNummer", "[Gyldig fra]", "[Gyldig til]", "Status"}},
    {"LOGGData", {"KeyNummer", "KeyUser", "Dato"}},
};

} // namespace

class TestInboxCases : public QObject
{
    Q_OBJECT
private slots:
    void catalogue_data();
    void catalogue();
};

void TestInboxCases::catalogue_data()
{
    QTest::addColumn<QString>("countryCode");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("seed");
    QTest::addColumn<QByteArray>("expected");

    const QList<CaseRow> rows = caseCatalogue();
    QVERIFY2(!rows.isEmpty(), "inbox-cases.tsv not found");
    // Intake, the frame and delivery reports; the reply and listing blocks have their own rows.
    static const QRegularExpression mine(QStringLiteral("^(FR|P|S)\\d"));
    for (const CaseRow &r : rows) {
        if (!mine.match(r.id).hasMatch())
            continue;
        QTest::newRow(qPrintable(r.id)) << r.countryCode << r.header << r.body << r.seed
                                        << QJsonDocument(r.expected).toJson(QJsonDocument::Compact);
    }
    // A body that reads like a modem line is only a body.
    const QString hdr = QStringLiteral("+CMGL: 90,\"REC UNREAD\",\"+4741234567\",,"
                                       "\"09/05/10,14:03:27+08\"");
    const QByteArray rx = R"({"FraNummer": "+4741234567", "FraNummerKort": "41234567",
        "Etternavn": "Testesen", "Fornavn": "Kari", "Dato": "09/05/10,14:03:27", "SMS_Text": )";
    QTest::newRow("body OK") << "47" << hdr << "OK"
                             << "S0"
                             << QByteArray(R"({"rx": )" + rx +
                                           R"("OK"}, "sent": ["AT+CMGD=90\r"]})");
    // A listing header where the body should be is the next entry: this entry's body was lost
    // on the way, so nothing is stored for it and it waits on the modem for the next listing.
    QTest::newRow("body listing header")
        << "47" << hdr << "+CMGL: 1,\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:27+08\""
        << "S0" << QByteArray(R"({"rx": null, "sent": []})");
}

void TestInboxCases::catalogue()
{
    QFETCH(QString, countryCode);
    QFETCH(QString, header);
    QFETCH(QString, body);
    QFETCH(QString, seed);
    QFETCH(QByteArray, expected);
    const QJsonObject want = QJsonDocument::fromJson(expected).object();

    InboxRig rig;
    rig.state.CountryCode = countryCode;
    CaseSetup setup;
    QString unknown;
    QVERIFY2(applySeed(rig, seed, setup, unknown), qPrintable("unknown seed " + unknown));
    QMap<QString, QStringList> others;
    for (auto it = kOtherTables.begin(); it != kOtherTables.end(); ++it)
        others[it.key()] = snapshot(rig, it.key(), it.value());
    QStringList sentRows = snapshot(rig, "SMS_Sent", kSentColumns);

    rig.script(unescapeBody(body), body == QLatin1String("-"), setup.how);
    rig.handle(header);

    // What was received.
    const QStringList received = snapshot(rig, "SMS_Received", kReceivedColumns);
    if (want.value("rx").isNull()) {
        QCOMPARE(received, QStringList());
    } else {
        const QJsonObject rx = want.value("rx").toObject();
        QStringList values;
        for (const QString &c : kReceivedColumns)
            values << rx.value(c).toString();
        QCOMPARE(received, QStringList{values.join(u'|')});
        QVERIFY(rig.state.ReloadRequested);
        QCOMPARE(rig.state.CurrentSMSSender, rx.value("FraNummer").toString());
    }

    // Delivery reports: the rows named change as given, all others stay.
    for (const QJsonValue &u : want.value("update").toArray()) {
        const QJsonObject upd = u.toObject();
        if (upd.value("table").toString() != QLatin1String("SMS_Sent"))
            continue;
        const int id = upd.value("key").toObject().value("ID").toInt();
        QStringList cells = sentRows[id - 1].split(u'|');
        const QJsonObject set = upd.value("set").toObject();
        for (auto it = set.begin(); it != set.end(); ++it)
            cells[kSentColumns.indexOf(it.key())] = it.value().toString();
        sentRows[id - 1] = cells.join(u'|');
    }
    QCOMPARE(snapshot(rig, "SMS_Sent", kSentColumns), sentRows);

    // Tables the later blocks write are left alone unless the row names them.
    QSet<QString> named;
    for (const char *kind : {"insert", "update", "delete"}) {
        const QJsonValue v = want.value(kind);
        for (const QString &t : v.toObject().keys())
            named << t;
        for (const QJsonValue &e : v.toArray())
            named << e.toObject().value("table").toString();
    }
    for (auto it = kOtherTables.begin(); it != kOtherTables.end(); ++it) {
        if (!named.contains(it.key()))
            QCOMPARE(snapshot(rig, it.key(), it.value()), others[it.key()]);
    }

    // The commands after the listing, and the frame's end.
    QByteArray commands;
    for (const QJsonValue &s : want.value("sent").toArray())
        commands += s.toString().toLatin1();
    QCOMPARE(rig.written(), commands);
    QVERIFY2(!rig.pollSeenDuringCall, "a timer ran or the busy flag dropped inside the call");
    QVERIFY(rig.TimerCom.isActive());
    QVERIFY(rig.TimerSEND_SMS.isActive());
    QCOMPARE(rig.TimerSEND_SMS.interval(), 3000);
    QVERIFY(!rig.flags.ReadingMessages);
    QVERIFY(!rig.exchange.active());
    QCOMPARE(rig.host.panels.value(2), QStringLiteral("Klar for innkommende SMS"));
    QCOMPARE(rig.reloads, 1);
    QCOMPARE(rig.keyUserRebuilds, 1);
}

QTEST_MAIN(TestInboxCases)
#include "tst_inbox_cases.moc"
