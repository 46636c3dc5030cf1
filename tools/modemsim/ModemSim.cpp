#include "tools/modemsim/ModemSim.h"

#include "tools/modemsim/AtEngine.h"
#include "tools/modemsim/ControlServer.h"
#include "tools/modemsim/GsmCodec.h"
#include "tools/modemsim/PtyLink.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace portiva::modemsim
{

namespace
{
const int kCoalesceQuietMs = 50;
} // namespace

ModemSim::ModemSim(QObject *parent) : QObject(parent), m_engine(std::make_unique<AtEngine>(*this))
{
    m_uptime.start();
    m_clockBase = QDateTime::currentDateTime();
    m_clockQuarters = m_clockBase.offsetFromUtc() / 900;
    m_clockRun.start();
    m_coalesceTimer = new QTimer(this);
    m_coalesceTimer->setSingleShot(true);
    connect(m_coalesceTimer, &QTimer::timeout, this, [this] {
        const QByteArray block = m_coalesced;
        m_coalesced.clear();
        transmit(block);
    });
    resetProfile();
    m_stored = m_profile;
}

ModemSim::~ModemSim() = default;

void ModemSim::resetProfile()
{
    m_profile = ModemProfile();
    m_profile.cscs = m_charsetReset;
}

// --- transports -------------------------------------------------------------------------------

bool ModemSim::listen(quint16 port)
{
    if (!m_server) {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &ModemSim::onNewClient);
    }
    return m_server->isListening() || m_server->listen(QHostAddress::LocalHost, port);
}

quint16 ModemSim::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

void ModemSim::onNewClient()
{
    while (QTcpSocket *s = m_server->nextPendingConnection()) {
        if (m_client) {
            // One terminal at a time, as a serial modem behind a terminal server.
            logEvent(QStringLiteral("link"), QStringLiteral("second client refused"));
            s->abort();
            s->deleteLater();
            continue;
        }
        m_client = s;
        connect(s, &QTcpSocket::readyRead, this, &ModemSim::onClientData);
        connect(s, &QTcpSocket::disconnected, this, &ModemSim::onClientGone);
        logEvent(QStringLiteral("link"), QStringLiteral("connect"));
        emit linkChanged(true);
    }
}

void ModemSim::onClientData()
{
    if (m_client)
        feed(m_client->readAll());
}

void ModemSim::onClientGone()
{
    if (!m_client)
        return;
    m_client->deleteLater();
    m_client = nullptr;
    m_engine->linkLost();
    logEvent(QStringLiteral("link"), QStringLiteral("disconnect"));
    emit linkChanged(false);
}

bool ModemSim::openPty(const QString &linkPath)
{
    m_ptyLinkPath = linkPath;
    return replug();
}

bool ModemSim::replug()
{
    if (!m_pty) {
        m_pty = std::make_unique<PtyLink>();
        connect(m_pty.get(), &PtyLink::received, this, &ModemSim::feed);
    }
    QString error;
    if (!m_pty->open(&error)) {
        logEvent(QStringLiteral("link"), QStringLiteral("pty failed: ") + error);
        return false;
    }
    if (!m_ptyLinkPath.isEmpty()) {
        QFile::remove(m_ptyLinkPath);
        QFile::link(m_pty->slavePath(), m_ptyLinkPath);
    }
    logEvent(QStringLiteral("link"), QStringLiteral("pty ") + m_pty->slavePath());
    emit linkChanged(true);
    return true;
}

void ModemSim::unplug()
{
    if (!m_pty || !m_pty->isOpen())
        return;
    m_pty->close();
    m_engine->linkLost();
    logEvent(QStringLiteral("link"), QStringLiteral("unplug"));
    emit linkChanged(false);
}

QString ModemSim::ptyPath() const
{
    return m_pty ? m_pty->slavePath() : QString();
}

bool ModemSim::isConnected() const
{
    return m_client || (m_pty && m_pty->isOpen());
}

void ModemSim::dropLink()
{
    logEvent(QStringLiteral("link"), QStringLiteral("drop"));
    if (m_client) {
        QTcpSocket *c = m_client;
        m_client = nullptr;
        c->disconnect(this);
        c->abort();
        c->deleteLater();
        m_engine->linkLost();
        emit linkChanged(false);
    } else {
        unplug();
    }
}

