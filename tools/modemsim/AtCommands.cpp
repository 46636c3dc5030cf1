#include "tools/modemsim/AtEngine.h"

#include "tools/modemsim/GsmCodec.h"
#include "tools/modemsim/ModemSim.h"

#include <QRegularExpression>

namespace portiva::modemsim
{

namespace
{

const char *const kStats[] = {"REC UNREAD", "REC READ", "STO UNSENT", "STO SENT", "ALL"};

QByteArray q(const QString &s)
{
    return '"' + s.toLatin1() + '"';
}

bool isInt(const QByteArray &t, int *value)
{
    bool ok = false;
    *value = t.trimmed().toInt(&ok);
    return ok && !t.trimmed().isEmpty();
}

} // namespace

AtEngine::Result AtEngine::run(const Command &c, QByteArray *info)
{
    if (c.name.isEmpty())
        return {};
    if (!c.name.startsWith('+') && !c.name.startsWith('$') && !c.name.startsWith('^'))
        return runBasic(c, info);
    bool handled = false;
    Result r = runSetting(c, info, &handled);
    if (handled)
        return r;
    r = runStorage(c, info, &handled);
    if (handled)
        return r;
    return runIdentity(c, info);
}

AtEngine::Result AtEngine::runBasic(const Command &c, QByteArray *info)
{
    ModemProfile &p = m_sim.m_profile;
    const QByteArray &n = c.name;
    if (n == "E" || n == "V") {
        if (c.number > 1)
            return {Final::Error};
        (n == "E" ? p.echo : p.verbose) = c.number == 1;
        return {};
    }
    if (n == "Q")
        return {c.number == 0 ? Final::Ok : Final::Error};
    if (n == "Z") {
        p = m_sim.m_stored;
        return {};
    }
    if (n == "&F") {
        m_sim.resetProfile();
        return {};
    }
    if (n == "&W") {
        m_sim.m_stored = p;
        return {};
    }
    if (n == "\\Q")
        return {c.number <= 3 ? Final::Ok : Final::Error};
    if (n == "I") {
        addInfo(info, {(m_sim.m_identity.manufacturer + QLatin1Char(' ') + m_sim.m_identity.model)
                           .toLatin1()});
        return {};
    }
    return {Final::Error};
}

AtEngine::Result AtEngine::runIdentity(const Command &c, QByteArray *info)
{
    const ModemIdentity &id = m_sim.m_identity;
    const QByteArray &n = c.name;
    QString value;
    QByteArray prefix;
    if (n == "+CGMI" || n == "+GMI") {
        value = id.manufacturer;
        prefix = "+CGMI: ";
    } else if (n == "+CGMM" || n == "+GMM") {
        value = id.model;
        prefix = "+CGMM: ";
    } else if (n == "+CGMR" || n == "+GMR") {
        value = id.revision;
        prefix = "+CGMR: ";
    } else if (n == "+CGSN" || n == "+GSN") {
        value = id.imei;
        prefix = "+CGSN: ";
    } else if (n == "+CIMI") {
        value = id.imsi;
    } else {
        return {Final::Error};
    }
    if (c.type == Command::Test)
        return {};
    if (c.type != Command::Exec)
        return {Final::Error};
    addInfo(info, {(id.prefixed ? prefix : QByteArray()) + value.toLatin1()});
    return {};
}

AtEngine::Result AtEngine::runSetting(const Command &c, QByteArray *info, bool *handled)
{
    ModemProfile &p = m_sim.m_profile;
    const QByteArray &n = c.name;
    const bool set = c.type == Command::Set;
    const bool query = c.type == Command::Query;
    const bool test = c.type == Command::Test;
    int v = 0;
    const bool intArg = set && isInt(c.args.value(0).text, &v);
    *handled = true;
    if (n == "+CMEE") {
        if (set)
            return intArg && v >= 0 && v <= 2 ? (p.cmee = v, Result{}) : Result{Final::Error};
        if (query)
            addInfo(info, {"+CMEE: " + QByteArray::number(p.cmee)});
        if (test)
            addInfo(info, {"+CMEE: (0-2)"});
        return {};
    }
    if (n == "+CFUN") {
        if (set) {
            if (!intArg || v > 1)
                return {Final::Error};
            m_sim.m_radioOn = v == 1;
            return {};
        }
        if (query)
            addInfo(info, {"+CFUN: " + QByteArray(m_sim.m_radioOn ? "1" : "0")});
        if (test)
            addInfo(info, {"+CFUN: (0,1)"});
        return {};
    }
    if (n == "+CPIN" && query) {
        addInfo(info, {"+CPIN: READY"});
        return {};
    }
    if (n == "+CSQ" && c.type == Command::Exec) {
        addInfo(info, {"+CSQ: 20,99"});
        return {};
    }
    if (n == "+CREG" && query) {
        addInfo(info, {"+CREG: 0,1"});
        return {};
    }
    if (n == "+CLIP") {
        if (query)
            addInfo(info, {"+CLIP: 0,1"});
        return {};
    }
    if (n == "+CMGF") {
        if (set)
            return {intArg && v == 1 ? Final::Ok : Final::Error};
        if (query)
            addInfo(info, {"+CMGF: 1"});
        if (test)
            addInfo(info, {"+CMGF: (1)"});
        return {c.type == Command::Exec ? Final::Error : Final::Ok};
    }
    if (n == "+CSDH") {
        if (set)
            return intArg && v >= 0 && v <= 1 ? (p.csdh = v, Result{}) : Result{Final::Error};
        if (query)
            addInfo(info, {"+CSDH: " + QByteArray::number(p.csdh)});
        if (test)
            addInfo(info, {"+CSDH: (0,1)"});
        return {};
    }
    if (n == "+CSMP") {
        if (query) {
            addInfo(info, {QStringLiteral("+CSMP: %1,%2,%3,%4")
                               .arg(p.csmp[0])
                               .arg(p.csmp[1])
                               .arg(p.csmp[2])
                               .arg(p.csmp[3])
                               .toLatin1()});
            return {};
        }
        if (!set)
            return {test ? Final::Ok : Final::Error};
        int values[4];
        for (int i = 0; i < 4; ++i) {
            values[i] = p.csmp[i];
            if (i < c.args.size() && !c.args[i].text.isEmpty() &&
                (!isInt(c.args[i].text, &values[i]) || values[i] < 0 || values[i] > 255))
                return {Final::Error};
        }
        std::copy(values, values + 4, p.csmp);
        return {};
    }
    if (n == "+CSCA") {
        if (query) {
            addInfo(info, {"+CSCA: \"" + encodeField(m_sim.m_sca) + "\"," +
                           QByteArray::number(m_sim.m_tosca)});
            return {};
        }
        if (set && !c.args.value(0).text.isEmpty()) {
            m_sim.m_sca = decodeText(c.args[0].text);
            m_sim.m_tosca = c.args.size() > 1 ? c.args[1].text.toInt() : 145;
            return {};
        }
        return {test ? Final::Ok : Final::Error};
    }
    if (n == "+CSCS")
        return cscs(c, info);
    if (n == "+CNMI")
        return cnmi(c, info);
    *handled = false;
    return {};
}

AtEngine::Result AtEngine::runStorage(const Command &c, QByteArray *info, bool *handled)
{
    *handled = true;
    if (c.name == "+CPMS")
        return cpms(c, info);
    if (c.name == "+CMGL")
        return cmgl(c, info);
    if (c.name == "+CMGR")
        return cmgr(c, info);
    if (c.name == "+CMGD")
        return cmgd(c, info);
    if (c.name == "+CMGS")
        return cmgs(c);
    *handled = false;
    return {};
}

AtEngine::Result AtEngine::cscs(const Command &c, QByteArray *info)
{
    if (c.type == Command::Query) {
        addInfo(info, {"+CSCS: " + q(m_sim.m_profile.cscs)});
        return {};
    }
    if (c.type == Command::Test) {
        addInfo(info, {"+CSCS: (\"GSM\",\"IRA\",\"UCS2\")"});
        return {};
    }
    const QString cs = QString::fromLatin1(c.args.value(0).text).toUpper();
    if (c.type != Command::Set ||
        !(cs == QLatin1String("GSM") || cs == QLatin1String("IRA") || cs == QLatin1String("UCS2")))
        return {Final::Error};
    m_sim.m_profile.cscs = cs;
    return {};
}

bool AtEngine::cnmiAllowed(int position, int value) const
{
    // The test answer lists one parenthesised group per parameter: "(0-2)", "(0,1,3)".
    static const QRegularExpression groupRe(QStringLiteral("\\(([^)]*)\\)"));
    auto it = groupRe.globalMatch(QString::fromLatin1(m_sim.m_cnmiRange));
    for (int i = 0; it.hasNext(); ++i) {
        const QString group = it.next().captured(1);
        if (i != position)
            continue;
        for (const QString &part : group.split(QLatin1Char(','))) {
            const QStringList range = part.trimmed().split(QLatin1Char('-'));
            bool ok1 = false, ok2 = true;
            const int lo = range.value(0).toInt(&ok1);
            const int hi = range.size() > 1 ? range[1].toInt(&ok2) : lo;
            if (ok1 && ok2 && value >= lo && value <= hi)
                return true;
        }
        return false;
    }
    return value == 0;
}

AtEngine::Result AtEngine::cnmi(const Command &c, QByteArray *info)
{
    ModemProfile &p = m_sim.m_profile;
    if (c.type == Command::Query) {
        addInfo(info, {QStringLiteral("+CNMI: %1,%2,%3,%4,%5")
                           .arg(p.cnmi[0])
                           .arg(p.cnmi[1])
                           .arg(p.cnmi[2])
                           .arg(p.cnmi[3])
                           .arg(p.cnmi[4])
                           .toLatin1()});
        return {};
    }
    if (c.type == Command::Test) {
        addInfo(info, {m_sim.m_cnmiRange});
        return {};
    }
    if (c.type != Command::Set || c.args.size() > 5)
        return {Final::Error};
    int values[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < int(c.args.size()); ++i) {
        if (c.args[i].text.isEmpty())
            continue;
        if (!isInt(c.args[i].text, &values[i]) || !cnmiAllowed(i, values[i]))
            return {Final::Error};
    }
    std::copy(values, values + 5, p.cnmi);
    return {};
}

bool AtEngine::memoryOffered(const QString &mem) const
{
    if (mem == QLatin1String("SM") || mem == QLatin1String("ME"))
        return true;
    if (mem == QLatin1String("MT"))
        return m_sim.m_mtOffered;
    return mem == QLatin1String("SR") && m_sim.m_srStore == QLatin1String("SR");
}

AtEngine::Result AtEngine::cpms(const Command &c, QByteArray *info)
{
    ModemProfile &p = m_sim.m_profile;
    SmsStore &s = m_sim.m_store;
    if (c.type == Command::Test) {
        if (!m_sim.m_cpmsTest.isNull()) {
            // A real modem's answer, one information line per LF, blank lines included.
            addInfo(info, m_sim.m_cpmsTest.split('\n'));
            return {};
        }
        QByteArray list = "\"SM\",\"ME\"";
        if (m_sim.m_mtOffered)
            list += ",\"MT\"";
        const QByteArray first = m_sim.m_srStore == QLatin1String("SR") ? list + ",\"SR\"" : list;
        addInfo(info, {"+CPMS: (" + first + "),(" + list + "),(" + list + ")"});
        return {};
    }
    if (c.type == Command::Query) {
        QByteArray line = "+CPMS: ";
        for (int i = 0; i < 3; ++i) {
            line += (i ? "," : "") + q(p.mem[i]) + ',' + QByteArray::number(s.used(p.mem[i])) +
                    ',' + QByteArray::number(s.total(p.mem[i]));
        }
        addInfo(info, {line});
        return {};
    }
    if (c.type != Command::Set || c.args.size() > 3)
        return {Final::Error};
    QString mems[3] = {p.mem[0], p.mem[1], p.mem[2]};
    for (int i = 0; i < int(c.args.size()); ++i) {
        const QString m = QString::fromLatin1(c.args[i].text).toUpper();
        if (!memoryOffered(m))
            return {Final::Cms, 302};
        mems[i] = m;
    }
    QByteArray line = "+CPMS: ";
    for (int i = 0; i < 3; ++i) {
        p.mem[i] = mems[i];
        line += (i ? "," : "") + QByteArray::number(s.used(mems[i])) + ',' +
                QByteArray::number(s.total(mems[i]));
    }
    addInfo(info, {line});
    return {};
}

QByteArray AtEngine::listingLines(const SmsEntry &e, int index) const
{
    const bool detail = m_sim.m_profile.csdh == 1;
    QByteArray head = "+CMGL: " + QByteArray::number(index) + ',' + q(e.stat) + ',';
    const QByteArray addr = '"' + encodeField(e.address) + '"';
    const QByteArray len = QByteArray::number(GsmCodec::length(e.body));
    if (e.kind == SmsEntry::StatusReport) {
        head += QByteArray::number(e.fo) + ',' + QByteArray::number(e.mr) + ',';
        head += e.emptyAddress ? QByteArray(",") : addr + ',' + QByteArray::number(e.toa());
        return head + ',' + q(e.scts) + ',' + q(e.dt) + ',' + QByteArray::number(e.st);
    }
    if (e.kind == SmsEntry::Stored) {
        head += addr + ",,";
        if (detail)
            head += ',' + QByteArray::number(e.toa()) + ',' + len;
    } else {
        head += addr + ',' + (e.alpha.isEmpty() ? QByteArray() : q(e.alpha)) + ',' + q(e.scts);
        if (detail)
            head += ',' + QByteArray::number(e.toa()) + ',' + len;
    }
    return head + m_sim.eol() + encodeBody(e.body);
}

QByteArray AtEngine::readLines(const SmsEntry &e) const
{
    const bool detail = m_sim.m_profile.csdh == 1;
    const ModemProfile &p = m_sim.m_profile;
    const QByteArray addr = '"' + encodeField(e.address) + '"';
    const QByteArray sca =
        '"' + encodeField(m_sim.m_sca) + "\"," + QByteArray::number(m_sim.m_tosca);
    const QByteArray len = QByteArray::number(GsmCodec::length(e.body));
    QByteArray head = "+CMGR: ";
    if (e.kind == SmsEntry::StatusReport) {
        head += (e.emptyStat ? QByteArray() : q(e.stat)) + ',' + QByteArray::number(e.fo) + ',' +
                QByteArray::number(e.mr) + ',';
        head += e.emptyAddress ? QByteArray(",") : addr + ',' + QByteArray::number(e.toa());
        return head + ',' + q(e.scts) + ',' + q(e.dt) + ',' + QByteArray::number(e.st);
    }
    if (e.kind == SmsEntry::Stored) {
        head += q(e.stat) + ',' + addr + ',';
        if (detail)
            head += ',' + QByteArray::number(e.toa()) + ',' + QByteArray::number(p.csmp[0]) + ',' +
                    QByteArray::number(p.csmp[2]) + ',' + QByteArray::number(p.csmp[3]) + ',' +
                    QByteArray::number(p.csmp[1]) + ',' + sca + ',' + len;
    } else {
        head += q(e.stat) + ',' + addr + ',' + (e.alpha.isEmpty() ? QByteArray() : q(e.alpha)) +
                ',' + q(e.scts);
        if (detail)
            head += ',' + QByteArray::number(e.toa()) + ",4,0,0," + sca + ',' + len;
    }
    return head + m_sim.eol() + encodeBody(e.body);
}

AtEngine::Result AtEngine::cmgl(const Command &c, QByteArray *info)
{
    if (c.type == Command::Test) {
        addInfo(info, {"+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")"});
        return {};
    }
    QString stat = QStringLiteral("REC UNREAD");
    if (c.type == Command::Set) {
        const Arg a = c.args.value(0);
        if (!a.quoted && m_sim.m_strict)
            return {Final::Error};
        stat = QString::fromLatin1(a.text).toUpper();
        bool known = false;
        for (const char *s : kStats)
            known = known || stat == QLatin1String(s);
        if (!known)
            return {Final::Error};
    } else if (c.type != Command::Exec) {
        return {Final::Error};
    }
    const QString mem = m_sim.m_profile.mem[0];
    QList<QByteArray> lines;
    for (int index : m_sim.m_store.indexes(mem)) {
        SmsEntry *e = m_sim.m_store.find(mem, index);
        if (stat != QLatin1String("ALL") && e->stat != stat)
            continue;
        lines.append(listingLines(*e, index));
        if (e->stat == QLatin1String("REC UNREAD"))
            e->stat = QStringLiteral("REC READ");
    }
    if (!lines.isEmpty())
        addInfo(info, lines);
    return {};
}

AtEngine::Result AtEngine::cmgr(const Command &c, QByteArray *info)
{
    int index = 0;
    if (c.type == Command::Test)
        return {};
    if (c.type != Command::Set || !isInt(c.args.value(0).text, &index))
        return {Final::Error};
    SmsEntry *e = m_sim.m_store.find(m_sim.m_profile.mem[0], index);
    if (!e)
        return {Final::Cms, 321};
    addInfo(info, {readLines(*e)});
    if (e->stat == QLatin1String("REC UNREAD"))
        e->stat = QStringLiteral("REC READ");
    return {};
}

AtEngine::Result AtEngine::cmgd(const Command &c, QByteArray *info)
{
    SmsStore &s = m_sim.m_store;
    const QString mem = m_sim.m_profile.mem[0];
    if (c.type == Command::Test) {
        QByteArray used;
        for (int i : s.indexes(mem))
            used += (used.isEmpty() ? "" : ",") + QByteArray::number(i);
        addInfo(info, {"+CMGD: (" + used + "),(0-4)"});
        return {};
    }
    int index = 0;
    int flag = 0;
    if (c.type != Command::Set || !isInt(c.args.value(0).text, &index) ||
        (c.args.size() > 1 && !c.args[1].text.isEmpty() &&
         (!isInt(c.args[1].text, &flag) || flag < 0 || flag > 4)))
        return {Final::Error};
    QList<int> victims;
    if (flag == 0) {
        if (s.find(mem, index))
            victims.append(index);
        else if (!m_sim.m_deleteEmptyOk)
            return {Final::Cms, 321};
    } else {
        for (int i : s.indexes(mem)) {
            const QString st = s.find(mem, i)->stat;
            const bool hit = flag == 4 || st == QLatin1String("REC READ") ||
                             (flag >= 2 && st == QLatin1String("STO SENT")) ||
                             (flag >= 3 && st == QLatin1String("STO UNSENT"));
            if (hit)
                victims.append(i);
        }
    }
    for (int i : std::as_const(victims)) {
        s.remove(mem, i);
        m_sim.m_deletions.append(i);
        m_sim.logEvent(QStringLiteral("delete"), mem + QLatin1Char(' ') + QString::number(i));
    }
    if (!victims.isEmpty())
        m_sim.retryHeld();
    return {};
}

AtEngine::Result AtEngine::cmgs(const Command &c)
{
    if (c.type == Command::Test)
        return {};
    if (c.type != Command::Set || c.args.isEmpty())
        return {Final::Error};
    const Arg da = c.args[0];
    if (!da.quoted && m_sim.m_strict)
        return {Final::Error};
    const QString number = decodeText(da.text).trimmed();
    static const QRegularExpression numberRe(QStringLiteral("^\\+?\\d+$"));
    if (!numberRe.match(number).hasMatch())
        return {Final::Cms, 305};
    if (!m_sim.m_radioOn)
        return {Final::Cms, 331};
    m_mode = Mode::TextEntry;
    m_text.clear();
    m_textDa = number;
    m_textQuoted = da.quoted;
    return {Final::Prompt};
}

} // namespace portiva::modemsim
