// The example catalogue of received messages and delivery reports, row by row: each on a fresh
// database, through the reader on a scripted modem, then the rows and the commands compared.

#include "helper_inbox.h"
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

struct CaseRow {
    QString id, countryCode, header, body, seed;
    QJsonObject expected;
};

QList<CaseRow> catalogue()
{
    QList<CaseRow> rows;
    QFile f(QStringLiteral(PORTIVA_SHARED_DIR "/notes/inbox-cases.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return rows;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList c = lines.at(i).split(u'\t');
        if (c.size() < 6)
            continue;
        rows.append(
            {c[0], c[1], c[2], c[3], c[4], QJsonDocument::fromJson(c[5].toUtf8()).object()});
    }
    return rows;
}

// "\n" is a line feed, "\xNN" one byte; everything else stands for its own code.
QByteArray unescape(const QString &escaped)
{
    QByteArray out;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped.at(i) == u'\\' && i + 1 < escaped.size() && escaped.at(i + 1) == u'n') {
            out += '\n';
            ++i;
        } else if (escaped.at(i) == u'\\' && i + 3 < escaped.size() && escaped.at(i + 1) == u'x') {
            out += char(escaped.mid(i + 2, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            out += char(escaped.at(i).unicode());
        }
    }
    return out;
}

const QString K = QStringLiteral("+4799887766");

void seedRows(InboxRig &rig, const QString &token)
{
    auto key = [&](const QVariantList &v) {
        rig.exec(QStringLiteral("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet, Admin, "
                                "Eget_Nummer) VALUES (?, ?, ?, ?, ?)"),
                 v);
    };
    auto cat = [&](const QVariantList &v) {
        rig.exec(
            QStringLiteral(
                "INSERT INTO Katalog (Bruker, Etternavn, Fornavn, BrukerKort) VALUES (?, ?, ?, ?)"),
            v);
    };
    auto sent = [&](const QVariantList &v) {
        rig.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, CMGS, TimeSent, "
                                "TimeReceived, ReceivedStatus) VALUES (?, ?, ?, ?, ?, ?)"),
                 v);
    };
    const QVariant null;
    if (token == QLatin1String("S0")) {
        key({K, "Hovedport", "5", "0", "6"});
        key({"+4799887700", "Bakport", "5", "0", "6"});
        cat({"+4741234567", "Testesen", "Kari", "41234567"});
    } else if (token == QLatin1String("RK")) {
        rig.exec(
            QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], "
                           "FraTid, [Gyldig til], TilTid, Konto, Saldo, Status) VALUES "
                           "(?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {"+4741234567", K, "1/5/2009", "00", "31/12/2099", "24", "MobReg", "0", "Registrerer"});
    } else if (token == QLatin1String("KATOLSEN")) {
        cat({"+4790000002", "Olsen", "", "90000002"});
    } else if (token == QLatin1String("KEYNONAME")) {
        key({"+4790000003", "", "5", null, null});
    } else if (token == QLatin1String("SENT45")) {
        sent({K, "99887766", "45", "NA", "NA", "NA"});
    } else if (token == QLatin1String("SENTSE")) {
        sent({"+46701234567", "701234567", "45", "NA", "NA", "NA"});
    } else if (token == QLatin1String("SENT45OK")) {
        sent({K, "99887766", "45:OK", "09/05/10,14:03:22", "09/05/10,14:03:30", "OK"});
    } else if (token == QLatin1String("SENT1234")) {
        sent({K, "99887766", "1234", "NA", "NA", "NA"});
    } else if (token == QLatin1String("SENT3")) {
        sent({"+4790000001", "90000001", "3", "NA", "NA", "NA"});
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown seed ") + token));
    }
}

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

    const QList<CaseRow> rows = ::catalogue();
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
    QTest::newRow("body listing header")
        << "47" << hdr << "+CMGL: 1,\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:27+08\""
        << "S0"
        << QByteArray(R"({"rx": )" + rx +
                      R"("+CMGL: 1,\"REC UNREAD\",\"+4799887766\",,\"09/05/10,14:03:27+08\""},
                          "sent": ["AT+CMGD=90\r"]})");
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
    ModemScript how = ModemScript::Normal;
    bool refuseReceived = false;
    for (const QString &token : seed.split(u' ', Qt::SkipEmptyParts)) {
        if (token.startsWith(QLatin1String("prev=")))
            rig.state.CurrentSMSSender = token.mid(5);
        else if (token == QLatin1String("modem=silent"))
            how = ModemScript::Silent;
        else if (token == QLatin1String("modem=cmgd-error3"))
            how = ModemScript::DeleteErrors;
        else if (token == QLatin1String("modem=cmgd-error-ok"))
            how = ModemScript::DeleteErrorThenOk;
        else if (token == QLatin1String("modem=second-entry"))
            how = ModemScript::SecondEntry;
        else if (token == QLatin1String("modem=dberr-rx"))
            refuseReceived = true;
        else
            seedRows(rig, token);
    }
    if (refuseReceived)
        rig.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON SMS_Received BEGIN "
                                "SELECT RAISE(ABORT, 'disk I/O error'); END"));
    QMap<QString, QStringList> others;
    for (auto it = kOtherTables.begin(); it != kOtherTables.end(); ++it)
        others[it.key()] = snapshot(rig, it.key(), it.value());
    QStringList sentRows = snapshot(rig, "SMS_Sent", kSentColumns);

    rig.script(unescape(body), body == QLatin1String("-"), how);
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
