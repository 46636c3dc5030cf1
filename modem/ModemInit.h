#pragma once

#include "modem/CommandAnswers.h"

#include <QString>

namespace portiva
{

struct ModemContext;

// Initialisation of the modem and the Modem row that says which workstation holds it.
class ModemInit
{
public:
    explicit ModemInit(ModemContext &ctx);

    // Deferred while another exchange runs.
    void InitModem();
    // The link-down step: line poll off, the row marked down when held, ModemReady False.
    void linkDown();

    // The main window's text (language row 217).
    QString ModemNotFoundText = QStringLiteral("Modem IKKE funnet. Prøv en annen COM port!!");

    enum class RowEvent { Held, LinkDown, Failed, Released };
    // Writes the first (only) Modem row; throws Error when the write fails.
    static void writeModemRow(ModemContext &ctx, RowEvent event);

private:
    bool attempt(QString &manufacturer, QString &model, bool &reportsRefused);
    void send(const char *command);

    ModemContext &m_ctx;
    CommandAnswers m_answers;
};

} // namespace portiva
