#pragma once

#include "modem/CommandAnswers.h"
#include "modem/ModemHold.h"

#include <QTimer>

#include <QString>
#include <functional>

namespace portiva
{

class Connection;
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

    enum class RowEvent { LinkDown, Failed, Released };
    // Gives up this workstation's hold in the first (only) Modem row; false when it was not
    // this workstation's. Throws Error when the write fails.
    static bool writeModemRow(ModemContext &ctx, RowEvent event);
    // Says in the status box and the send panel that another workstation, or another program
    // of this computer, holds the modem.
    static void showHeldElsewhere(ModemHost &host, const QString &owner, bool sameComputer);

    // Runs when another workstation holds the modem, or took it over: the link is let go.
    std::function<void()> ownedElsewhere;
    // Set while the operator's own choice of a link runs: it may take a live holder's modem,
    // after asking.
    bool explicitChoice = false;
    // Shows as interrupted the rows left on their way to the modem (SendQueue), and says so.
    static void settleInterrupted(ModemHost &host, Connection &db, const QString &liveHolder);
    // The unload: the hold is renewed no more.
    void stopRenewal();
    // While another workstation's hold keeps this one from the modem: once that hold is dead
    // or let go, the status box and the send panel say so, and that the link menu takes it.
    void watchHolder(const QString &owner);

private:
    bool attempt(QString &manufacturer, QString &model, bool &reportsRefused);
    // Before any command: false (and the modem left) when another holds it and keeps it.
    bool mayTakeModem(ModemHold::Seen &seen);
    bool claimModem(const ModemHold::Seen &seen);
    // After the Modem row was taken: ready, timers, the interrupted sends of earlier runs.
    void takeModem(bool reportsRefused, const ModemHold::Seen &seen);
    // Another holds the row: not ready, the status box says so, the link is let go.
    void leaveModem(const QString &owner, bool sameComputer);
    void renewHold();
    void holdLost();
    void checkHolder();
    void send(const char *command);

    ModemContext &m_ctx;
    CommandAnswers m_answers;
    QTimer m_renewal;
    QTimer m_holderWatch;
    QString m_watchedHolder;
    bool m_heldElsewhereShown = false; // the send panel names another holder
};

} // namespace portiva
