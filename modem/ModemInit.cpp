#include "modem/ModemInit.h"

#include "modem/ModemClock.h"
#include "modem/ModemContext.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "modem/SendQueue.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialogs.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

namespace portiva
{

ModemInit::ModemInit(ModemContext &ctx) : m_ctx(ctx), m_answers(ctx.link, ctx.reader) {}

void ModemInit::send(const char *command)
{
    m_answers.send(QByteArray(command));
}

bool ModemInit::attempt(QString &manufacturer, QString &model, bool &reportsRefused)
{
    CommandAnswers &r = m_answers;
    const ModemTiming &t = m_ctx.timing;
    auto pause = [this](int ms) { m_ctx.clock.pause(ms); };
    auto required = [&r] { return r.waitForOk(); };

    send("AT");
    r.waitForOk();
    pause(t.initPause10);
    send("ATV1");
    r.waitForOk();
    pause(t.initPause10);
    send("AT");
    if (!required())
        return false;
    pause(t.initPause10);
    pause(t.initPause50);
    send("AT&F0");
    if (!required())
        return false;
    pause(t.initPause50);
    send("AT\\Q0");
    if (!required())
        return false;
    pause(t.initPause50);
    send("ATE0");
    pause(t.initPause50);
    if (!required())
        return false;
    pause(t.initPause50);

    // Storage: a modem without "MT" costs time here but never fails the pass.
    QString line;
    auto storageAnswer = [&](bool readFirst) {
        pause(t.initPause200);
        if (readFirst)
            line = r.nextLine();
        // A refusal is the whole answer: no storage line will follow it.
        for (int i = 0; i < 5 && !r.finalSeen(); ++i) {
            if (line.contains(QLatin1String("CPMS"), Qt::CaseInsensitive))
                break;
            pause(t.initPause2000);
            line = r.nextLine();
        }
        r.waitForOk();
        pause(t.initPause50);
    };
    send("AT+CPMS=\"MT\",\"MT\",\"MT\"");
    storageAnswer(true);
    send("AT+CPMS=\"SM\",\"SM\",\"SM\"");
    storageAnswer(false);

    send("AT+CLIP=1");
    if (!required())
        return false;
    pause(t.initPause50);
    send("AT+CMGF=1");
    if (!required())
        return false;
    pause(t.initPause50);
    send("AT+CSCS=\"GSM\"");
    r.waitForOk();

    reportsRefused = false;
    bool plain = !m_ctx.state.SMSREPORT;
    if (m_ctx.state.SMSREPORT) {
        pause(t.initPause50);
        send("AT+CSMP=49,167,0,0");
        if (!required())
            return false;
        pause(t.initPause50);
        send("AT+CNMI=1,1,0,2,1");
        if (!required()) {
            reportsRefused = true;
            plain = true;
        }
    }
    if (plain) {
        pause(t.initPause50);
        send("AT+CSMP=17,167,0,0");
        if (!required())
            return false;
        pause(t.initPause50);
        send("AT+CNMI=1,1");
        if (!required())
            return false;
    }
    pause(t.initPause50);
    send("AT&W");
    if (!required())
        return false;
    pause(t.initPause50);
    // Each identity is the information line of its own answer, also when it comes late within
    // the wait for that answer's OK.
    send("AT+CGMI");
    r.readInformation();
    if (!required())
        return false;
    manufacturer = r.information();
    pause(t.initPause50);
    send("AT+CGMM");
    r.readInformation();
    if (!required())
        return false;
    model = r.information();
    pause(t.initPause50);
    send("AT+GSN");
    pause(t.initPause50);
    r.readInformation();
    const bool ok = required();
    m_ctx.state.CurrentModemIMEI = r.information();
    return ok;
}

void ModemInit::InitModem()
{
    if (m_ctx.exchange.deferIfBusy(QStringLiteral("InitModem"), [this] { InitModem(); }))
        return;
    bool held = false;
    ExchangeGuard guard(m_ctx.exchange, m_ctx.flags().ModemInitBusy,
                        [this, &held] { m_ctx.setTimerCom(held); });
    AppState &s = m_ctx.state;
    m_answers.reset();
    try {
        bool success = false;
        bool linkWasDown = false;
        QString manufacturer, model;
        bool reportsRefused = false;
        for (int pass = 0; pass < 5 && !success; ++pass) {
            if (!m_ctx.link.linkUp()) {
                linkWasDown = true;
                break;
            }
            try {
                success = attempt(manufacturer, model, reportsRefused);
            } catch (const std::exception &) {
                success = false; // a closed port or a failed write ends the pass
            }
        }
        if (linkWasDown) {
            linkDown();
        } else if (!success) {
            dialogs().msgBox(ModemNotFoundText + QStringLiteral("\r******\rModem not found!!!\r"
                                                                "Try another COM-port and make "
                                                                "sure modem is installed, and "
                                                                "SIM card ready with PIN-code "
                                                                "disabled"));
            const bool owned = m_ctx.host.modemOwnerShown().compare(s.CurrentComputerName,
                                                                    Qt::CaseInsensitive) == 0;
            const bool wasReady = s.ModemReady;
            s.ModemReady = false;
            if (owned || wasReady)
                writeModemRow(m_ctx, RowEvent::Failed);
            return; // no reload, no pointer reset
        } else {
            s.CurrentModemManufacturer = manufacturer;
            s.CurrentModemName = model;
            held = writeModemRow(m_ctx, RowEvent::Held);
            if (held)
                takeModem(reportsRefused);
            else
                leaveModem();
        }
    } catch (const Error &e) {
        // The Modem row could not be written: the run ends, ModemReady as it stands.
        dialogs().msgBox(e.description() + QStringLiteral("\rInitModem"));
        return;
    }
    m_ctx.host.OpenMainRecordsets();
    m_ctx.host.setWaitCursor(false);
}

void ModemInit::takeModem(bool reportsRefused)
{
    AppState &s = m_ctx.state;
    s.ModemReady = true;
    m_ctx.restartSendTimer(m_ctx.timing.sendAfterInit);
    m_ctx.deliveryReportsOn = s.SMSREPORT && !reportsRefused;
    if (reportsRefused)
        m_ctx.host.Write2StatusBox(
            phrase(u"Modemet tar ikke imot AT+CNMI=1,1,0,2,1: fortsetter uten "
                   u"sendingsbekreftelse",
                   u"Modemet modtager ikke AT+CNMI=1,1,0,2,1: fortsætter uden "
                   u"afsendelsesbekræftelse",
                   u"Modemet tar inte emot AT+CNMI=1,1,0,2,1: fortsätter utan "
                   u"sändningsbekräftelse") +
            QStringLiteral("\r\n"));
    // Nobody else sends now: what a crashed program left on its way to the modem was cut off.
    try {
        if (s.SharedConnection)
            SendQueue::settleInterrupted(*s.SharedConnection, QString());
    } catch (const Error &) {
        // they stay marked, never sent, and are settled at the next start
    }
}

void ModemInit::leaveModem()
{
    AppState &s = m_ctx.state;
    s.ModemReady = false;
    const QString owner =
        s.SharedConnection
            ->scalar(QStringLiteral("SELECT ModemOwner FROM Modem ORDER BY rowid LIMIT 1"))
            .toString();
    showHeldElsewhere(m_ctx.host, owner,
                      owner.compare(s.CurrentComputerName, Qt::CaseInsensitive) == 0);
    if (ownedElsewhere)
        QMetaObject::invokeMethod(&m_ctx.exchange, ownedElsewhere, Qt::QueuedConnection);
}

void ModemInit::showHeldElsewhere(ModemHost &host, const QString &owner, bool sameComputer)
{
    const QString text =
        sameComputer
            ? phrase(u"Modemet er i bruk av et annet Portiva3 på denne maskinen: dette programmet "
                     u"sender og leser ikke SMS",
                     u"Modemet er i brug af et andet Portiva3 på denne maskine: dette program "
                     u"sender og læser ikke SMS",
                     u"Modemet används av ett annat Portiva3 på den här datorn: det här programmet "
                     u"skickar och läser inte SMS")
            : phrase(u"Modemet er i bruk av %1: denne arbeidsstasjonen sender og leser ikke SMS",
                     u"Modemet er i brug af %1: denne arbejdsstation sender og læser ikke SMS",
                     u"Modemet används av %1: den här arbetsstationen skickar och läser inte SMS")
                  .arg(owner);
    host.Write2StatusBox(text + QStringLiteral("\r\n"));
    // The status box goes with the network modem's controls; the send panel stays in view.
    host.setStatusPanel(3, text);
}

void ModemInit::linkDown()
{
    m_ctx.setTimerCom(false);
    const bool wasReady = m_ctx.state.ModemReady;
    m_ctx.state.ModemReady = false;
    if (wasReady)
        writeModemRow(m_ctx, RowEvent::LinkDown);
}

bool ModemInit::writeModemRow(ModemContext &ctx, RowEvent event)
{
    const auto &db = ctx.state.SharedConnection;
    if (!db)
        return true;
    ModemLock &lock = ctx.modemLock;
    // Another program of this computer holding the lock holds the row under this very name.
    if (!lock.tryLock(db->path()))
        return false;
    const QString where = QStringLiteral(" WHERE rowid = (SELECT min(rowid) FROM Modem)");
    const QString me = ctx.state.CurrentComputerName;
    if (event == RowEvent::Held) {
        // Taken in one write that tests the row as it stands: of two workstations that try at
        // once, one gets it.
        const int taken =
            db->exec(QStringLiteral("UPDATE Modem SET "
                                    "IMEICODE = CASE WHEN ?1 = '' THEN IMEICODE ELSE ?1 END, "
                                    "ModemManufacturer = CASE WHEN ?2 = '' THEN "
                                    "ModemManufacturer ELSE ?2 END, "
                                    "ModemName = CASE WHEN ?3 = '' THEN ModemName ELSE ?3 END, "
                                    "ModemStatus = -1, ModemOwner = ?4") +
                         where + QStringLiteral(" AND (ModemStatus = 0 OR ModemOwner = ?4)"),
                     {ctx.state.CurrentModemIMEI, ctx.state.CurrentModemManufacturer,
                      ctx.state.CurrentModemName, me});
        if (taken == 0)
            lock.unlock();
        return taken > 0;
    }
    const QString manufacturer =
        event == RowEvent::LinkDown ? QStringLiteral("No Modem") : QStringLiteral(" ");
    const QString owner = event == RowEvent::Failed ? QStringLiteral("None") : QStringLiteral("?");
    // Only this workstation's hold is given up; another's stays as it is.
    const int written =
        db->exec(QStringLiteral("UPDATE Modem SET IMEICODE = ?1, "
                                "ModemManufacturer = ?2, ModemName = ?3, "
                                "ModemStatus = ?4, ModemOwner = ?5") +
                     where + QStringLiteral(" AND ModemOwner = ?6"),
                 {QStringLiteral("0"), manufacturer, QStringLiteral(" "), 0, owner, me});
    lock.unlock();
    return written > 0;
}

} // namespace portiva
