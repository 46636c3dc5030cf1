#include "modem/SendQueue.h"

#include "modem/ExchangeGuard.h"
#include "modem/GsmCharTables.h"
#include "modem/ModemClock.h"
#include "modem/ModemContext.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "modem/SmsSender.h"
#include "modem/UnitLedger.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Dialogs.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QRegularExpression>
#include <QTimer>
#include <cmath>

namespace portiva
{

namespace
{
const QString kInFlight = QStringLiteral("Sendes fra ");
// Shows rows as interrupted; ?1 is interruptedSendText(), the rows are chosen after it.
const QString kSetInterrupted = QStringLiteral("UPDATE SMS_Sent SET CMGS = ?1, TimeReceived = "
                                               "'NA', TimeSent = 'NA', ReceivedStatus = 'NA' ");
} // namespace

QString inFlightMark(const QString &workstation)
{
    return kInFlight + workstation;
}

QString interruptedSendText()
{
    return QStringLiteral("Avbrutt, kanskje sendt");
}

int SendQueue::settleInterrupted(Connection &db, const QString &liveHolder)
{
    return db.exec(kSetInterrupted +
                       QStringLiteral("WHERE substr(CMGS, 1, ?2) = ?3 AND (?4 = '' OR CMGS <> ?4)"),
                   {interruptedSendText(), int(kInFlight.size()), kInFlight,
                    liveHolder.isEmpty() ? QStringLiteral("") : inFlightMark(liveHolder)});
}

SendQueue::SendQueue(ModemContext &ctx, SmsSender &sender) : m_ctx(ctx), m_sender(sender) {}

QString SendQueue::unsendableRefusal(const QString &text)
{
    const QString bad = GsmCharTables::unsendable(text);
    if (bad.isEmpty()) {
        const int length = GsmCharTables::gsmLength(text);
        if (length <= GsmCharTables::SmsLength)
            return QString();
        return phrase(u"Teksten er %1 tegn lang, men en SMS kan ha høyst %2 tegn.",
                      u"Teksten er %1 tegn lang, men en SMS kan højst have %2 tegn.",
                      u"Texten är %1 tecken lång, men ett SMS kan ha högst %2 tecken.")
            .arg(length)
            .arg(GsmCharTables::SmsLength);
    }
    QString named;
    for (QChar c : bad) {
        if (c == u'\t')
            named += QStringLiteral("<TAB>");
        else if (!c.isPrint() || c.isSpace())
            named += QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        else
            named += c;
    }
    return phrase(u"Teksten har tegn som ikke kan sendes som SMS: ",
                  u"Teksten har tegn, som ikke kan sendes som SMS: ",
                  u"Texten har tecken som inte kan skickas som SMS: ") +
           named;
}

void SendQueue::QueueSMS(Recordset &view, const QString &text, const QString &recipient,
                         const QString &surname, const QString &firstName, const QDate &date,
                         const QString &state, MatchMode mode, KortRule kort)
{
    if (const QString refusal = unsendableRefusal(text); !refusal.isEmpty())
        throw Error(refusal);
    const QString value = vb::UCase(vb::Trim(text));
    if (!(view.BOF() && view.EOF()))
        view.MoveFirst();
    bool found = false;
    while (view.find(QStringLiteral("SMS_Text"), value)) {
        if (mode == MatchMode::TextOnlyReaddress ||
            view.toTextOr(QStringLiteral("TilNummer"), QString())
                    .compare(recipient, Qt::CaseInsensitive) == 0) {
            found = true;
            break;
        }
        view.MoveNext();
        if (view.EOF())
            break;
    }
    const int day = vb::dayNumber(date);
    auto setNames = [&] {
        if (!surname.isEmpty())
            view.setValue(QStringLiteral("Etternavn"), surname);
        if (!firstName.isEmpty())
            view.setValue(QStringLiteral("Fornavn"), firstName);
    };
    auto setKort = [&] {
        if (kort == KortRule::NineFromFourth)
            view.setValue(QStringLiteral("TilNummerKort"), recipient.mid(3, 9));
        else if (recipient.size() >= 3)
            view.setValue(QStringLiteral("TilNummerKort"), recipient.mid(3));
    };
    if (found) {
        view.setValue(QStringLiteral("Dato"), date);
        view.setValue(QStringLiteral("DatoLNG"), day);
        view.setValue(QStringLiteral("CMGS"), state);
        setNames();
        if (mode == MatchMode::TextOnlyReaddress) {
            view.setValue(QStringLiteral("TilNummer"), recipient);
            setKort();
        }
        view.Update();
        return;
    }
    view.AddNew();
    view.setValue(QStringLiteral("TilNummer"), recipient);
    setKort();
    view.setValue(QStringLiteral("SMS_Text"), text);
    view.setValue(QStringLiteral("Dato"), date);
    view.setValue(QStringLiteral("DatoLNG"), day);
    view.setValue(QStringLiteral("CMGS"), state);
    setNames();
    view.Update();
}

int SendQueue::PollBackOff(int interval, int threshold, int maximum)
{
    if (interval < threshold)
        return int(std::nearbyint(interval * 1.5));
    return maximum;
}

void SendQueue::applyPollBackOff()
{
    m_ctx.restartSendTimer(PollBackOff(m_ctx.TimerSEND_SMS.interval(),
                                       m_ctx.timing.backOffThreshold, m_ctx.timing.sendMax));
}

namespace
{
// Never Null: a row without a send state would show in neither list.
const QString kWriteResult = QStringLiteral("UPDATE SMS_Sent SET CMGS = coalesce(?1, ''), "
                                            "TimeReceived = ?2, TimeSent = ?2, "
                                            "ReceivedStatus = ?2 WHERE ID = ?3");

// A result that says the text went out to the unit, so the right it concerns is under way.
bool marksRight(const QString &result)
{
    return !result.isEmpty() && !result.contains(QLatin1String("error"), Qt::CaseInsensitive);
}
} // namespace

bool SendQueue::writeResult(qint64 id, const QString &cmgs, QString &error)
{
    const auto &db = m_ctx.state.SharedConnection;
    if (!db)
        return true;
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            db->exec(kWriteResult, {cmgs, QStringLiteral("NA"), id});
            return true;
        } catch (const Error &e) {
            error = e.description();
        }
    }
    return false;
}

