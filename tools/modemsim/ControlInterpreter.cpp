#include "tools/modemsim/ControlInterpreter.h"

#include "tools/modemsim/AtEngine.h"
#include "tools/modemsim/ModemSim.h"

#include <QRegularExpression>

namespace portiva::modemsim
{

namespace
{

const QString kOk = QStringLiteral("OK");

QStringList err(const QString &reason)
{
    return {QStringLiteral("ERR ") + reason};
}

QString printable(const QByteArray &bytes)
{
    QString out;
    for (char c : bytes) {
        const uchar u = uchar(c);
        if (u >= 0x20 && u < 0x7F && u != '\\')
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x") +
                   QString::number(u, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    return out;
}

bool unescape(const QByteArray &in, qsizetype *pos, QByteArray *out, QString *error)
{
    // *pos is just after the opening quote; on success it is just after the closing one.
    qsizetype i = *pos;
    while (i < in.size()) {
        const char c = in[i++];
        if (c == '"') {
            *pos = i;
            return true;
        }
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (i >= in.size())
            break;
        const char e = in[i++];
        switch (e) {
        case 'n':
            *out += '\n';
            break;
        case 'r':
            *out += '\r';
            break;
        case 't':
            *out += '\t';
            break;
        case '\\':
            *out += '\\';
            break;
        case '"':
            *out += '"';
            break;
        case 'x': {
            bool ok = false;
            const int v = in.mid(i, 2).toInt(&ok, 16);
            if (!ok || in.mid(i, 2).size() != 2) {
                *error = QStringLiteral("bad \\x escape");
                return false;
            }
            *out += char(v);
            i += 2;
            break;
        }
        default:
            *error = QStringLiteral("unknown escape \\%1").arg(QLatin1Char(e));
            return false;
        }
    }
    *error = QStringLiteral("unterminated string");
    return false;
}

} // namespace

bool ControlInterpreter::split(const QByteArray &line, QList<QByteArray> *words,
                               QList<int> *keyEnds, QString *error)
{
    qsizetype i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        QByteArray word;
        bool seenQuote = false;
        int keyEnd = -1; // a "=" before any string makes the word key=value
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line[i] == '"') {
                ++i;
                seenQuote = true;
                if (!unescape(line, &i, &word, error))
                    return false;
            } else {
                if (line[i] == '=' && !seenQuote && keyEnd < 0 && !word.isEmpty())
                    keyEnd = int(word.size());
                word += line[i++];
            }
        }
        words->append(word);
        keyEnds->append(keyEnd);
    }
    return true;
}

QStringList ControlInterpreter::execute(const QString &line)
{
    QList<QByteArray> words;
    QList<int> keyEnds;
    QString error;
    if (!split(line.toUtf8(), &words, &keyEnds, &error))
        return err(error);
    if (words.isEmpty())
        return err(QStringLiteral("empty line"));
    Words w;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const int eq = keyEnds[i];
        // A fault's command prefix may hold "=" itself (AT+CNMI=1,1,0,2,1).
        const bool prefixWord = i == 1 && words[0] == "fault";
        if (eq > 0 && !prefixWord)
            w.options.insert(QString::fromUtf8(words[i].left(eq)).toLower(), words[i].mid(eq + 1));
        else
            w.positional.append(words[i]);
    }
    const QString verb = QString::fromUtf8(words[0]).toLower();
    Reply r = dispatch(verb, w);
    if (r.isEmpty())
        return err(QStringLiteral("unknown command: ") + verb);
    return r;
}

bool ControlInterpreter::onOff(const QByteArray &word, bool *value)
{
    const QByteArray l = word.toLower();
    if (l == "on" || l == "yes" || l == "ok") {
        *value = true;
        return true;
    }
    if (l == "off" || l == "no" || l == "error") {
        *value = false;
        return true;
    }
    m_error = QStringLiteral("expected on or off, got '%1'").arg(QString::fromUtf8(word));
    return false;
}

bool ControlInterpreter::number(const QByteArray &word, int *value, int lo, int hi)
{
    bool ok = false;
    *value = word.toInt(&ok);
    if (ok && *value >= lo && *value <= hi)
        return true;
    m_error = QStringLiteral("expected a number %1-%2, got '%3'")
                  .arg(lo)
                  .arg(hi)
                  .arg(QString::fromUtf8(word));
    return false;
}

