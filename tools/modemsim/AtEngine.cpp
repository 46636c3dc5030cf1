#include "tools/modemsim/AtEngine.h"

#include "tools/modemsim/GsmCodec.h"
#include "tools/modemsim/ModemSim.h"

#include <QRegularExpression>
#include <QTimer>

namespace portiva::modemsim
{

namespace
{
const char kCtrlZ = 0x1A;
const char kEsc = 0x1B;
const int kMaxLine = 4096; // a longer command line is cut; the modem never grows without bound
const int kMaxText = 4096;
} // namespace

AtEngine::AtEngine(ModemSim &sim) : m_sim(sim) {}

void AtEngine::linkLost()
{
    // The modem keeps its settings and storage, but a half-typed line or text entry is gone.
    m_line.clear();
    m_echo.clear();
    if (m_mode == Mode::TextEntry) {
        m_mode = Mode::Command;
        m_text.clear();
    }
}

void AtEngine::input(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (m_busy) {
            m_pending += bytes.mid(i);
            break;
        }
        if (m_mode == Mode::TextEntry)
            textByte(bytes[i]);
        else
            commandByte(bytes[i]);
    }
    flushEcho();
}

void AtEngine::flushEcho()
{
    if (!m_echo.isEmpty()) {
        m_sim.write(m_echo);
        m_echo.clear();
    }
}

void AtEngine::commandByte(char b)
{
    if (m_sim.m_profile.echo)
        m_echo += b;
    switch (b) {
    case '\r': {
        const QByteArray line = m_line;
        m_line.clear();
        processLine(line);
        return;
    }
    case '\n':
        return;
    case 0x08:
        m_line.chop(1);
        return;
    case kEsc:
        if (!m_line.isEmpty())
            m_sim.logBytes(QStringLiteral("junk"), m_line + kEsc);
        m_line.clear();
        return;
    default:
        if (m_line.size() < kMaxLine)
            m_line += b;
    }
}

void AtEngine::processLine(const QByteArray &line)
{
    const qsizetype at = line.toUpper().indexOf("AT");
    if (at < 0) {
        if (!line.isEmpty())
            m_sim.logBytes(QStringLiteral("junk"), line);
        return;
    }
    if (at > 0)
        m_sim.logBytes(QStringLiteral("junk"), line.left(at));
    flushEcho();
    m_sim.logBytes(QStringLiteral("cmd"), line.mid(at));
    execute(line.mid(at + 2));
}

bool AtEngine::splitCommands(const QByteArray &text, QList<QByteArray> *pieces) const
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const char c = text[i];
        if (c == ' ' || c == ';') {
            ++i;
            continue;
        }
        qsizetype j = i;
        if (c == '+' || c == '$' || c == '^') {
            bool quoted = false;
            while (j < n && (quoted || text[j] != ';')) {
                if (text[j] == '"')
                    quoted = !quoted;
                ++j;
            }
        } else if (c == '&' || c == '\\') {
            j += 2;
            while (j < n && QChar::isDigit(uchar(text[j])))
                ++j;
        } else if (QChar::isLetter(uchar(c))) {
            ++j;
            while (j < n && QChar::isDigit(uchar(text[j])))
                ++j;
        } else {
            return false;
        }
        pieces->append(text.mid(i, qMin(j, n) - i));
        i = j;
    }
    return true;
}

QList<AtEngine::Arg> AtEngine::parseArgs(const QByteArray &text)
{
    QList<Arg> args;
    Arg current;
    bool inQuotes = false;
    for (char c : text) {
        if (c == '"') {
            inQuotes = !inQuotes;
            current.quoted = true;
        } else if (c == ',' && !inQuotes) {
            if (!current.quoted)
                current.text = current.text.trimmed();
            args.append(current);
            current = Arg();
        } else {
            current.text += c;
        }
    }
    if (!current.quoted)
        current.text = current.text.trimmed();
    args.append(current);
    return args;
}

AtEngine::Command AtEngine::parse(const QByteArray &piece)
{
    Command c;
    const char first = piece.isEmpty() ? 0 : piece[0];
    if (first == '+' || first == '$' || first == '^') {
        qsizetype end = 1;
        while (end < piece.size() && piece[end] != '=' && piece[end] != '?')
            ++end;
        c.name = piece.left(end).toUpper().trimmed();
        const QByteArray rest = piece.mid(end);
        if (rest.startsWith("=?")) {
            c.type = Command::Test;
        } else if (rest.startsWith('?')) {
            c.type = Command::Query;
        } else if (rest.startsWith('=')) {
            c.type = Command::Set;
            c.args = parseArgs(rest.mid(1));
        }
        return c;
    }
    const int nameLength = (first == '&' || first == '\\') ? 2 : 1;
    c.name = piece.left(nameLength).toUpper();
    const QByteArray digits = piece.mid(nameLength);
    c.hasNumber = !digits.isEmpty();
    c.number = digits.toInt();
    return c;
}