bool ModemSim::listenControl(quint16 port)
{
    if (!m_control)
        m_control = std::make_unique<ControlServer>(*this);
    return m_control->listen(port);
}

quint16 ModemSim::controlPort() const
{
    return m_control ? m_control->port() : 0;
}

void ModemSim::feed(const QByteArray &bytes)
{
    m_engine->input(bytes);
}

// --- output -----------------------------------------------------------------------------------

QByteArray ModemSim::eol() const
{
    switch (m_lineEnd) {
    case LineEnd::Cr:
        return "\r";
    case LineEnd::CrCrLf:
        return "\r\r\n";
    case LineEnd::CrLf:
        break;
    }
    return "\r\n";
}

int ModemSim::delay(int ms) const
{
    return qMax(0, int(ms * m_timescale));
}

void ModemSim::write(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_silent) {
        logBytes(QStringLiteral("fault"), "silenced " + bytes);
        return;
    }
    if (m_coalesce) {
        m_coalesced += bytes;
        m_coalesceTimer->start(delay(kCoalesceQuietMs));
        return;
    }
    transmit(bytes);
}

void ModemSim::transmit(const QByteArray &bytes)
{
    if (m_splitChunk <= 0) {
        linkWrite(bytes);
        return;
    }
    for (qsizetype i = 0; i < bytes.size(); i += m_splitChunk)
        m_chunks.append(bytes.mid(i, m_splitChunk));
    pumpChunks();
}

void ModemSim::pumpChunks()
{
    if (m_chunkTimerRunning)
        return;
    while (!m_chunks.isEmpty()) {
        linkWrite(m_chunks.takeFirst());
        if (m_splitGap > 0 && !m_chunks.isEmpty()) {
            m_chunkTimerRunning = true;
            QTimer::singleShot(delay(m_splitGap), this, [this] {
                m_chunkTimerRunning = false;
                pumpChunks();
            });
            return;
        }
    }
}

void ModemSim::linkWrite(const QByteArray &bytes)
{
    logBytes(QStringLiteral("out"), bytes);
    if (m_client)
        m_client->write(bytes);
    if (m_pty)
        m_pty->write(bytes);
    emit written(bytes);
}

void ModemSim::setSilent(bool on)
{
    m_silent = on;
}

void ModemSim::setSplit(int chunk, int gapMs)
{
    m_splitChunk = qMax(0, chunk);
    m_splitGap = qMax(0, gapMs);
    if (m_splitChunk == 0 && !m_chunks.isEmpty()) {
        const QByteArray rest = m_chunks.join();
        m_chunks.clear();
        linkWrite(rest);
    }
}

void ModemSim::setCoalesce(bool on)
{
    m_coalesce = on;
    if (!on && !m_coalesced.isEmpty()) {
        m_coalesceTimer->stop();
        const QByteArray block = m_coalesced;
        m_coalesced.clear();
        transmit(block);
    }
}

void ModemSim::setLineEnd(LineEnd end)
{
    m_lineEnd = end;
}

QByteArray ModemSim::framedNotice(const QByteArray &line) const
{
    return eol() + line + eol();
}

void ModemSim::sendNotice(const QByteArray &line, bool mid)
{
    if (mid) {
        m_midNotice = line;
        m_hasMidNotice = true;
        return;
    }
    queueNotice(line);
}

void ModemSim::queueNotice(const QByteArray &line)
{
    m_heldNotices.append(line);
    flushNotices();
}

void ModemSim::flushNotices()
{
    // Never inside another response or an open text entry.
    if (!m_engine->idle())
        return;
    while (!m_heldNotices.isEmpty()) {
        const QByteArray line = m_heldNotices.takeFirst();
        logBytes(QStringLiteral("notice"), line);
        write(framedNotice(line));
    }
}

// --- log --------------------------------------------------------------------------------------

void ModemSim::logEvent(const QString &kind, const QString &text)
{
    m_events.append({m_uptime.elapsed(), kind, text});
}

