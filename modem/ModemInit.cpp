#include "modem/ModemInit.h"
#include "modem/DatabaseWatch.h"

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

#include <QDateTime>
#include <QTimer>

namespace portiva
{

namespace
{

// Who holds the modem, told in the status box and in the bar: the status box goes with the
// network modem's controls, the bar's panel stays in view with the send panel.
void tellOfHold(ModemHost &host, const QString &text)
{
    host.Write2StatusBox(text + QStringLiteral("\r\n"));
    host.setStatusPanel(3, text);
}

} // namespace

ModemInit::ModemInit(ModemContext &ctx) : m_ctx(ctx), m_answers(ctx.link, ctx.reader)
{
    QObject::connect(&m_renewal, &QTimer::timeout, &m_renewal, [this] { renewHold(); });
    QObject::connect(&m_holderWatch, &QTimer::timeout, &m_holderWatch, [this] { checkHolder(); });
}

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

bool ModemInit::mayTakeModem(ModemHold::Seen &seen)
{
    AppState &s = m_ctx.state;
    const auto &db = s.SharedConnection;
    if (!db)
        return true;
    seen = ModemHold::judge(*db, s.CurrentComputerName, QDateTime::currentMSecsSinceEpoch(),
                            m_ctx.timing.holdLimit);
    if (seen.state == ModemHold::State::Mine && m_ctx.modemLock.heldByAnother(db->path())) {
        leaveModem(seen.owner, true);
        return false;
    }
    if (seen.state != ModemHold::State::Live)
        return true;
    // The holder may be alive: only the operator's own choice of the link takes the modem
    // from it, and only after saying whom it is taken from.
    if (explicitChoice &&
        dialogs().msgBox(phrase(u"Modemet er i bruk av %1.\rTa over modemet? Gjør det bare når "
                                u"%1 er slått av eller ikke svarer: %1 slutter da å sende og "
                                u"lese SMS.",
                                u"Modemet er i brug af %1.\rOvertage modemet? Gør det kun, når "
                                u"%1 er slukket eller ikke svarer: %1 holder så op med at sende "
                                u"og læse SMS.",
                                u"Modemet används av %1.\rTa över modemet? Gör det bara när %1 "
                                u"är avstängd eller inte svarar: %1 slutar då att skicka och "
                                u"läsa SMS.")
                             .arg(seen.owner),
                         Dialogs::Buttons::OkCancel) == Dialogs::Answer::Ok)
        return true;
    leaveModem(seen.owner, false);
    return false;
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
        bool linkWasDown = !m_ctx.link.linkUp();
        ModemHold::Seen seen;
        // Whether the modem may be taken is known before its initialisation is spent.
        if (!linkWasDown && !mayTakeModem(seen))
            return;
        QString manufacturer, model;
        bool reportsRefused = false;
        for (int pass = 0; pass < 5 && !success && !linkWasDown; ++pass) {
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
            m_renewal.stop();
            if (owned || wasReady)
                writeModemRow(m_ctx, RowEvent::Failed);
            return; // no reload, no pointer reset
        } else {
            s.CurrentModemManufacturer = manufacturer;
            s.CurrentModemName = model;
            held = claimModem(seen);
            if (held)
                takeModem(reportsRefused, seen);
            else
                leaveModem(ModemHold::owner(*s.SharedConnection), false);
        }
    } catch (const Error &e) {
        // The Modem row could not be written: the run ends, ModemReady as it stands.
        dialogs().msgBox(e.description() + QStringLiteral("\rInitModem"));
        return;
    }
    m_ctx.host.OpenMainRecordsets();
    m_ctx.host.setWaitCursor(false);
}

bool ModemInit::claimModem(const ModemHold::Seen &seen)
{
    const auto &db = m_ctx.state.SharedConnection;
    if (!db)
        return true;
    ModemLock &lock = m_ctx.modemLock;
    // Another program of this computer holding the lock holds the row under this very name.
    if (!lock.tryLock(db->path()))
        return false;
    const AppState &s = m_ctx.state;
    // Taken in one write that tests the row as it was judged: of two workstations that try at
    // once, one gets it, and a holder that renewed meanwhile keeps it.
    if (ModemHold::claim(*db, seen, s.CurrentComputerName, QDateTime::currentMSecsSinceEpoch(),
                         s.CurrentModemIMEI, s.CurrentModemManufacturer, s.CurrentModemName))
        return true;
    lock.unlock();
    return false;
}

void ModemInit::takeModem(bool reportsRefused, const ModemHold::Seen &seen)
{
    AppState &s = m_ctx.state;
    s.ModemReady = true;
    m_holderWatch.stop();
    if (m_heldElsewhereShown) {
        // What the send panel said of another holder is over now.
        m_heldElsewhereShown = false;
        m_ctx.host.setStatusPanel(3, QString());
    }
    m_renewal.start(m_ctx.timing.holdRenewal);
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
    if (seen.state == ModemHold::State::Stale)
        m_ctx.host.Write2StatusBox(
            phrase(u"%1 har ikke meldt seg på %2 sekunder og regnes som borte: denne "
                   u"arbeidsstasjonen har tatt over modemet",
                   u"%1 har ikke meldt sig i %2 sekunder og regnes som væk: denne "
                   u"arbejdsstation har overtaget modemet",
                   u"%1 har inte hörts av på %2 sekunder och räknas som borta: den här "
                   u"arbetsstationen har tagit över modemet")
                .arg(seen.owner)
                .arg(seen.silentMs / 1000) +
            QStringLiteral("\r\n"));
    else if (seen.state == ModemHold::State::Live)
        m_ctx.host.Write2StatusBox(phrase(u"Modemet er tatt over fra %1",
                                          u"Modemet er overtaget fra %1",
                                          u"Modemet är övertaget från %1")
                                       .arg(seen.owner) +
                                   QStringLiteral("\r\n"));
    // Nobody else sends now: what a crashed program or the holder taken over left on its way
    // to the modem was cut off.
    try {
        if (s.SharedConnection)
            settleInterrupted(m_ctx.host, *s.SharedConnection, QString());
    } catch (const Error &) {
        // they stay marked, never sent, and are settled at the next start
    }
}

