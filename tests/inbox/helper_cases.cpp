#include "helper_cases.h"

#include "platform/db/Recordset.h"

#include <QFile>
#include <QJsonDocument>

namespace portiva::test
{

const QString K = QStringLiteral("+4799887766");

QList<CaseRow> caseCatalogue()
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

QByteArray unescapeBody(const QString &escaped)
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

namespace
{

bool seedRows(InboxRig &rig, const QString &token)
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
    auto right = [&](const QVariantList &v) {
        rig.exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], "
                                "FraTid, [Gyldig til], TilTid, Konto, Saldo, Status) VALUES "
                                "(?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 v);
    };
    auto log = [&](const QVariantList &v) {
        rig.exec(QStringLiteral("INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, "
                                "Dato) VALUES (?, ?, ?, ?, ?)"),
                 v);
    };
    auto sent = [&](const QVariantList &v) {
        rig.exec(QStringLiteral("INSERT INTO SMS_Sent (TilNummer, TilNummerKort, CMGS, TimeSent, "
                                "TimeReceived, ReceivedStatus) VALUES (?, ?, ?, ?, ?, ?)"),
                 v);
    };
    const QVariant n;
    const QString t = token;
    if (t == "S0") {
        key({K, "Hovedport", "5", "0", "6"});
        key({"+4799887700", "Bakport", "5", "0", "6"});
        cat({"+4741234567", "Testesen", "Kari", "41234567"});
    } else if (t == "RK") {
        right(
            {"+4741234567", K, "1/5/2009", "00", "31/12/2099", "24", "MobReg", "0", "Registrerer"});
    } else if (t == "RB") {
        right({"+4741234567", "+4799887700", "1/5/2009", "00", "31/12/2099", "24", "MobReg", "0",
               "AKTIV"});
    } else if (t == "RKSALDO") {
        right({"+4741234567", K, "1/5/2009", "00", "31/12/2099", "24", "Saldo", "40", "Aktiv "});
    } else if (t == "RDEL") {
        right({"+4793456789", K, n, n, n, n, n, n, "Sletter"});
    } else if (t == "R92") {
        right({"+4792345678", K, n, n, n, n, n, n, "Sletter"});
    } else if (t == "KATHANSEN") {
        cat({"+4792345678", "Hansen", "Per", n});
    } else if (t == "KATLEGACY") {
        cat({"+4792345678 ", "Hansen", "Per", "92345678 "});
    } else if (t == "KATOLSEN") {
        cat({"+4790000002", "Olsen", "", "90000002"});
    } else if (t == "KEYNONAME") {
        key({"+4790000003", "", "5", n, n});
    } else if (t == "KEYDK") {
        key({"+4520000000", "Hovedport", n, n, n});
    } else if (t == "KEYSE") {
        key({"+46700000000", "Hovedport", n, n, n});
    } else if (t == "LOGL1") {
        log({K, "41234567", "Kari", "Testesen", "05/03,07:45"});
        log({K, "92345678", "?", "?", "12/11,14:05"});
    } else if (t == "LOGB") {
        log({"+4799887700", "41234567", "Kari", "Testesen", "05/03,07:45"});
    } else if (t == "UR") {
        cat({"+4792345678", "?", "?", "92345678"});
        right({"+4741234567", K, "1/5/2009", n, "31/12/2099", n, "MobReg", n, "Registrerer"});
        right({"+4792345678", K, "1/5/2009", n, "8/5/2009", n, "Hentet", n, "Sletter"});
    } else if (t == "KS7") {
        rig.exec(QStringLiteral("UPDATE KEYTable SET KeySikkerhet = '7' WHERE KeyNummer = ?"), {K});
    } else if (t == "ADM1") {
        rig.exec(QStringLiteral("UPDATE KEYTable SET Admin = '1' WHERE KeyNummer = ?"), {K});
    } else if (t == "SENT45") {
        sent({K, "99887766", "45", "NA", "NA", "NA"});
    } else if (t == "SENTSE") {
        sent({"+46701234567", "701234567", "45", "NA", "NA", "NA"});
    } else if (t == "SENT45OK") {
        sent({K, "99887766", "45:OK", "09/05/10,14:03:22", "09/05/10,14:03:30", "OK"});
    } else if (t == "SENT1234") {
        sent({K, "99887766", "1234", "NA", "NA", "NA"});
    } else if (t == "SENT3") {
        sent({"+4790000001", "90000001", "3", "NA", "NA", "NA"});
    } else {
        return false;
    }
    return true;
}

} // namespace

bool applySeed(InboxRig &rig, const QString &seed, CaseSetup &setup, QString &error)
{
    for (const QString &token : seed.split(u' ', Qt::SkipEmptyParts)) {
        if (token.startsWith(QLatin1String("prev=")))
            rig.state.CurrentSMSSender = token.mid(5);
        else if (token.startsWith(QLatin1String("date=")))
            rig.shortDate = token.mid(5);
        else if (token == QLatin1String("modem=silent"))
            setup.how = ModemScript::Silent;
        else if (token == QLatin1String("modem=cmgd-error3"))
            setup.how = ModemScript::DeleteErrors;
        else if (token == QLatin1String("modem=cmgd-error-ok"))
            setup.how = ModemScript::DeleteErrorThenOk;
        else if (token == QLatin1String("modem=second-entry"))
            setup.how = ModemScript::SecondEntry;
        else if (token == QLatin1String("modem=dberr-rx"))
            setup.refuseReceived = true;
        else if (!seedRows(rig, token))
            return error = token, false;
    }
    if (setup.refuseReceived)
        rig.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON SMS_Received BEGIN "
                                "SELECT RAISE(ABORT, 'disk I/O error'); END"));
    return true;
}

QList<QVariantMap> tableRows(InboxRig &rig, const QString &table, const QStringList &columns)
{
    QStringList quoted;
    for (const QString &c : columns)
        quoted << (c.contains(u' ') ? u'[' + c + u']' : c);
    QList<QVariantMap> out;
    const auto rs = Recordset::open(rig.state.SharedConnection,
                                    QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                        .arg(quoted.join(QStringLiteral(", ")), table));
    for (; !rs->EOF(); rs->MoveNext()) {
        QVariantMap row;
        for (int i = 0; i < columns.size(); ++i)
            row[columns.at(i)] = rs->value(i);
        out << row;
    }
    return out;
}

QStringList rowLines(const QList<QVariantMap> &rows, const QStringList &columns)
{
    QStringList out;
    for (const QVariantMap &row : rows) {
        QStringList values;
        for (const QString &c : columns) {
            const QVariant v = row.value(c);
            values << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        }
        out << values.join(u'|');
    }
    out.sort();
    return out;
}

} // namespace portiva::test