void ModemSim::logBytes(const QString &kind, const QByteArray &bytes)
{
    QString text;
    for (char c : bytes) {
        const uchar u = uchar(c);
        if (u >= 0x20 && u < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x") +
                    QString::number(u, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    logEvent(kind, text);
}

QStringList ModemSim::commandLog() const
{
    QStringList out;
    for (const SimEvent &e : m_events) {
        if (e.kind == QLatin1String("cmd"))
            out.append(e.text);
    }
    return out;
}

// --- faults -----------------------------------------------------------------------------------

void ModemSim::addFault(const FaultRule &rule)
{
    m_faults.append(rule);
}

void ModemSim::clearFaults(const QString &prefix)
{
    m_faults.removeIf([&](const FaultRule &r) {
        return prefix.isEmpty() || r.prefix.compare(prefix, Qt::CaseInsensitive) == 0;
    });
}

// The answer is written straight to the link and not logged: it goes on without bound, and
// the simulator's own memory must not grow with it.
void ModemSim::streamEndless(const QString &prefix, const QByteArray &lines)
{
    logEvent(QStringLiteral("fault"), prefix + QStringLiteral(" endless"));
    m_endlessPrefix = prefix;
    m_endlessLines = lines;
    if (lines.isEmpty())
        return;
    if (!m_endlessTimer) {
        m_endlessTimer = new QTimer(this);
        m_endlessTimer->setInterval(2);
        connect(m_endlessTimer, &QTimer::timeout, this, &ModemSim::pumpEndless);
    }
    m_endlessTimer->start();
    pumpEndless();
}

void ModemSim::pumpEndless()
{
    const bool on = std::any_of(m_faults.cbegin(), m_faults.cend(), [this](const FaultRule &r) {
        return r.action == FaultRule::Endless &&
               r.prefix.compare(m_endlessPrefix, Qt::CaseInsensitive) == 0;
    });
    if (!on) {
        m_endlessTimer->stop();
        m_endlessLines.clear();
        return;
    }
    constexpr qint64 kChunk = 64 * 1024;
    if ((m_client && m_client->bytesToWrite() > kChunk) || (m_pty && m_pty->pending() > kChunk))
        return; // the reader is behind: wait rather than pile the answer up here
    QByteArray chunk;
    while (chunk.size() < kChunk)
        chunk += m_endlessLines;
    if (m_client)
        m_client->write(chunk);
    if (m_pty)
        m_pty->write(chunk);
    m_endlessSent += chunk.size();
    emit written(chunk);
}

const FaultRule *ModemSim::takeFault(const QString &command, bool atSubmit)
{
    for (qsizetype i = 0; i < m_faults.size(); ++i) {
        FaultRule &r = m_faults[i];
        if (r.atSubmit != atSubmit || !command.startsWith(r.prefix, Qt::CaseInsensitive))
            continue;
        logEvent(QStringLiteral("fault"),
                 r.prefix + QStringLiteral(" action ") + QString::number(int(r.action)));
        static FaultRule fired;
        fired = r;
        if (r.times > 0 && --r.times == 0)
            m_faults.removeAt(i);
        return &fired;
    }
    return nullptr;
}

// --- clock ------------------------------------------------------------------------------------

void ModemSim::setClock(const QDateTime &local, int quarterHours)
{
    m_clockBase = local;
    m_clockQuarters = quarterHours;
    m_clockRun.restart();
}

QString ModemSim::timestamp() const
{
    const QDateTime now = m_clockBase.addMSecs(m_clockRun.elapsed());
    const int q = m_clockQuarters;
    return now.toString(QStringLiteral("yy/MM/dd,hh:mm:ss")) +
           (q < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1").arg(qAbs(q), 2, 10, QLatin1Char('0'));
}

void ModemSim::setMemoryShape(const QString &memory, const MemoryShape &shape)
{
    m_store.setShape(memory, shape);
}

bool ModemSim::loadCnmiRange(const QString &dumpFile)
{
    QFile f(dumpFile);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (QByteArray line : f.readAll().split('\n')) {
        line = line.trimmed();
        if (line.startsWith("+CNMI:")) {
            m_cnmiRange = line;
            return true;
        }
    }
    return false;
}

} // namespace portiva::modemsim