bool ControlInterpreter::checkOptions(const Words &w, const QStringList &allowed)
{
    for (auto it = w.options.cbegin(); it != w.options.cend(); ++it) {
        if (!allowed.contains(it.key())) {
            m_error = QStringLiteral("unknown option ") + it.key();
            return false;
        }
    }
    return true;
}

bool ControlInterpreter::need(const Words &w, int count)
{
    if (w.positional.size() >= count)
        return true;
    m_error = QStringLiteral("missing argument");
    return false;
}

ControlInterpreter::Reply ControlInterpreter::dispatch(const QString &verb, Words &w)
{
    static const QStringList messageVerbs{"sms", "smsraw", "stored", "status-report", "notice"};
    static const QStringList faultVerbs{"fault", "silence", "drop", "unplug", "replug"};
    static const QStringList lineVerbs{"split",     "coalesce",    "lineend",       "cmgs",
                                       "strict",    "identity",    "charset-reset", "clock",
                                       "timescale", "modem-number"};
    static const QStringList storageVerbs{"memory",     "mt",        "status-report-store",
                                          "cnmi-range", "cpms-test", "delete-empty"};
    static const QStringList queryVerbs{"log",  "mark",  "submitted", "deleted",
                                        "list", "state", "units"};
    Reply r;
    if (messageVerbs.contains(verb))
        r = messages(verb, w);
    else if (faultVerbs.contains(verb))
        r = faults(verb, w);
    else if (lineVerbs.contains(verb))
        r = lineShape(verb, w);
    else if (storageVerbs.contains(verb))
        r = storage(verb, w);
    else if (queryVerbs.contains(verb))
        r = queries(verb, w);
    else if (verb == QLatin1String("unit"))
        r = unitCommand(w);
    else
        return {};
    if (r.isEmpty())
        return err(m_error.isEmpty() ? QStringLiteral("bad arguments") : m_error);
    return r;
}

