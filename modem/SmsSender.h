#pragma once

#include <QString>
#include <functional>

namespace portiva
{

struct ModemContext;

// Sends one SMS in text mode: AT+CMGS, the prompt, the GSM bytes and Ctrl-Z, the reference.
//
// A modem answers one command at a time and keeps what comes meanwhile. A text whose answer
// has not come may still be submitted by the modem, however late: until its answer comes, the
// next text goes out only after a prompt of its own, which the modem gives only once it has
// finished with the earlier one. Without that prompt the entry is closed (ESC) and the answer
// waited for again, so the modem never holds two texts of the same row.
class SmsSender
{
public:
    explicit SmsSender(ModemContext &ctx);

    // "" nothing sent, the reference, "ERROR" refused, "Error" no answer. Also in CmgsResult.
    QString Send_SMS(const QString &text, const QString &number);
    // Reads the answer to a submitted text for up to the +CMGS window.
    QString Get_CMGS();

    // A strict modem refused the bare number: quoted from now on, until the link changes.
    bool cmgsQuoted = false;
    // After a send: whether its text went to the modem and no answer came, so that it may be
    // submitted yet.
    bool textMayHaveGone() const { return m_pending && !m_pendingEarlier; }
    // After a send: whether it wrote nothing because an earlier text is still unanswered.
    bool heldBack() const { return m_heldBack; }
    // Runs once when the answer to an earlier send's unanswered text comes ("" when it was a
    // refusal); set by the caller after such a send.
    std::function<void(const QString &reference)> earlierAnswered;
    // A line read outside a send: the late answer to an unanswered text completes it.
    void lineRead(const QString &line);
    // The modem was set up anew or the link changed: no answer of before will come.
    void forgetUnanswered();

private:
    struct PromptWait {
        bool prompt = false;
        bool errorSeen = false;
        QString lateAnswer; // the answer to an earlier text, met before this attempt's prompt
    };
    // One attempt; true when it ends the attempts (an answer, a late reference, a lost link).
    bool attempt(const QByteArray &encoded, const QString &number);
    bool writeText(const QByteArray &encoded, const PromptWait &p, bool quoted);
    PromptWait awaitPrompt();
    QString referenceFrom(const QString &line) const;
    // A "+CMGS: " line: the reference into CmgsResult and the panel; false for any other line.
    bool takeReference(const QString &line);
    // The answer to the unanswered text: this send's result, or the earlier send's. True when
    // it was this send's.
    bool answerUnanswered(const QString &line);
    // Reads lines for ms, until the unanswered text's answer; true when this send's came.
    bool watchForAnswer(int ms);
    // A prompt that came before this command was written answers an earlier one: a text
    // written without waiting for it (the first attempt's rule), or an entry closed unprompted.
    // Taken for this command's, it would let a text follow a submission still pending.
    void dropWaitingPrompts();
    // The prompts and answers of entries closed unprompted come after the late answer.
    void drainClosedEntries();
    void showLinkLoss();

    ModemContext &m_ctx;
    bool m_pending = false;        // a text went out whose answer has not come
    bool m_pendingEarlier = false; // ... and it was an earlier send's
    bool m_sending = false;
    bool m_heldBack = false;
    bool m_ownTextWent = false;
    // AT+CMGS written and closed (ESC) without a prompt while a text was unanswered: the
    // modem gives each its prompt later, which is not the prompt of any later command.
    int m_stalePrompts = 0;
};

// Whether number is "+digits" or "digits" (outer blanks allowed) with a value above 0.
bool isSendableNumber(const QString &number);

} // namespace portiva
