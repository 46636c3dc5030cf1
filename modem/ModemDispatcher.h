#pragma once

#include <QByteArray>
#include <QString>

namespace portiva
{

struct ModemContext;
class SendQueue;
class ReceivedSmsHandler;

// Acts on each modem line the poll reads, and runs the two poll timers' ticks.
class ModemDispatcher
{
public:
    ModemDispatcher(ModemContext &ctx, SendQueue &queue, ReceivedSmsHandler &receiver);

    void setReceiver(ReceivedSmsHandler &receiver) { m_receiver = &receiver; }
    ReceivedSmsHandler &receiver() { return *m_receiver; }
    void ModemResponse_Change(const QString &line);
    void TimerCom_Timer();
    void TimerSEND_SMS_Timer();

    QByteArray listCommand() const;
    // A new link choice may be another modem: the bare forms are tried again.
    void resetLinkQuirks();
    bool listingOutstanding() const { return m_listingOutstanding; }
    // The index digits after "+CMGL: ", or -1 when none.
    static int listingIndex(const QString &line);

private:
    void writeListCommand();
    void noticeArrived();

    ModemContext &m_ctx;
    SendQueue &m_queue;
    ReceivedSmsHandler *m_receiver;
    bool m_listingOutstanding = false;
    bool m_listQuoted = false;
    bool m_readErrorShowing = false;
};

} // namespace portiva