void AtEngine::execute(const QByteArray &afterAt)
{
    // Notices raised by the commands themselves (a deletion making room) follow the answer.
    m_executing = true;
    executeLine(afterAt);
    m_executing = false;
    m_sim.flushNotices();
}

void AtEngine::executeLine(const QByteArray &afterAt)
{
    QList<QByteArray> pieces;
    QByteArray info;
    Result result;
    int delayMs = 0;
    bool noEnd = false;
    QString endlessPrefix;
    if (!splitCommands(afterAt, &pieces))
        result.final = Final::Error;
    else if (pieces.isEmpty())
        pieces.append(QByteArray()); // a bare "AT", which faults may still aim at
    for (const QByteArray &piece : std::as_const(pieces)) {
        if (result.final != Final::Ok)
            break;
        const Command c = parse(piece);
        const FaultRule *f =
            m_sim.takeFault(QStringLiteral("AT") + QString::fromLatin1(piece), false);
        if (f) {
            switch (f->action) {
            case FaultRule::Silence:
                return;
            case FaultRule::Drop:
                m_sim.dropLink();
                return;
            case FaultRule::Reply:
                finish(info + f->bytes, 0);
                return;
            case FaultRule::Error:
                result.final = Final::Error;
                continue;
            case FaultRule::Cms:
                result = {Final::Cms, f->value};
                continue;
            case FaultRule::Cme:
                result = {Final::Cme, f->value};
                continue;
            case FaultRule::NotSupport:
                result.final = Final::NotSupport;
                continue;
            case FaultRule::Ok:
                continue;
            case FaultRule::Delay:
                delayMs += f->value;
                break;
            case FaultRule::NoEnd:
                noEnd = true;
                break;
            case FaultRule::Endless:
                endlessPrefix = f->prefix;
                break;
            }
        }
        result = run(c, &info);
        if (!endlessPrefix.isEmpty()) {
            m_sim.streamEndless(endlessPrefix, info);
            return;
        }
        if (noEnd && result.final != Final::Prompt) {
            finish(info, delayMs);
            return;
        }
    }
    if (result.final == Final::Prompt) {
        finish(info + m_sim.eol() + "> ", delayMs);
        return;
    }
    finish(info + finalText(result), delayMs);
}

void AtEngine::finish(QByteArray out, int delayMs)
{
    if (m_sim.m_hasMidNotice) {
        // Put the notice inside the response: after its first information line, or in front.
        const QByteArray e = m_sim.eol();
        const qsizetype second = out.indexOf(e, e.size());
        const qsizetype at = (out.startsWith(e) && second > 0) ? second : 0;
        out.insert(at, m_sim.framedNotice(m_sim.m_midNotice));
        m_sim.logBytes(QStringLiteral("notice"), m_sim.m_midNotice);
        m_sim.m_hasMidNotice = false;
    }
    if (delayMs <= 0) {
        m_sim.write(out);
        if (m_mode == Mode::Command)
            m_sim.flushNotices();
        return;
    }
    m_busy = true;
    QTimer::singleShot(m_sim.delay(delayMs), &m_sim, [this, out] {
        m_busy = false;
        m_sim.write(out);
        if (m_mode == Mode::Command)
            m_sim.flushNotices();
        drain();
    });
}

void AtEngine::drain()
{
    if (m_busy || m_pending.isEmpty())
        return;
    const QByteArray pending = m_pending;
    m_pending.clear();
    input(pending);
}

void AtEngine::textByte(char b)
{
    if (b == kCtrlZ) {
        flushEcho();
        submitText();
        return;
    }
    if (b == kEsc) {
        flushEcho();
        m_sim.logBytes(QStringLiteral("text"), m_textDa.toLatin1() +
                                                   (m_textQuoted ? " quoted " : " bare ") + m_text +
                                                   " (cancelled)");
        m_mode = Mode::Command;
        m_text.clear();
        finish(finalText({}), 0);
        return;
    }
    if (m_sim.m_profile.echo || m_sim.m_cmgsEcho)
        m_echo += b;
    if (m_text.size() < kMaxText)
        m_text += b;
    if (b == '\r') {
        flushEcho();
        m_sim.write(m_sim.eol() + "> ");
    }
}

