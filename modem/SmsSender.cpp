#include "modem/SmsSender.h"

#include "modem/ExchangeGuard.h"
#include "modem/GsmCharTables.h"
#include "modem/LineReader.h"
#include "modem/ModemClock.h"
#include "modem/ModemContext.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "platform/ui/Dialogs.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>

namespace portiva
{

namespace
{

bool isErrorResult(const QString &line)
{
    const QString t = line.trimmed();
    return t.compare(QLatin1String("ERROR"), Qt::CaseInsensitive) == 0 ||
           t.startsWith(QLatin1String("+CMS ERROR"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("+CME ERROR"), Qt::CaseInsensitive);
}

const QString kCmgs = QStringLiteral("+CMGS: ");

// The first whole line of text that holds a reference ("" when none has come whole yet).
QString completeReferenceLine(const QString &text)
{
    const qsizetype at = text.indexOf(kCmgs, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    qsizetype end = at;
    while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n')
        ++end;
    if (end == text.size())
        return {};
    qsizetype begin = at;
    while (begin > 0 && text.at(begin - 1) != u'\r' && text.at(begin - 1) != u'\n')
        --begin;
    return text.mid(begin, end - begin);
}

} // namespace

bool isSendableNumber(const QString &number)
{
    static const QRegularExpression re(QStringLiteral("^\\s*\\+?(\\d+)\\s*$"));
    const auto m = re.match(number);
    if (!m.hasMatch())
        return false;
    const QString digits = m.captured(1);
    return digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
}

SmsSender::SmsSender(ModemContext &ctx) : m_ctx(ctx) {}

QString SmsSender::referenceFrom(const QString &line) const
{
    const QString rest =
        line.mid(line.indexOf(kCmgs, 0, Qt::CaseInsensitive) + kCmgs.size()).trimmed();
    qsizetype n = 0;
    while (n < rest.size() && rest.at(n).isDigit() && rest.at(n).unicode() < 128)
        ++n;
    // "+CMGS: 17,"09/05/10,14:03:22+08"" carries the time stamp too: the reference is 17.
    return n > 0 ? rest.left(n) : rest;
}

bool SmsSender::takeReference(const QString &line)
{
    if (!line.contains(kCmgs, Qt::CaseInsensitive))
        return false;
    m_ctx.state.CmgsResult = referenceFrom(line);
    m_ctx.host.setStatusPanel(3, QStringLiteral("SMS ") + m_ctx.state.CmgsResult +
                                     QStringLiteral(" SENDT"));
    return true;
}

QString SmsSender::Get_CMGS()
{
    AppState &s = m_ctx.state;
    ModemFlags &f = m_ctx.flags();
    s.CmgsResult.clear();
    f.CmgsWaitBusy = true;
    const qint64 start = m_ctx.clock.now();
    while (m_ctx.clock.now() - start < m_ctx.timing.cmgsWindow && !m_ctx.link.linkLost()) {
        const QString line = m_ctx.reader.ReadModemLine();
        if (takeReference(line))
            break;
        if (isErrorResult(line)) {
            s.CmgsResult = QStringLiteral("ERROR");
            m_ctx.host.setStatusPanel(3, QStringLiteral("SMS SENDEFEIL"));
            break;
        }
    }
    if (!m_ctx.link.linkLost()) {
        // The rest of the answer up to its OK: a reference that comes only now, after the
        // window, is still the answer to this text.
        m_ctx.reader.WaitForOK([this](const QString &line) {
            if (m_ctx.state.CmgsResult.isEmpty())
                takeReference(line);
        });
    }
    if (s.CmgsResult.isEmpty()) {
        s.CmgsResult = QStringLiteral("Error");
        // A lost link is no time-out: the sender says what happened.
        if (!m_ctx.link.linkLost())
            m_ctx.host.setStatusPanel(3, QStringLiteral("SMS Sending TIMEOUT"));
    }
    f.CmgsWaitBusy = false;
    return s.CmgsResult;
}

bool SmsSender::answerUnanswered(const QString &line)
{
    if (!m_pending)
        return false;
    const bool reference = line.contains(kCmgs, Qt::CaseInsensitive);
    if (!reference && !isErrorResult(line))
        return false;
    m_pending = false;
    if (m_pendingEarlier) {
        m_pendingEarlier = false;
        const auto answered = std::move(earlierAnswered);
        earlierAnswered = {};
        if (answered)
            answered(reference ? referenceFrom(line) : QString());
        return false;
    }
    if (reference)
        return takeReference(line);
    m_ctx.state.CmgsResult = QStringLiteral("ERROR");
    m_ctx.host.setStatusPanel(3, QStringLiteral("SMS SENDEFEIL"));
    return false;
}

bool SmsSender::watchForAnswer(int ms)
{
    const qint64 start = m_ctx.clock.now();
    while (m_ctx.clock.now() - start < ms && !m_ctx.link.linkLost()) {
        if (answerUnanswered(m_ctx.reader.ReadModemLine())) {
            m_ctx.reader.WaitForOK();
            drainClosedEntries();
            return true;
        }
    }
    return false;
}

void SmsSender::drainClosedEntries()
{
    if (m_stalePrompts == 0)
        return;
    // Each line read counts the prompts it shows (lineRead).
    const qint64 start = m_ctx.clock.now();
    while (m_stalePrompts > 0 && !m_ctx.link.linkLost() &&
           m_ctx.clock.now() - start < m_ctx.timing.promptWindow)
        m_ctx.reader.ReadModemLine();
    m_ctx.reader.WaitForOK(); // the answer to the last entry closed
}

void SmsSender::lineRead(const QString &line)
{
    if (m_stalePrompts > 0 && line.startsWith(u'>'))
        --m_stalePrompts;
    // Inside a send the sender reads its own answers.
    if (m_sending || !m_pending || !line.contains(kCmgs, Qt::CaseInsensitive))
        return;
    m_pendingEarlier = true;
    answerUnanswered(line);
    m_ctx.host.setStatusPanel(3, QStringLiteral("SMS ") + referenceFrom(line) +
                                     QStringLiteral(" SENDT"));
}

void SmsSender::forgetUnanswered()
{
    m_pending = m_pendingEarlier = false;
    earlierAnswered = {};
    m_stalePrompts = 0;
}

SmsSender::PromptWait SmsSender::awaitPrompt()
{
    PromptWait w;
    QString passed;
    PromptResult p;
    qint64 start = m_ctx.clock.now();
    for (;;) {
        p = m_ctx.reader.WaitForPrompt();
        passed += p.skipped;
        if (p.text == QLatin1String(">") && m_stalePrompts > 0) {
            // The prompt of an entry closed unprompted before, late: this command's follows.
            --m_stalePrompts;
            p.text.clear();
            start = m_ctx.clock.now();
        }
        if (p.text == QLatin1String(">") || p.errorSeen ||
            m_ctx.clock.now() - start > m_ctx.timing.promptWindow || m_ctx.link.linkLost())
            break;
    }
    w.prompt = p.text == QLatin1String(">");
    w.errorSeen = p.errorSeen;
    if (m_pending) {
        // A reference passed over here, or still unread ahead of a prompt that did not come,
        // answers a text that went out before: this attempt's text must not follow it.
        w.lateAnswer = completeReferenceLine(passed);
        if (w.lateAnswer.isEmpty() && !w.prompt && m_ctx.link.isNetwork())
            w.lateAnswer =
                completeReferenceLine(QString::fromLatin1(m_ctx.link.NetworkReceiveBuffer));
    }
    return w;
}

bool SmsSender::writeText(const QByteArray &encoded, const PromptWait &p, bool quoted)
{
    AppState &s = m_ctx.state;
    if (p.errorSeen && !p.prompt) {
        // Refused before the prompt: the text would land in command mode.
        s.CmgsResult = QStringLiteral("ERROR");
        m_ctx.host.setStatusPanel(3, QStringLiteral("SMS SENDEFEIL"));
        if (!quoted)
            cmgsQuoted = true;
        return false;
    }
    if (p.prompt) {
        // The modem prompts only once it is done with what it had before: an earlier text
        // whose answer did not come will not be answered now.
        m_pending = m_pendingEarlier = false;
        earlierAnswered = {};
    }
    m_ctx.link.SendData(encoded);
    if (m_ctx.link.SendData(QByteArray(1, '\x1a'))) {
        m_pending = true;
        m_ownTextWent = true;
    }
    const QString result = Get_CMGS();
    if (result != QLatin1String("Error"))
        m_pending = false; // answered: a reference, or refused and not sent
    return result != QLatin1String("Error") && result != QLatin1String("ERROR");
}

bool SmsSender::attempt(const QByteArray &encoded, const QString &number)
{
    AppState &s = m_ctx.state;
    const bool quoted = cmgsQuoted;
    const QString cmd = quoted ? QStringLiteral("AT+CMGS=\"%1\"\r").arg(number)
                               : QStringLiteral("AT+CMGS=%1\r").arg(number);
    dropWaitingPrompts();
    m_ctx.link.SendData(cmd.toLatin1());
    PromptWait p = awaitPrompt();
    if (m_ctx.link.linkLost())
        return true; // the text stays here
    if (!p.lateAnswer.isEmpty()) {
        if (answerUnanswered(p.lateAnswer)) {
            m_ctx.link.SendData(QByteArray(1, '\x1b')); // closes the entry this attempt opened
            m_ctx.reader.WaitForOK();
            drainClosedEntries();
            return true;
        }
        // An earlier send's answer came first: this command's prompt follows it.
        if (!p.prompt)
            p = awaitPrompt();
    }
    if (m_pending && !p.prompt) {
        // The modem may still be busy with a text that went out before: no other text may
        // follow it unprompted, or the modem submits both.
        m_ctx.link.SendData(QByteArray(1, '\x1b'));
        ++m_stalePrompts;
        if (m_pendingEarlier) {
            m_heldBack = true;
            m_ctx.host.setStatusPanel(
                3, phrase(u"SMS venter: modemet har ikke svart på forrige SMS",
                          u"SMS venter: modemet har ikke svaret på forrige SMS",
                          u"SMS väntar: modemet har inte svarat på föregående SMS"));
            return true;
        }
        if (watchForAnswer(m_ctx.timing.cmgsWindow))
            return true;
        if (m_pending) {
            s.CmgsResult = QStringLiteral("Error");
            m_ctx.host.setStatusPanel(3, QStringLiteral("SMS Sending TIMEOUT"));
        }
    } else {
        if (writeText(encoded, p, quoted) || m_ctx.link.linkLost())
            return true;
        if (s.CmgsResult == QLatin1String("Error"))
            m_ctx.link.SendData(QByteArray(1, '\x1b')); // closes an entry still open
    }
    // The retry pause listens: the answer that comes now belongs to the text that went.
    return watchForAnswer(m_ctx.timing.retryPause) || m_ctx.link.linkLost();
}

void SmsSender::dropWaitingPrompts()
{
    // The serial reads take every byte as it comes; the network buffer keeps a prompt without
    // a line end until more follows.
    if (!m_ctx.link.isNetwork())
        return;
    m_ctx.clock.pump();
    QByteArray &buffer = m_ctx.link.NetworkReceiveBuffer;
    qsizetype at = buffer.indexOf('>');
    while (at >= 0) {
        qsizetype end = at + 1;
        if (end < buffer.size() && buffer.at(end) == ' ')
            ++end;
        const bool ownLine =
            (at == 0 || buffer.at(at - 1) == '\r' || buffer.at(at - 1) == '\n') &&
            (end == buffer.size() || buffer.at(end) == '\r' || buffer.at(end) == '\n');
        if (ownLine) {
            buffer.remove(at, end - at);
            if (m_stalePrompts > 0)
                --m_stalePrompts;
        } else {
            ++at;
        }
        at = buffer.indexOf('>', at);
    }
}

void SmsSender::showLinkLoss()
{
    m_ctx.host.setStatusPanel(
        3, textMayHaveGone()
               ? phrase(u"SMS avbrutt: kanskje sendt, forbindelsen til modemet er brutt",
                        u"SMS afbrudt: måske sendt, forbindelsen til modemet er afbrudt",
                        u"SMS avbrutet: kanske skickat, förbindelsen till modemet är bruten")
               : phrase(u"SMS ikke sendt: forbindelsen til modemet er brutt",
                        u"SMS ikke sendt: forbindelsen til modemet er afbrudt",
                        u"SMS inte skickat: förbindelsen till modemet är bruten"));
}

QString SmsSender::Send_SMS(const QString &text, const QString &number)
{
    AppState &s = m_ctx.state;
    m_ctx.TimerCom.stop();
    s.CmgsResult.clear();
    m_heldBack = false;
    m_ownTextWent = false;
    m_pendingEarlier = m_pending;
    if (!s.ModemReady || m_ctx.link.linkLost() || !isSendableNumber(number))
        return s.CmgsResult;
    m_ctx.host.setStatusPanel(3, QStringLiteral("Sender SMS"));
    if (text.isEmpty())
        return s.CmgsResult;
    const QByteArray encoded = GsmCharTables::encode(text);
    if (encoded.size() > 160) {
        s.CmgsResult = QStringLiteral("ERROR");
        m_ctx.host.setStatusPanel(3, QStringLiteral("SMS SENDEFEIL"));
        return s.CmgsResult;
    }
    m_sending = true;
    const auto done = qScopeGuard([this] { m_sending = false; });
    const QString trimmed = number.trimmed();
    for (int n = 1; n <= 5; ++n) {
        try {
            if (attempt(encoded, trimmed))
                break;
        } catch (const LinkError &) {
            m_ctx.link.setLinkLost(true);
            break;
        } catch (const std::exception &) {
            dialogs().beep();
            if (s.CmgsResult.isEmpty())
                s.CmgsResult = QStringLiteral("Error");
        }
    }
    if (m_heldBack)
        s.CmgsResult.clear();
    if (m_ctx.link.linkLost())
        showLinkLoss();
    return s.CmgsResult;
}

} // namespace portiva
