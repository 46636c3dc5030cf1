// The control language's settings, storage shape, key units and queries.

#include "tools/modemsim/AtEngine.h"
#include "tools/modemsim/ControlInterpreter.h"
#include "tools/modemsim/ModemSim.h"

#include <QRegularExpression>

namespace portiva::modemsim
{

namespace
{
const QString kOk = QStringLiteral("OK");
}

ControlInterpreter::Reply ControlInterpreter::lineShape(const QString &verb, Words &w)
{
    bool on = false;
    if (verb == QLatin1String("split")) {
        int k = 0, gap = 0;
        if (!need(w, 1) || !checkOptions(w, {"gap"}))
            return {};
        if (w.positional[0] == "off") {
            m_sim.setSplit(0);
            return {kOk};
        }
        if (!number(w.positional[0], &k, 1, 65536) ||
            !number(w.options.value(QStringLiteral("gap"), "0"), &gap, 0, 60000))
            return {};
        m_sim.setSplit(k, gap);
        return {kOk};
    }
    if (verb == QLatin1String("coalesce") || verb == QLatin1String("strict")) {
        if (!need(w, 1) || !onOff(w.positional[0], &on))
            return {};
        verb == QLatin1String("strict") ? m_sim.setStrict(on) : m_sim.setCoalesce(on);
        return {kOk};
    }
    if (verb == QLatin1String("lineend")) {
        static const QMap<QByteArray, LineEnd> ends{
            {"crlf", LineEnd::CrLf}, {"cr", LineEnd::Cr}, {"crcrlf", LineEnd::CrCrLf}};
        if (!need(w, 1) || !ends.contains(w.positional[0]))
            return m_error = QStringLiteral("lineend crlf, cr or crcrlf"), Reply{};
        m_sim.setLineEnd(ends.value(w.positional[0]));
        return {kOk};
    }
    if (verb == QLatin1String("cmgs")) {
        int v = 0;
        if (!checkOptions(w, {"delay", "scts", "mr", "echo"}))
            return {};
        if (w.options.contains(QStringLiteral("delay"))) {
            if (!number(w.options["delay"], &v, 0, 3600000))
                return {};
            m_sim.setCmgsDelay(v);
        }
        if (w.options.contains(QStringLiteral("mr"))) {
            if (!number(w.options["mr"], &v, 0, 255))
                return {};
            m_sim.setNextReference(v);
        }
        if (w.options.contains(QStringLiteral("scts"))) {
            if (!onOff(w.options["scts"], &on))
                return {};
            m_sim.setCmgsScts(on);
        }
        if (w.options.contains(QStringLiteral("echo"))) {
            if (!onOff(w.options["echo"], &on))
                return {};
            m_sim.setCmgsEcho(on);
        }
        return {kOk};
    }
    if (verb == QLatin1String("identity")) {
        if (!checkOptions(w, {"manufacturer", "model", "revision", "imei", "imsi", "prefixed"}))
            return {};
        ModemIdentity id = m_sim.identity();
        auto take = [&](const char *key, QString *field) {
            if (w.options.contains(QLatin1String(key)))
                *field = QString::fromUtf8(w.options.value(QLatin1String(key)));
        };
        take("manufacturer", &id.manufacturer);
        take("model", &id.model);
        take("revision", &id.revision);
        take("imei", &id.imei);
        take("imsi", &id.imsi);
        if (w.options.contains(QStringLiteral("prefixed")) &&
            !onOff(w.options["prefixed"], &id.prefixed))
            return {};
        m_sim.setIdentity(id);
        return {kOk};
    }
    if (verb == QLatin1String("charset-reset")) {
        const QString cs = QString::fromUtf8(w.positional.value(0)).toUpper();
        if (cs != QLatin1String("GSM") && cs != QLatin1String("IRA") && cs != QLatin1String("UCS2"))
            return m_error = QStringLiteral("charset GSM, IRA or UCS2"), Reply{};
        m_sim.setCharsetReset(cs);
        return {kOk};
    }
    if (verb == QLatin1String("clock")) {
        if (!need(w, 2))
            return {};
        const QDateTime t = QDateTime::fromString(QString::fromUtf8(w.positional[0]),
                                                  QStringLiteral("yy/MM/dd,hh:mm:ss"));
        static const QRegularExpression zoneRe(QStringLiteral("^[+-]\\d{1,2}$"));
        const QString zone = QString::fromUtf8(w.positional[1]);
        if (!t.isValid() || !zoneRe.match(zone).hasMatch())
            return m_error = QStringLiteral("clock yy/MM/dd,hh:mm:ss +zz"), Reply{};
        // Two-digit years are this century's, as the modem's time stamps mean them.
        m_sim.setClock(t.addYears(t.date().year() < 2000 ? 100 : 0), zone.toInt());
        return {kOk};
    }
    if (verb == QLatin1String("timescale")) {
        bool ok = false;
        const double f = w.positional.value(0).toDouble(&ok);
        if (!ok || f < 0 || f > 1000)
            return m_error = QStringLiteral("timescale 0-1000"), Reply{};
        m_sim.setTimescale(f);
        return {kOk};
    }
    // modem-number
    static const QRegularExpression digitsRe(QStringLiteral("^\\+?\\d+$"));
    if (!need(w, 1) || !digitsRe.match(QString::fromUtf8(w.positional[0])).hasMatch())
        return m_error = QStringLiteral("modem-number <digits>"), Reply{};
    m_sim.setModemNumber(QString::fromUtf8(w.positional[0]));
    return {kOk};
}

ControlInterpreter::Reply ControlInterpreter::storage(const QString &verb, Words &w)
{
    bool on = false;
    if (verb == QLatin1String("memory")) {
        const QString mem = QString::fromUtf8(w.positional.value(0)).toUpper();
        if (mem != QLatin1String("SM") && mem != QLatin1String("ME") && mem != QLatin1String("SR"))
            return m_error = QStringLiteral("memory SM, ME or SR"), Reply{};
        if (!checkOptions(w, {"capacity", "base", "offset"}))
            return {};
        MemoryShape s = m_sim.store().shape(mem);
        if (!number(w.options.value(QStringLiteral("capacity"), QByteArray::number(s.capacity)),
                    &s.capacity, 0, 10000) ||
            !number(w.options.value(QStringLiteral("base"), QByteArray::number(s.base)), &s.base, 0,
                    1) ||
            !number(w.options.value(QStringLiteral("offset"), QByteArray::number(s.offset)),
                    &s.offset, 0, 100000))
            return {};
        m_sim.setMemoryShape(mem, s);
        return {kOk};
    }
    if (verb == QLatin1String("mt")) {
        if (!need(w, 1) || !onOff(w.positional[0], &on))
            return {};
        m_sim.setMtOffered(on);
        return {kOk};
    }
    if (verb == QLatin1String("status-report-store")) {
        const QString mem = QString::fromUtf8(w.positional.value(0)).toUpper();
        if (mem != QLatin1String("SM") && mem != QLatin1String("SR"))
            return m_error = QStringLiteral("status-report-store SM or SR"), Reply{};
        m_sim.setStatusReportStore(mem);
        return {kOk};
    }
    if (verb == QLatin1String("cnmi-range")) {
        if (w.options.contains(QStringLiteral("file"))) {
            if (!m_sim.loadCnmiRange(QString::fromUtf8(w.options.value(QStringLiteral("file")))))
                return m_error = QStringLiteral("no +CNMI: line in that file"), Reply{};
            return {kOk};
        }
        if (!need(w, 1))
            return {};
        m_sim.setCnmiRange(w.positional[0]);
        return {kOk};
    }
    if (verb == QLatin1String("cpms-test")) {
        if (!need(w, 1))
            return {};
        m_sim.setCpmsTest(w.positional[0].isNull() ? QByteArray("") : w.positional[0]);
        return {kOk};
    }
    // delete-empty
    if (!need(w, 1) || !onOff(w.positional[0], &on))
        return {};
    m_sim.setDeleteEmptyOk(on);
    return {kOk};
}

ControlInterpreter::Reply ControlInterpreter::unitCommand(Words &w)
{
    if (!need(w, 2))
        return {};
    const QByteArray sub = w.positional[0];
    const QString number = QString::fromUtf8(w.positional[1]);
    if (sub == "add") {
        if (!need(w, 3) || !checkOptions(w, {"lang", "delay", "status", "cc"}))
            return {};
        const QString name = QString::fromUtf8(w.positional[2]);
        static const QRegularExpression badName(QStringLiteral("[/*]|-|:00|Forvalt"));
        if (name.isEmpty() || badName.match(name).hasMatch())
            return m_error = QStringLiteral("a unit name must not hold / - :00 * or Forvalt"),
                   Reply{};
        const QString lang = QString::fromUtf8(w.options.value(QStringLiteral("lang"), "nb"));
        if (!KeyUnit::validLanguage(lang))
            return m_error = QStringLiteral("lang nb, da or sv"), Reply{};
        KeyUnit probe;
        if (!this->number(w.options.value(QStringLiteral("delay"), "2000"), &probe.delayMs, 0,
                          3600000) ||
            !this->number(w.options.value(QStringLiteral("status"), "0"), &probe.deliveryStatus, 0,
                          255) ||
            !this->number(w.options.value(QStringLiteral("cc"), "47"), &probe.countryCode, 1, 999))
            return {};
        for (qsizetype i = 3; i < w.positional.size(); ++i) {
            if (w.positional[i] != "silent")
                return m_error =
                           QStringLiteral("unknown word ") + QString::fromUtf8(w.positional[i]),
                       Reply{};
            probe.silent = true;
        }
        KeyUnit &u = m_sim.addUnit(number, name, lang);
        u.delayMs = probe.delayMs;
        u.deliveryStatus = probe.deliveryStatus;
        u.countryCode = probe.countryCode;
        u.silent = probe.silent;
        return {kOk};
    }
    KeyUnit *u = m_sim.unit(number);
    if (!u)
        return m_error = QStringLiteral("no unit ") + number, Reply{};
    if (sub == "user") {
        if (!need(w, 3) || !checkOptions(w, {"from", "to", "saldo"}))
            return {};
        KeyUnitUser user;
        user.number = u->national(QString::fromUtf8(w.positional[2]));
        static const QRegularExpression stampRe(QStringLiteral("^\\d{8}$"));
        if (w.options.contains(QStringLiteral("saldo"))) {
            user.hasBalance = true;
            user.balance = QString::fromUtf8(w.options.value(QStringLiteral("saldo")));
        } else {
            user.from = QString::fromUtf8(w.options.value(QStringLiteral("from")));
            user.to = QString::fromUtf8(w.options.value(QStringLiteral("to")));
            if (!stampRe.match(user.from).hasMatch() || !stampRe.match(user.to).hasMatch())
                return m_error = QStringLiteral("from= and to= as YYMMDDHH, or saldo="), Reply{};
        }
        if (KeyUnitUser *held = u->user(user.number))
            *held = user;
        else
            u->users.append(user);
        return {kOk};
    }
    if (sub == "log") {
        static const QRegularExpression whenRe(
            QStringLiteral("^\\d{1,2}/\\d{1,2},\\d{1,2}:\\d{2}$"));
        if (!need(w, 4) || !whenRe.match(QString::fromUtf8(w.positional[3])).hasMatch())
            return m_error = QStringLiteral("unit log <number> <user> <d/m,h:mm>"), Reply{};
        u->log.append({QString::fromUtf8(w.positional[2]), QString::fromUtf8(w.positional[3])});
        return {kOk};
    }
    if (sub == "admin" || sub == "own") {
        if (!need(w, 3))
            return {};
        (sub == "admin" ? u->admin : u->ownNumber) = QString::fromUtf8(w.positional[2]);
        return {kOk};
    }
    if (sub == "assistant") {
        int n = 0;
        if (!need(w, 4) || !this->number(w.positional[2], &n, 1, 5))
            return {};
        u->assistants[n - 1] = QString::fromUtf8(w.positional[3]);
        return {kOk};
    }
    if (sub == "admin-listing") {
        m_sim.sendAdminListing(number);
        return {kOk};
    }
    // A silent unit keeps each text it is sent and neither acts on it nor answers, as a unit
    // out of reach would; what it would have done is set by hand ("user", "say").
    if (sub == "silent") {
        bool on = false;
        if (!need(w, 3) || !onOff(w.positional[2], &on))
            return {};
        u->silent = on;
        return {kOk};
    }
    if (sub == "say") {
        if (!need(w, 3))
            return {};
        m_sim.sendFromUnit(number, QString::fromUtf8(w.positional[2]));
        return {kOk};
    }
    return m_error = QStringLiteral("unknown unit command ") + QString::fromUtf8(sub), Reply{};
}

ControlInterpreter::Reply ControlInterpreter::queries(const QString &verb, Words &w)
{
    Reply out;
    if (verb == QLatin1String("mark")) {
        out << QString::number(m_sim.mark());
    } else if (verb == QLatin1String("log")) {
        int since = 0;
        if (!checkOptions(w, {"since"}) ||
            !number(w.options.value(QStringLiteral("since"), "0"), &since, 0, INT_MAX))
            return {};
        const QList<SimEvent> events = m_sim.events();
        for (qsizetype i = since; i < events.size(); ++i)
            out << QStringLiteral("%1 %2 %3").arg(events[i].ms).arg(events[i].kind, events[i].text);
    } else if (verb == QLatin1String("submitted")) {
        for (const Submission &s : m_sim.submissions()) {
            QString text = s.text;
            text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
                .replace(QLatin1Char('\n'), QLatin1String("\\n"))
                .replace(QLatin1Char('\r'), QLatin1String("\\r"))
                .replace(QLatin1Char('"'), QLatin1String("\\\""));
            out << QStringLiteral("%1 %2 %3 fo=%4 \"%5\"")
                       .arg(s.mr)
                       .arg(s.da, s.quoted ? QStringLiteral("quoted") : QStringLiteral("bare"))
                       .arg(s.fo)
                       .arg(text);
        }
    } else if (verb == QLatin1String("deleted")) {
        for (int i : m_sim.deletions())
            out << QString::number(i);
    } else if (verb == QLatin1String("list")) {
        const QString mem = QString::fromUtf8(w.positional.value(0)).toUpper();
        static const QStringList mems{"SM", "ME", "MT", "SR"};
        if (!mems.contains(mem))
            return m_error = QStringLiteral("list SM, ME, MT or SR"), Reply{};
        for (int i : m_sim.store().indexes(mem)) {
            const QByteArray lines = m_sim.m_engine->listingLines(*m_sim.store().find(mem, i), i);
            QString shown;
            for (char c : lines) {
                const uchar b = uchar(c);
                shown +=
                    (b >= 0x20 && b < 0x7F)
                        ? QString(QLatin1Char(c))
                        : QStringLiteral("\\x") +
                              QString::number(b, 16).rightJustified(2, QLatin1Char('0')).toUpper();
            }
            out << shown;
        }
    } else if (verb == QLatin1String("state")) {
        const ModemProfile &p = m_sim.profile();
        out << QStringLiteral("E%1 V%2 CMEE %3 CMGF 1 CSCS %4 CSDH %5")
                   .arg(p.echo)
                   .arg(p.verbose)
                   .arg(p.cmee)
                   .arg(p.cscs)
                   .arg(p.csdh)
            << QStringLiteral("CNMI %1,%2,%3,%4,%5")
                   .arg(p.cnmi[0])
                   .arg(p.cnmi[1])
                   .arg(p.cnmi[2])
                   .arg(p.cnmi[3])
                   .arg(p.cnmi[4])
            << QStringLiteral("CSMP %1,%2,%3,%4")
                   .arg(p.csmp[0])
                   .arg(p.csmp[1])
                   .arg(p.csmp[2])
                   .arg(p.csmp[3])
            << QStringLiteral("CPMS %1,%2,%3").arg(p.mem[0], p.mem[1], p.mem[2])
            << QStringLiteral("strict %1").arg(m_sim.m_strict ? "on" : "off");
    } else { // units
        // Each unit's users in the form `unit user` takes, then the commands that reached it.
        for (const KeyUnit &u : m_sim.units()) {
            out << QStringLiteral("%1 \"%2\" lang=%3 users=%4")
                       .arg(u.number, u.name, u.language)
                       .arg(u.users.size());
            for (const KeyUnitUser &user : u.users) {
                out << (user.hasBalance
                            ? QStringLiteral("  user %1 saldo=%2").arg(user.number, user.balance)
                            : QStringLiteral("  user %1 from=%2 to=%3")
                                  .arg(user.number, user.from, user.to));
            }
            for (const QString &command : u.received)
                out << QStringLiteral("  received \"%1\"").arg(command);
        }
    }
    out << kOk;
    return out;
}

} // namespace portiva::modemsim
