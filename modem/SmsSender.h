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

private:
    QString referenceFrom(const QString &line) const;
    // A "+CMGS: " line: the reference into CmgsResult and the panel; false for any other line.
    bool takeReference(const QString &line);
    bool lateReference(int pauseMs);

    ModemContext &m_ctx;
};

// Whether number is "+digits" or "digits" (outer blanks allowed) with a value above 0.
bool isSendableNumber(const QString &number);

} // namespace portiva
