#include "modem/ReceivedSmsHandler.h"

#include "modem/LineReader.h"
#include "modem/ModemContext.h"

#include <QTimer>

namespace portiva
{

void ListingDrain::Read_SMS_MessageTEXT()
{
    ModemFlags &f = m_ctx.flags();
    f.ReadingMessages = true;
    ExchangeGuard guard(m_ctx.exchange, f.ReadingMessages, [this] {
        m_ctx.flags().ReadingMessages = false;
        m_ctx.setTimerCom(true);
        m_ctx.restartSendTimer(m_ctx.timing.sendOperator);
    });
    m_ctx.TimerSEND_SMS.stop();
    m_ctx.reader.WaitForOK();
}

} // namespace portiva