void AtEngine::submitText()
{
    m_mode = Mode::Command;
    const QByteArray raw = m_text;
    m_text.clear();
    const QString text = decodeText(raw);
    m_sim.logBytes(QStringLiteral("text"),
                   m_textDa.toLatin1() + (m_textQuoted ? " quoted " : " bare ") + raw);
    // A rule after the text may name the recipient ("AT+CMGS=+4711"), quoted or not; a delay
    // is the time this text's answer takes.
    int answerDelay = m_sim.m_cmgsDelay;
    const FaultRule *f = m_sim.takeFault(QStringLiteral("AT+CMGS=") + m_textDa, true);
    if (f && f->action == FaultRule::Delay) {
        answerDelay = f->value;
    } else if (f) {
        Result r{Final::Error, f->value};
        if (f->action == FaultRule::Cms)
            r.final = Final::Cms;
        else if (f->action == FaultRule::Cme)
            r.final = Final::Cme;
        if (f->action == FaultRule::Drop) {
            m_sim.dropLink();
            return;
        }
        if (f->action != FaultRule::Silence)
            finish(finalText(r), 0);
        return;
    }
    if (text.size() > 160) {
        finish(finalText({Final::Cms, 305}), 0);
        return;
    }
    Submission s;
    s.time = m_sim.m_clockBase.addMSecs(m_sim.m_clockRun.elapsed());
    s.da = m_textDa;
    s.quoted = m_textQuoted;
    s.raw = raw;
    s.text = text;
    s.fo = m_sim.m_profile.csmp[0];
    s.mr = m_sim.m_nextMr;
    s.reportRequested = (s.fo & 0x20) != 0;
    m_sim.m_nextMr = (m_sim.m_nextMr + 1) & 0xFF;
    QList<QByteArray> lines{"+CMGS: " + QByteArray::number(s.mr)};
    if (m_sim.m_cmgsScts)
        lines[0] += ",\"" + m_sim.timestamp().toLatin1() + '"';
    QByteArray info;
    addInfo(&info, lines);
    m_sim.submit(s);
    finish(info + finalText({}), answerDelay);
}

void AtEngine::addInfo(QByteArray *info, const QList<QByteArray> &lines) const
{
    const QByteArray e = m_sim.eol();
    QByteArray joined;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += e;
        joined += lines[i];
    }
    if (m_sim.m_profile.verbose)
        *info += e + joined + e;
    else
        *info += joined + e;
}

QByteArray AtEngine::finalText(const Result &r) const
{
    const QByteArray e = m_sim.eol();
    const bool v = m_sim.m_profile.verbose;
    switch (r.final) {
    case Final::Ok:
        return v ? e + "OK" + e : QByteArray("0\r");
    case Final::Error:
        return v ? e + "ERROR" + e : QByteArray("4\r");
    case Final::Cms:
        return (v ? e : QByteArray()) + "+CMS ERROR: " + QByteArray::number(r.code) + e;
    case Final::Cme:
        return (v ? e : QByteArray()) + "+CME ERROR: " + QByteArray::number(r.code) + e;
    case Final::NotSupport:
        return (v ? e : QByteArray()) + "COMMAND NOT SUPPORT" + e;
    case Final::Prompt:
        break;
    }
    return {};
}

QByteArray AtEngine::encodeField(const QString &text) const
{
    if (m_sim.m_profile.cscs == QLatin1String("UCS2")) {
        QByteArray out;
        for (QChar c : text)
            out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return out;
    }
    if (m_sim.m_profile.cscs == QLatin1String("IRA")) {
        QByteArray out;
        for (QChar c : text)
            out += (c.unicode() < 128) ? char(c.unicode()) : '?';
        return out;
    }
    return GsmCodec::encodeLossy(text);
}

QByteArray AtEngine::encodeBody(const QByteArray &gsm) const
{
    if (m_sim.m_profile.cscs == QLatin1String("GSM"))
        return gsm;
    return encodeField(GsmCodec::decode(gsm));
}

QString AtEngine::decodeText(const QByteArray &bytes) const
{
    const QString cs = m_sim.m_profile.cscs;
    if (cs == QLatin1String("UCS2")) {
        QString out;
        for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4)
            out += QChar(char16_t(bytes.mid(i, 4).toUShort(nullptr, 16)));
        return out;
    }
    if (cs == QLatin1String("IRA"))
        return QString::fromLatin1(bytes);
    return GsmCodec::decode(bytes);
}

} // namespace portiva::modemsim
