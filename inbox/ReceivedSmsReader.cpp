#include "inbox/ReceivedSmsReader.h"

#include "inbox/CallState.h"
#include "inbox/InboxLog.h"
#include "inbox/InboxRepo.h"
#include "inbox/ListingEntry.h"
#include "inbox/SmsInterpreter.h"
#include "modem/ExchangeGuard.h"
#include "modem/LineReader.h"
#include "modem/ModemContext.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"

#include <QTimer>

namespace portiva
{

Q_LOGGING_CATEGORY(lcInbox, "portiva.inbox")

ReceivedSmsReader::ReceivedSmsReader(ModemContext &ctx, Hooks hooks, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_hooks(std::move(hooks))
{
}

void ReceivedSmsReader::Read_SMS_MessageTEXT()
{
    readEntry(m_ctx.reader.LastModemLine);
}

CallState ReceivedSmsReader::freshCall() const
{
    CallState call;
    call.index = m_ctx.state.CurrentSMSIndex;
    call.today = m_hooks.today ? m_hooks.today() : QDate::currentDate();
    call.shortDateText =
        m_hooks.shortDateText ? m_hooks.shortDateText(call.today) : vb::shortDateText(call.today);
    call.CountryCode = m_ctx.state.CountryCode;
    return call;
}

void ReceivedSmsReader::readEntry(const QString &header)
{
    ModemFlags &flags = m_ctx.flags();
    flags.ReadingMessages = true;
    // The line poll and the send timer stay off until the very end, whatever fails between:
    // a poll running inside this call could take the listing's "OK" or start another call.
    ExchangeGuard guard(m_ctx.exchange, flags.ReadingMessages, [this] {
        m_ctx.setTimerCom(true);
        m_ctx.flags().ReadingMessages = false;
        m_ctx.restartSendTimer(m_ctx.timing.sendOperator);
    });
    m_ctx.TimerCom.stop();
    m_ctx.TimerSEND_SMS.stop();

    CallState call = freshCall();
    m_ctx.state.CurrentSMSSender.clear();
    QString working = header;
    if (call.index >= 0)
        interpret(header, working, call);
    endStep(working, call);
}

void ReceivedSmsReader::interpret(const QString &header, QString &working, CallState &call)
{
    const ListingEntry entry = ListingEntry::parse(header);
    InboxRepo repo(m_ctx.state.SharedConnection);
    SmsInterpreter blocks(m_ctx.state, repo);
    blocks.notice = [this](const QString &text) {
        m_ctx.host.Write2StatusBox(text + QStringLiteral("\r\n"));
    };
    switch (entry.kind) {
    case ListingEntry::Kind::Text: {
        // Not the status: a modem marks an entry read once it has been listed.
        const QString key =
            QString::number(call.index) + u'\n' + entry.sender + u'\n' + entry.timeStamp + u'\n';
        bool before = false;
        QString body;
        const bool stored = blocks.intake(
            entry, working, call,
            [&]() -> std::optional<QString> {
                const quint64 cuts = m_ctx.link.cuts();
                body = m_ctx.reader.ReadModemBodyLine();
                if (m_ctx.link.cuts() != cuts)
                    return std::nullopt;
                return body;
            },
            [&](const QString &read) { return before = m_storedOnModem.contains(key + read); });
        // Known by its body as listed: the answer's blocks have worked on working since.
        if (stored || before)
            call.storedKey = key + body;
        break;
    }
    case ListingEntry::Kind::StatusReport:
        blocks.deliveryReport(entry, call);
        break;
    case ListingEntry::Kind::Other:
        // Stored outgoing messages and unknown forms are not recorded; deleting them keeps
        // the modem's store from filling up.
        qCDebug(lcInbox).noquote() << "listing entry neither received SMS nor report:" << header;
        break;
    }
}

void ReceivedSmsReader::endStep(const QString &working, const CallState &call)
{
    m_ctx.host.setStatusPanel(2, QString::fromLatin1(ReadyText));
    containedStep("OpenMainRecordsets", [this] {
        if (m_hooks.OpenMainRecordsets)
            m_hooks.OpenMainRecordsets();
        else
            m_ctx.host.OpenMainRecordsets();
    });
    containedStep("ShowKeyUsers", [this] {
        if (m_hooks.ShowKeyUsers)
            m_hooks.ShowKeyUsers();
    });
    const bool listingEnded = m_ctx.reader.WaitForOK();
    bool deleted = false;
    if (listingEnded && call.deletable && call.index >= 0) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (deleteEntry(call.index, deleted))
                break;
        }
    }
    if (!call.storedKey.isEmpty()) {
        if (deleted)
            m_storedOnModem.remove(call.storedKey);
        else
            m_storedOnModem.insert(call.storedKey);
    }
    m_ctx.host.setModemResponse(working);
}

bool ReceivedSmsReader::deleteEntry(int index, bool &deleted)
{
    const bool sent = containedStep("AT+CMGD", [&] {
        m_ctx.link.SendData("AT+CMGD=" + QByteArray::number(index) + '\r');
        deleted = m_ctx.reader.WaitForOK();
    });
    // A link that failed is not tried again here; the entry waits for the next listing.
    return deleted || !sent;
}

} // namespace portiva
