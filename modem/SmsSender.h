#pragma once

#include <QString>

namespace portiva
{

struct ModemContext;

// Sends one SMS in text mode: AT+CMGS, the prompt, the GSM bytes and Ctrl-Z, the reference.
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
    // After a send the link lost: whether a text went to the modem whose answer never came,
    // so that it may have been sent.
    bool textMayHaveGone() const { return m_unanswered > 0; }

private:
    struct PromptWait {
        bool prompt = false;
        bool errorSeen = false;
        QString lateReference; // the answer to an earlier attempt's text, met before this one's
    };
    // One attempt; true when it ends the attempts (an answer, a late reference, a lost link).
    bool attempt(const QByteArray &encoded, const QString &number);
    PromptWait awaitPrompt();
    QString referenceFrom(const QString &line) const;
    // A "+CMGS: " line: the reference into CmgsResult and the panel; false for any other line.
    bool takeReference(const QString &line);
    bool lateReference(int pauseMs);
    void showLinkLoss();

    ModemContext &m_ctx;
    int m_unanswered = 0; // texts written whose answer has not come
};

// Whether number is "+digits" or "digits" (outer blanks allowed) with a value above 0.
bool isSendableNumber(const QString &number);

} // namespace portiva
