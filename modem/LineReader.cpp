#include "modem/LineReader.h"

#include "modem/ExchangeGuard.h"
#include "modem/ModemClock.h"
#include "modem/ModemLink.h"
#include "modem/ModemTiming.h"
#include "modem/TerminalLog.h"

#include <QRegularExpression>

namespace portiva
{

namespace
{

QString stripLine(QString s)
{
    auto front = [&s](QChar c) {
        qsizetype i = 0;
        while (i < s.size() && s.at(i) == c)
            ++i;
        s.remove(0, i);
    };
    auto back = [&s](QChar c) {
        while (!s.isEmpty() && s.back() == c)
            s.chop(1);
    };
    front(u'\n');
    back(u'\n');
    front(u'\r');
    back(u'\r');
    return s;
}

bool isOk(const QString &line)
{
    return line.compare(QLatin1String("OK"), Qt::CaseInsensitive) == 0 ||
           line.compare(QLatin1String("\rOK"), Qt::CaseInsensitive) == 0 ||
           line.compare(QLatin1String("\nOK"), Qt::CaseInsensitive) == 0;
}

bool errorLine(const QString &line)
{
    return line.contains(QLatin1String("ERROR"), Qt::CaseInsensitive);
}

} // namespace

LineReader::LineReader(ModemLink &link, ModemClock &clock, TerminalLog &log,
                       const ModemTiming &timing, ExchangeState &exchange)
    : m_link(link), m_clock(clock), m_log(log), m_timing(timing), m_exchange(exchange)
{
}

QString LineReader::ReadModemLine()
{
    const QString line = readLine(Mode::Line);
    m_exchange.noteLine(line);
    if (lineSeen)
        lineSeen(line);
    return line;
}

QString LineReader::ReadModemBodyLine()
{
    return readLine(Mode::Body);
}

QString LineReader::readLine(Mode mode)
{
    QString raw;
    if (m_link.isNetwork()) {
        raw = readNetwork(mode);
    } else {
        bool complete = true;
        raw = readSerial(mode, complete);
        if (!complete)
            return raw; // a port failure: the partial line as it stands
    }
    const QString line = stripLine(raw);
    m_log.echoReceived(QStringLiteral("<") + line + QStringLiteral("\r"));
    return line;
}

QString LineReader::readSerial(Mode mode, bool &complete)
{
    SerialChannel &port = m_link.MSComm1();
    QByteArray line;
    bool lastCr = false;
    const qint64 start = m_clock.now();
    for (;;) {
        m_clock.pump();
        if (port.bytesAvailable() > 0) {
            char c = 0;
            if (!port.getChar(&c)) {
                complete = false;
                return QString::fromLatin1(line);
            }
            lastCr = c == '\r';
            if (!lastCr)
                line.append(c);
        } else {
            if (!port.isOpen()) {
                complete = false;
                return QString::fromLatin1(line);
            }
            m_clock.pause(m_timing.lineSleepSerial);
        }
        if (lastCr && (line.size() >= 2 || mode == Mode::Body))
            break;
        if (m_clock.now() - start > m_timing.lineLimitSerial)
            return QString::fromLatin1(line);
    }
    // The LF of the CR LF pair; any other byte begins the next line and stays.
    char next = 0;
    if (port.bytesAvailable() > 0 && port.peekChar(&next) && next == '\n')
        port.getChar(&next);
    return QString::fromLatin1(line);
}

QString LineReader::readNetwork(Mode mode)
{
    QByteArray &buffer = m_link.NetworkReceiveBuffer;
    QByteArray line;
    const qint64 start = m_clock.now();
    for (;;) {
        m_clock.pump();
        const qsizetype cr = buffer.indexOf('\r');
        if (cr >= 0) {
            line = buffer.left(cr);
            buffer.remove(0, cr + 1);
            if (mode == Mode::Body)
                break;
        } else {
            m_clock.pause(m_timing.lineSleepNetwork);
        }
        if (line.size() >= 2)
            break;
        if (m_clock.now() - start > m_timing.lineLimitNetwork)
            break;
    }
    return QString::fromLatin1(line);
}

bool LineReader::WaitForOK(const std::function<void(const QString &)> &seen)
{
    for (int n = 1;; ++n) {
        const QString line = ReadModemLine();
        if (seen)
            seen(line);
        if (isOk(line))
            return true;
        if (n >= 101 || (line.isEmpty() && n >= 4))
            return false;
    }
}

PromptResult LineReader::WaitForPrompt()
{
    QString skipped;
    PromptResult r = m_link.isNetwork() ? promptNetwork(skipped) : promptSerial(skipped);
    noteSkipped(skipped);
    r.skipped = skipped;
    QString t = r.text;
    qsizetype i = 0;
    while (i < t.size() && (t.at(i) == u'\r' || t.at(i) == u'\n'))
        ++i;
    t = t.mid(i).left(999);
    r.text = t;
    m_log.echoReceived(QStringLiteral("<**") + t + QStringLiteral("\r"));
    return r;
}

PromptResult LineReader::promptSerial(QString &skipped)
{
    SerialChannel &port = m_link.MSComm1();
    PromptResult r;
    qsizetype lineStart = 0;
    const qint64 start = m_clock.now();
    for (;;) {
        m_clock.pump();
        if (port.bytesAvailable() > 0) {
            char c = 0;
            if (!port.getChar(&c))
                return r;
            if (c == '>') {
                r.text = QStringLiteral(">");
                return r;
            }
            skipped += QChar(char16_t(uchar(c)));
            if (c == '\r') {
                if (errorLine(skipped.mid(lineStart))) {
                    r.errorSeen = true;
                    return r;
                }
                lineStart = skipped.size();
            }
        } else {
            if (!port.isOpen())
                return r;
            m_clock.pause(m_timing.promptSleepSerial);
        }
        if (m_clock.now() - start > m_timing.lineLimitSerial)
            return r;
    }
}

PromptResult LineReader::promptNetwork(QString &skipped)
{
    QByteArray &buffer = m_link.NetworkReceiveBuffer;
    PromptResult r;
    const qint64 start = m_clock.now();
    for (;;) {
        m_clock.pump();
        const qsizetype gt = buffer.indexOf('>');
        // A refused command answers with a whole line before any prompt.
        qsizetype from = 0;
        for (qsizetype cr = buffer.indexOf('\r'); cr >= 0 && (gt < 0 || cr < gt);
             cr = buffer.indexOf('\r', from)) {
            const QByteArray seg = buffer.mid(from, cr - from);
            if (errorLine(QString::fromLatin1(seg))) {
                skipped += QString::fromLatin1(buffer.left(cr + 1));
                buffer.remove(0, cr + 1);
                r.errorSeen = true;
                return r;
            }
            from = cr + 1;
        }
        if (gt >= 0) {
            r.text = QStringLiteral(">");
            skipped += QString::fromLatin1(buffer.left(gt));
            buffer.remove(0, gt + 1);
            return r;
        }
        m_clock.pause(m_timing.promptSleepNetwork);
        if (m_clock.now() - start > m_timing.lineLimitNetwork)
            return r;
    }
}

void LineReader::noteSkipped(const QString &skipped)
{
    for (const QString &part :
         skipped.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
        m_exchange.noteLine(part);
}

QString LineReader::pollLine()
{
    LastModemLine.clear();
    if (m_link.isNetwork()) {
        if (m_link.NetworkReceiveBuffer.contains('\r'))
            LastModemLine = ReadModemLine();
    } else if (m_link.MSComm1().isOpen() && m_link.MSComm1().bytesAvailable() > 0) {
        LastModemLine = ReadModemLine();
    }
    return LastModemLine;
}

} // namespace portiva
