#pragma once

#include "modem/CommandAnswers.h"

#include <QString>
#include <functional>

namespace portiva
{

class ModemHost;
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
    // Writes the first (only) Modem row, only while no other workstation holds it (Held) or
    // while this one does (the others); false when it was not written. Throws Error when the
    // write fails.
    static bool writeModemRow(ModemContext &ctx, RowEvent event);
    // Says in the status box and the send panel that another workstation, or another program
    // of this computer, holds the modem.
    static void showHeldElsewhere(ModemHost &host, const QString &owner, bool sameComputer);

    // Runs, after the initialisation, when another workstation took the modem first.
    std::function<void()> ownedElsewhere;

private:
    bool attempt(QString &manufacturer, QString &model, bool &reportsRefused);
    // After the Modem row was taken: ready, timers, the interrupted sends of earlier runs.
    void takeModem(bool reportsRefused);
    // Another holds the row: not ready, the status box says so, the link is let go.
    void leaveModem();
    void send(const char *command);

    ModemContext &m_ctx;
    CommandAnswers m_answers;
};

} // namespace portiva