ControlInterpreter::Reply ControlInterpreter::messages(const QString &verb, Words &w)
{
    if (verb == QLatin1String("notice")) {
        if (!need(w, 1) || !checkOptions(w, {"at"}))
            return {};
        const QByteArray at = w.options.value(QStringLiteral("at"), "now");
        if (at != "now" && at != "mid")
            return m_error = QStringLiteral("at= now or mid"), Reply{};
        m_sim.sendNotice(w.positional[0], at == "mid");
        return {kOk};
    }
    if (verb == QLatin1String("status-report")) {
        if (w.positional.isEmpty() && w.options.contains(QStringLiteral("delay"))) {
            int ms = 0;
            if (!checkOptions(w, {"delay"}) || !number(w.options["delay"], &ms, 0, 3600000))
                return {};
            m_sim.setStatusReportDelay(ms);
            return {kOk};
        }
        int mr = 0, st = 0, fo = 6;
        if (!need(w, 3) || !checkOptions(w, {"fo", "form", "notify", "stat", "scts", "dt"}) ||
            !number(w.positional[0], &mr, 0, 255) || !number(w.positional[2], &st, 0, 255) ||
            !number(w.options.value(QStringLiteral("fo"), "6"), &fo, 0, 255))
            return {};
        SmsEntry e;
        e.kind = SmsEntry::StatusReport;
        e.mr = mr;
        e.st = st;
        e.fo = fo;
        e.address = QString::fromUtf8(w.positional[1]);
        e.emptyAddress = w.options.value(QStringLiteral("form")) == "empty";
        e.emptyStat = w.options.value(QStringLiteral("stat")) == "empty";
        if (w.options.value(QStringLiteral("stat")) == "read")
            e.stat = QStringLiteral("REC READ");
        e.scts =
            QString::fromUtf8(w.options.value(QStringLiteral("scts"), m_sim.timestamp().toUtf8()));
        e.dt = QString::fromUtf8(w.options.value(QStringLiteral("dt"), m_sim.timestamp().toUtf8()));
        bool notify = false;
        if (w.options.contains(QStringLiteral("notify")) && !onOff(w.options["notify"], &notify))
            return {};
        const int index = m_sim.addStatusReport(e, notify);
        if (index < 0)
            return m_error = QStringLiteral("memory full"), Reply{};
        return {QString::number(index), kOk};
    }
    if (!need(w, 2) || !checkOptions(w, {"status", "scts", "alpha", "notify"}))
        return {};
    const QString address = QString::fromUtf8(w.positional[0]);
    const QByteArray status = w.options.value(QStringLiteral("status"));
    if (verb == QLatin1String("stored")) {
        if (!status.isEmpty() && status != "unsent" && status != "sent")
            return m_error = QStringLiteral("status= unsent or sent"), Reply{};
        const int index =
            m_sim.addStored(address, QString::fromUtf8(w.positional[1]), status == "sent");
        if (index < 0)
            return m_error = QStringLiteral("memory full"), Reply{};
        return {QString::number(index), kOk};
    }
    DeliverOptions opt;
    if (!status.isEmpty() && status != "unread" && status != "read")
        return m_error = QStringLiteral("status= unread or read"), Reply{};
    opt.read = status == "read";
    opt.scts = QString::fromUtf8(w.options.value(QStringLiteral("scts")));
    opt.alpha = QString::fromUtf8(w.options.value(QStringLiteral("alpha")));
    if (w.options.contains(QStringLiteral("notify")) && !onOff(w.options["notify"], &opt.notify))
        return {};
    if (verb == QLatin1String("smsraw")) {
        const QByteArray hex = w.positional[1];
        static const QRegularExpression hexRe(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
        if (!hexRe.match(QString::fromLatin1(hex)).hasMatch())
            return m_error = QStringLiteral("body must be pairs of hex digits"), Reply{};
        m_sim.deliverRaw(address, QByteArray::fromHex(hex), opt);
        return {kOk};
    }
    QString error;
    if (!m_sim.deliverSms(address, QString::fromUtf8(w.positional[1]), opt, &error))
        return m_error = error, Reply{};
    return {kOk};
}

ControlInterpreter::Reply ControlInterpreter::faults(const QString &verb, Words &w)
{
    if (verb == QLatin1String("silence")) {
        bool on = false;
        if (!need(w, 1) || !onOff(w.positional[0], &on))
            return {};
        m_sim.setSilent(on);
        return {kOk};
    }
    if (verb == QLatin1String("drop")) {
        m_sim.dropLink();
        return {kOk};
    }
    if (verb == QLatin1String("unplug")) {
        m_sim.unplug();
        return {kOk};
    }
    if (verb == QLatin1String("replug")) {
        if (!m_sim.replug())
            return m_error = QStringLiteral("no pseudo-terminal"), Reply{};
        return {QStringLiteral("PTY ") + m_sim.ptyPath(), kOk};
    }
    if (!need(w, 1) || !checkOptions(w, {"times", "at"}))
        return {};
    if (w.positional[0] == "clear") {
        m_sim.clearFaults(QString::fromUtf8(w.positional.value(1)));
        return {kOk};
    }
    if (!need(w, 2))
        return {};
    FaultRule r;
    r.prefix = QString::fromUtf8(w.positional[0]);
    const QByteArray action = w.positional[1].toLower();
    const QByteArray arg = w.positional.value(2);
    static const QMap<QByteArray, FaultRule::Action> plain{
        {"error", FaultRule::Error},     {"notsupport", FaultRule::NotSupport},
        {"silence", FaultRule::Silence}, {"noend", FaultRule::NoEnd},
        {"drop", FaultRule::Drop},       {"ok", FaultRule::Ok},
        {"endless", FaultRule::Endless}};
    if (plain.contains(action)) {
        r.action = plain.value(action);
    } else if (action == "cms" || action == "cme") {
        r.action = action == "cms" ? FaultRule::Cms : FaultRule::Cme;
        if (!number(arg, &r.value, 0, 9999))
            return {};
    } else if (action == "delay") {
        r.action = FaultRule::Delay;
        if (!number(arg, &r.value, 0, 3600000))
            return {};
    } else if (action == "reply") {
        r.action = FaultRule::Reply;
        if (!need(w, 3))
            return {};
        r.bytes = arg;
    } else {
        return m_error = QStringLiteral("unknown fault action ") + QString::fromUtf8(action),
               Reply{};
    }
    if (w.options.contains(QStringLiteral("times")) &&
        !number(w.options["times"], &r.times, 1, 1000000))
        return {};
    const QByteArray at = w.options.value(QStringLiteral("at"), "command");
    if (at != "command" && at != "submit")
        return m_error = QStringLiteral("at= command or submit"), Reply{};
    r.atSubmit = at == "submit";
    m_sim.addFault(r);
    return {kOk};
}

} // namespace portiva::modemsim