void SendQueue::markUserStatus(const QString &text, const QString &recipient)
{
    const auto &db = m_ctx.state.SharedConnection;
    if (!db)
        return;
    const std::optional<UserCommand> command = readUserCommand(text);
    if (!command)
        return;
    // The right the command was made for, its country code included: a person elsewhere with
    // the same national number is not touched.
    const std::optional<qint64> row =
        rightNamedBy(db, recipient, *command, m_ctx.state.CountryCode);
    if (!row)
        return;
    db->exec(
        QStringLiteral("UPDATE TBLbrukere SET Status = ?1 WHERE rid = ?2"),
        {command->registration ? QStringLiteral("Registrerer") : QStringLiteral("Sletter"), *row});
}

bool SendQueue::takeNextRow(TakenRow &row)
{
    const auto &db = m_ctx.state.SharedConnection;
    row.mark = inFlightMark(m_ctx.state.CurrentComputerName);
    // A row taken by another sender, withdrawn or deleted between the look-up and the claim
    // is passed: the next one is looked up.
    for (int tries = 0; tries < 3; ++tries) {
        auto rs = Recordset::open(db,
                                  QStringLiteral("SELECT ID, SMS_Text, TilNummer, datolng FROM "
                                                 "SMS_Sent WHERE CMGS = ?1 ORDER BY datolng, ID "
                                                 "LIMIT 1"),
                                  {QStringLiteral("UNSENT")});
        if (rs->EOF())
            return false;
        row.id = rs->value(QStringLiteral("ID")).toLongLong();
        row.text = rs->toTextOr(QStringLiteral("SMS_Text"), QString());
        row.number = rs->toTextOr(QStringLiteral("TilNummer"), QString());
        // Committed before anything goes to the modem: a crash from here on never sends the
        // row a second time.
        if (db->exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = ?1 WHERE ID = ?2 AND CMGS = ?3"),
                     {row.mark, row.id, QStringLiteral("UNSENT")}) == 1)
            return true;
    }
    return false;
}

QString SendQueue::cmgsFor(const QString &result) const
{
    bool isNumber = false;
    const int ref = result.toInt(&isNumber);
    if (!m_ctx.deliveryReportsOn && isNumber && ref >= 0 && ref <= 255 &&
        !result.startsWith(u'+') && !result.startsWith(u'-'))
        return result + QStringLiteral(":OK");
    return result;
}

void SendQueue::markSent(const TakenRow &row, const QString &result)
{
    if (!marksRight(result))
        return;
    try {
        markUserStatus(row.text, row.number);
    } catch (const Error &) {
        dialogs().beep();
        dialogs().beep();
    }
}

