#include "modem/ModemDispatcher.h"

#include "modem/LineReader.h"
#include "modem/ModemContext.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "modem/ReceivedSmsHandler.h"
#include "modem/SendQueue.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"

#include <QTimer>

namespace portiva
{

ModemDispatcher::ModemDispatcher(ModemContext &ctx, SendQueue &queue, ReceivedSmsHandler &receiver)
    : m_ctx(ctx), m_queue(queue), m_receiver(&receiver)
{
}

QByteArray ModemDispatcher::listCommand() const
{
    return m_listQuoted ? QByteArray("AT+CMGL=\"ALL\"\r") : QByteArray("AT+CMGL=ALL\r");
}

void ModemDispatcher::resetLinkQuirks()
{
    m_listQuoted = false;
    m_listingOutstanding = false;
}

void ModemDispatcher::writeListCommand()
{
    m_ctx.link.SendData(listCommand());
    m_listingOutstanding = true;
}

int ModemDispatcher::listingIndex(const QString &line)
{
    const QString tag = QStringLiteral("+CMGL: ");
    const qsizetype at = line.indexOf(tag, 0, Qt::CaseInsensitive);
    if (at < 0)
        return -1;
    qsizetype i = at + tag.size();
    int n = 0, digits = 0;
    while (i < line.size() && digits < 6 && line.at(i).unicode() >= '0' &&
           line.at(i).unicode() <= '9') {
        n = n * 10 + (line.at(i).unicode() - '0');
        ++i;
        ++digits;
    }
    return digits ? n : -1;
}

void ModemDispatcher::noticeArrived()
{
    if (m_ctx.flags().QueueNotEmpty) {
        try {
            writeListCommand();
        } catch (const std::exception &) {
            // the link-loss step follows
        }
    } else {
        m_ctx.restartSendTimer(m_ctx.timing.sendNotice);
    }
}

void ModemDispatcher::ModemResponse_Change(const QString &line)
{
    ModemFlags &f = m_ctx.flags();
    auto has = [&line](const char *s) {
        return line.contains(QLatin1String(s), Qt::CaseInsensitive);
    };
    if (has("+CMTI")) {
        m_ctx.host.setStatusPanel(2, QStringLiteral("Mottar SMS"));
        noticeArrived();
        return;
    }
    if (has("+CDSI: ")) {
        m_ctx.host.setStatusPanel(2, QStringLiteral("Mottar Kvittering"));
        noticeArrived();
        return;
    }
    if (has("OK")) {
        f.ReadingMessages = false;
        m_listingOutstanding = false;
        if (!f.QueueNotEmpty)
            m_queue.applyPollBackOff();
    }
    if (has("ERROR")) {
        // A strict modem wants the quoted status; bare commands refused otherwise stay bare.
        if (m_listingOutstanding && !m_listQuoted)
            m_listQuoted = true;
        if (!f.QueueNotEmpty)
            m_ctx.restartSendTimer(m_ctx.timing.sendNotice);
    }
    if (has("+CMGL: ")) {
        f.ReadingMessages = true;
        m_listingOutstanding = false;
        m_ctx.state.CurrentSMSIndex = listingIndex(line);
        m_ctx.host.setStatusPanel(2, QStringLiteral("Melding ") +
                                         QString::number(m_ctx.state.CurrentSMSIndex) +
                                         QStringLiteral(" MOTTATT"));
        m_ctx.TimerCom.stop();
        m_receiver->Read_SMS_MessageTEXT();
    }
}

void ModemDispatcher::TimerCom_Timer()
{
    const ModemFlags &f = m_ctx.flags();
    if (!m_ctx.state.ModemReady || f.QueueWorkerBusy || f.ModemInitBusy ||
        m_ctx.exchange.active() || m_readErrorShowing)
        return;
    try {
        const QString line = m_ctx.reader.pollLine();
        if (!line.isEmpty()) {
            m_ctx.host.setModemResponse(line);
            ModemResponse_Change(line);
        }
    } catch (const std::exception &e) {
        // One box at a time: the poll rests while it is open.
        const QString text = errorDescription(e);
        const bool wasActive = m_ctx.TimerCom.isActive();
        m_ctx.TimerCom.stop();
        m_readErrorShowing = true;
        dialogs().msgBox(text + QStringLiteral("\rRead Modem"));
        m_readErrorShowing = false;
        if (wasActive && m_ctx.state.ModemReady)
            m_ctx.setTimerCom(true);
    }
}

void ModemDispatcher::TimerSEND_SMS_Timer()
{
    const ModemFlags &f = m_ctx.flags();
    if (!m_ctx.state.ModemReady || f.QueueWorkerBusy || f.ReadingMessages || f.ManualSMSBusy ||
        f.ModemInitBusy || f.CmgsWaitBusy || m_ctx.exchange.active())
        return;
    auto step = [](auto &&fn) {
        try {
            fn();
        } catch (const std::exception &) {
            // a failing step is skipped; the next tick tries again
        }
    };
    step([this] { m_ctx.host.ProcessNewUsers(); });
    step([this] { m_ctx.host.OpenMainRecordsets(); });
    step([this] { m_queue.Send_Next_SMS(); });
    step([this] { m_ctx.host.OpenMainRecordsets(); });
    step([this] {
        if (m_ctx.state.ModemReady &&
            m_ctx.TimerSEND_SMS.interval() < m_ctx.timing.listingThreshold)
            writeListCommand();
    });
}

} // namespace portiva
