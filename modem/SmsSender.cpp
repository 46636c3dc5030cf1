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

bool SmsSender::lateReference(int pauseMs)
{
    // The retry pause listens: a reference that comes now belongs to the text just sent.
    const qint64 start = m_ctx.clock.now();
    while (m_ctx.clock.now() - start < pauseMs && !m_ctx.link.linkLost()) {
        if (takeReference(m_ctx.reader.ReadModemLine()))
            return true;
    }
    return false;
}

SmsSender::PromptWait SmsSender::awaitPrompt()
{
    PromptWait w;
    QString passed;
    PromptResult p;
    const qint64 start = m_ctx.clock.now();
    do {
        p = m_ctx.reader.WaitForPrompt();
        passed += p.skipped;
    } while (p.text != QLatin1String(">") && !p.errorSeen &&
             m_ctx.clock.now() - start <= m_ctx.timing.promptWindow && !m_ctx.link.linkLost());
    w.prompt = p.text == QLatin1String(">");
    w.errorSeen = p.errorSeen;
    if (m_unanswered > 0) {
        // A reference passed over here, or still unread ahead of a prompt that did not come,
        // answers a text that went out before: this attempt's text must not follow it.
        w.lateReference = completeReferenceLine(passed);
        if (w.lateReference.isEmpty() && !w.prompt && m_ctx.link.isNetwork())
            w.lateReference =
                completeReferenceLine(QString::fromLatin1(m_ctx.link.NetworkReceiveBuffer));
    }
    return w;
}

bool SmsSender::attempt(const QByteArray &encoded, const QString &number)
{
    AppState &s = m_ctx.state;
    const bool quoted = cmgsQuoted;
    const QString cmd = quoted ? QStringLiteral("AT+CMGS=\"%1\"\r").arg(number)
                               : QStringLiteral("AT+CMGS=%1\r").arg(number);
    m_ctx.link.SendData(cmd.toLatin1());
    const PromptWait p = awaitPrompt();
    if (m_ctx.link.linkLost())
        return true; // the text stays here
    if (!p.lateReference.isEmpty()) {
        takeReference(p.lateReference);
        m_unanswered = 0;
        m_ctx.link.SendData(QByteArray(1, '\x1b')); // closes the entry this attempt opened
        m_ctx.reader.WaitForOK();
        return true;
    }
    QString result;
    if (p.errorSeen && !p.prompt) {
        // Refused before the prompt: the text would land in command mode.
        s.CmgsResult = QStringLiteral("ERROR");
        m_ctx.host.setStatusPanel(3, QStringLiteral("SMS SENDEFEIL"));
        if (!quoted)
            cmgsQuoted = true;
        result = s.CmgsResult;
    } else {
        m_ctx.link.SendData(encoded);
        const bool written = m_ctx.link.SendData(QByteArray(1, '\x1a'));
        if (written)
            ++m_unanswered;
        result = Get_CMGS();
        if (result == QLatin1String("ERROR") && written)
            --m_unanswered; // refused: this text did not go
        else if (result != QLatin1String("Error") && result != QLatin1String("ERROR"))
            m_unanswered = 0;
    }
    if (!result.contains(QLatin1String("error"), Qt::CaseInsensitive) || m_ctx.link.linkLost())
        return true;
    if (result == QLatin1String("Error"))
        m_ctx.link.SendData(QByteArray(1, '\x1b')); // closes an entry still open
    if (lateReference(m_ctx.timing.retryPause)) {
        m_unanswered = 0;
        return true;
    }
    return false;
}

void SmsSender::showLinkLoss()
{
    m_ctx.host.setStatusPanel(
        3, m_unanswered > 0
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
    m_unanswered = 0;
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
    if (m_ctx.link.linkLost())
        showLinkLoss();
    return s.CmgsResult;
}

} // namespace portiva
