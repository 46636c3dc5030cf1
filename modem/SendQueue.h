#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace portiva
{

class Recordset;
class SmsSender;
struct ModemContext;

// How QueueSMS looks for a row to refresh instead of adding one.
enum class MatchMode {
    TextAndRecipient,  // same text and the same TilNummer
    TextOnlyReaddress, // same text: that row takes the new recipient
};
// How TilNummerKort is taken from the recipient.
enum class KortRule {
    FromFourth,     // from the 4th character to the end
    NineFromFourth, // at most 9 characters from the 4th
};

class Connection;

// CMGS of a row claimed by a sender: its text is on the way to the modem from that workstation.
// Written, in a write that takes only a row still "UNSENT", before anything goes to the modem.
QString inFlightMark(const QString &workstation);
// CMGS of a row whose send was cut off after its text went to the modem, by a lost link or
// by the end of the program that sent it: it may have been sent. The queue never sends it
// again on its own; the operator sees it with the failed sends and decides.
QString interruptedSendText();

// The outgoing-SMS queue: the one queueing rule and the worker that sends its rows in turn.
class SendQueue
{
public:
    SendQueue(ModemContext &ctx, SmsSender &sender);

    // The refusal of a text the modem cannot send as one SMS: one holding characters it has no
    // code for, naming them (those that show nothing by their code: <TAB>, <U+00A0>), or one
    // longer than an SMS, giving its length and the limit; empty for a text it can send.
    static QString unsendableRefusal(const QString &text);
    // Refreshes the queued row with the same text (and recipient), or adds one. Throws
    // Error with unsendableRefusal's text, before anything is written.
    static void QueueSMS(Recordset &view, const QString &text, const QString &recipient,
                         const QString &surname, const QString &firstName, const QDate &date,
                         const QString &state = QStringLiteral("UNSENT"),
                         MatchMode mode = MatchMode::TextAndRecipient,
                         KortRule kort = KortRule::FromFourth);

    // Sends the oldest "UNSENT" row and stores its result by ID. An exchange.
    void Send_Next_SMS();
    // Below the threshold the poll slows by half again; above, it rests at the maximum.
    static int PollBackOff(int interval, int threshold = 29000, int maximum = 60000);
    void applyPollBackOff();

    bool resultHeld() const { return m_held.has_value(); }

    // Shows as interrupted every row still marked on its way to the modem, but those of
    // liveHolder, the workstation that holds the modem now ("" when none may be sending).
    static int settleInterrupted(Connection &db, const QString &liveHolder);

private:
    struct HeldResult {
        qint64 id;
        QString cmgs;
    };
    struct TakenRow {
        qint64 id = 0;
        QString text, number, mark;
    };
    // The oldest "UNSENT" row, claimed with this workstation's mark; false when none is left.
    bool takeNextRow(TakenRow &row);
    // CMGS for a send's result: reports off, a reference reads as delivered.
    QString cmgsFor(const QString &result) const;
    void storeResult(const TakenRow &row, const QString &result);
    // The result and the mark of the right in one transaction; false when it was not written.
    bool storeTogether(const TakenRow &row, const QString &result, const QString &cmgs);
    // Marks the user right a sent command concerns.
    void markSent(const TakenRow &row, const QString &result);
    // A reference that came after the row was given its time-out completes it.
    void completeLate(const TakenRow &row, const QString &reference);
    void returnToQueue(const TakenRow &row);
    void settleCutOff(const TakenRow &row);
    bool writeResult(qint64 id, const QString &cmgs, QString &error);
    void markUserStatus(const QString &text, const QString &recipient);

    ModemContext &m_ctx;
    SmsSender &m_sender;
    std::optional<HeldResult> m_held;
};

} // namespace portiva