bool SendQueue::storeTogether(const TakenRow &row, const QString &result, const QString &cmgs)
{
    const auto &db = m_ctx.state.SharedConnection;
    if (!db)
        return false;
    try {
        Connection::Transaction transaction(db);
        db->exec(kWriteResult, {cmgs, QStringLiteral("NA"), row.id});
        if (marksRight(result))
            markUserStatus(row.text, row.number);
        transaction.commit();
        return true;
    } catch (const Error &) {
        return false;
    }
}

void SendQueue::storeResult(const TakenRow &row, const QString &result)
{
    const QString cmgs = cmgsFor(result);
    // The result and the right's new state in one commit, after the claim's: a send costs two
    // writes to the disk. Should that fail, the result is written on its own first, so that a
    // right that cannot be marked never takes the stored result with it.
    if (storeTogether(row, result, cmgs))
        return;
    QString error;
    if (!writeResult(row.id, cmgs, error)) {
        m_held = HeldResult{row.id, cmgs};
        m_ctx.host.Write2StatusBox(QStringLiteral("SMS sendt, men resultatet kunne ikke lagres: ") +
                                   error + QStringLiteral("\r\n"));
    }
    markSent(row, result);
}

void SendQueue::completeLate(const TakenRow &row, const QString &reference)
{
    const auto &db = m_ctx.state.SharedConnection;
    if (reference.isEmpty() || !db)
        return; // refused after all: the row keeps its failure
    try {
        // Only the time-out the row was given: the operator may have dealt with it since.
        if (db->exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = ?1 WHERE ID = ?2 AND CMGS = ?3"),
                     {cmgsFor(reference), row.id, QStringLiteral("Error")}) == 1)
            markSent(row, reference);
    } catch (const Error &) {
        dialogs().beep();
        dialogs().beep();
    }
}

void SendQueue::returnToQueue(const TakenRow &row)
{
    m_ctx.state.SharedConnection->exec(
        QStringLiteral("UPDATE SMS_Sent SET CMGS = ?1 WHERE ID = ?2 AND CMGS = ?3"),
        {QStringLiteral("UNSENT"), row.id, row.mark});
}

void SendQueue::settleCutOff(const TakenRow &row)
{
    const auto &db = m_ctx.state.SharedConnection;
    try {
        if (m_sender.textMayHaveGone()) {
            db->exec(kSetInterrupted + QStringLiteral("WHERE ID = ?2"),
                     {interruptedSendText(), row.id});
        } else {
            returnToQueue(row); // nothing went out: the row waits in the queue again
        }
    } catch (const Error &) {
        // The mark stays: the row shows as interrupted at the next start, never sent twice.
        dialogs().beep();
        dialogs().beep();
    }
}

void SendQueue::Send_Next_SMS()
{
    ModemFlags &f = m_ctx.flags();
    QString error;
    if (m_held) {
        // A real send whose result could not be stored: store it before anything goes out.
        if (!writeResult(m_held->id, m_held->cmgs, error)) {
            m_ctx.restartSendTimer(m_ctx.timing.sendAfterSend);
            return;
        }
        m_held.reset();
    }
    // The line poll rests during the send and runs again after it while the modem is ready.
    ExchangeGuard guard(m_ctx.exchange, f.QueueWorkerBusy,
                        [this] { m_ctx.setTimerCom(m_ctx.state.ModemReady); });
    if (!m_ctx.state.SharedConnection)
        return;
    TakenRow row;
    try {
        if (!takeNextRow(row)) {
            f.QueueNotEmpty = false;
            applyPollBackOff();
            return;
        }
    } catch (const Error &) {
        dialogs().beep();
        dialogs().beep();
        return;
    }
    const QString result = m_sender.Send_SMS(row.text, row.number);
    if (m_ctx.link.linkLost()) {
        settleCutOff(row);
    } else if (m_sender.heldBack()) {
        // Its text never went: it waits for the modem to answer the one before.
        try {
            returnToQueue(row);
        } catch (const Error &) {
            dialogs().beep();
            dialogs().beep();
        }
    } else {
        storeResult(row, result);
        if (m_sender.textMayHaveGone())
            m_sender.earlierAnswered = [this, row](const QString &reference) {
                completeLate(row, reference);
            };
    }
    m_ctx.restartSendTimer(m_ctx.timing.sendAfterSend);
    f.QueueNotEmpty = true;
}

} // namespace portiva