void ModemInit::settleInterrupted(ModemHost &host, Connection &db, const QString &liveHolder)
{
    const int cut = SendQueue::settleInterrupted(db, liveHolder);
    if (cut > 0)
        host.Write2StatusBox(phrase(u"%1 SMS som var på vei til modemet vises som \"%2\"",
                                    u"%1 SMS, der var på vej til modemet, vises som \"%2\"",
                                    u"%1 SMS som var på väg till modemet visas som \"%2\"")
                                 .arg(cut)
                                 .arg(interruptedSendText()) +
                             QStringLiteral("\r\n"));
}

void ModemInit::leaveModem(const QString &owner, bool sameComputer)
{
    m_ctx.state.ModemReady = false;
    m_renewal.stop();
    showHeldElsewhere(m_ctx.host, owner, sameComputer);
    m_heldElsewhereShown = true;
    if (!sameComputer)
        watchHolder(owner);
    if (ownedElsewhere)
        QMetaObject::invokeMethod(&m_ctx.exchange, ownedElsewhere, Qt::QueuedConnection);
}

void ModemInit::renewHold()
{
    AppState &s = m_ctx.state;
    if (!s.ModemReady || !s.SharedConnection) {
        m_renewal.stop();
        return;
    }
    try {
        // A timer's work: another workstation's lock must not hold the window longer than a tick.
        Connection::BusyBudget budget(DatabaseWatch::tickBudgetMs);
        if (ModemHold::renew(*s.SharedConnection, s.CurrentComputerName,
                             QDateTime::currentMSecsSinceEpoch()))
            return;
    } catch (const Error &) {
        return; // a busy file: the next renewal tries again, well within the limit
    }
    m_renewal.stop();
    if (m_ctx.exchange.deferIfBusy(QStringLiteral("holdLost"), [this] { holdLost(); }))
        return;
    holdLost();
}

void ModemInit::holdLost()
{
    AppState &s = m_ctx.state;
    if (!s.ModemReady)
        return;
    // The operator of another workstation took the modem over: this one lets it go.
    s.ModemReady = false;
    m_ctx.setTimerCom(false);
    m_ctx.TimerSEND_SMS.stop();
    m_ctx.modemLock.unlock();
    QString owner;
    try {
        owner = ModemHold::owner(*s.SharedConnection);
    } catch (const Error &) {
        owner = QStringLiteral("?");
    }
    const QString text = phrase(u"Modemet er tatt over av %1: denne arbeidsstasjonen sender og "
                                u"leser ikke SMS",
                                u"Modemet er overtaget af %1: denne arbejdsstation sender og "
                                u"læser ikke SMS",
                                u"Modemet har tagits över av %1: den här arbetsstationen "
                                u"skickar och läser inte SMS")
                             .arg(owner);
    tellOfHold(m_ctx.host, text);
    if (ownedElsewhere)
        ownedElsewhere();
    m_ctx.host.OpenMainRecordsets();
}

void ModemInit::stopRenewal()
{
    m_renewal.stop();
    m_holderWatch.stop();
}

void ModemInit::watchHolder(const QString &owner)
{
    m_watchedHolder = owner;
    m_heldElsewhereShown = true;
    m_holderWatch.start(m_ctx.timing.holdRenewal);
}

void ModemInit::checkHolder()
{
    AppState &s = m_ctx.state;
    if (s.ModemReady || !s.SharedConnection) {
        m_holderWatch.stop();
        return;
    }
    ModemHold::Seen seen;
    try {
        Connection::BusyBudget budget(DatabaseWatch::tickBudgetMs);
        seen = ModemHold::judge(*s.SharedConnection, s.CurrentComputerName,
                                QDateTime::currentMSecsSinceEpoch(), m_ctx.timing.holdLimit);
    } catch (const Error &) {
        return; // a busy file: the next tick looks again
    }
    if (seen.state == ModemHold::State::Live)
        return;
    m_holderWatch.stop();
    if (seen.state == ModemHold::State::Mine)
        return;
    const QString text =
        seen.state == ModemHold::State::Stale
            ? phrase(u"%1 har ikke meldt seg på %2 sekunder og regnes som borte: velg modemet i "
                     u"ComPort-menyen for å ta det over",
                     u"%1 har ikke meldt sig i %2 sekunder og regnes som væk: vælg modemet i "
                     u"ComPort-menuen for at overtage det",
                     u"%1 har inte hörts av på %2 sekunder och räknas som borta: välj modemet i "
                     u"ComPort-menyn för att ta över det")
                  .arg(seen.owner)
                  .arg(seen.silentMs / 1000)
            : phrase(u"Modemet er ikke lenger i bruk av %1: velg modemet i ComPort-menyen for å "
                     u"bruke det",
                     u"Modemet er ikke længere i brug af %1: vælg modemet i ComPort-menuen for at "
                     u"bruge det",
                     u"Modemet används inte längre av %1: välj modemet i ComPort-menyn för att "
                     u"använda det")
                  .arg(m_watchedHolder);
    tellOfHold(m_ctx.host, text);
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
    tellOfHold(host, text);
}

void ModemInit::linkDown()
{
    m_ctx.setTimerCom(false);
    m_renewal.stop();
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
