#pragma once

// The GSM modem simulator: a 27.005 text-mode modem with message storage, behind which stand
// simulated key units and telephones, for tests and the demo.
//
// In a test (same thread; the test's waits must pump events, e.g. QTRY_COMPARE or
// QSignalSpy::wait):
//
//     portiva::modemsim::ModemSim sim;
//     QVERIFY(sim.listen());                        // TCP on 127.0.0.1, a free port
//     sim.addUnit("+4799887766", "Hovedport", "nb"); // a key unit answering commands
//     sim.setTimescale(0.01);                       // all simulator delays x 0.01
//     connect the program to 127.0.0.1:sim.port()   // or sim.openPty() and sim.ptyPath()
//     sim.deliverSms("+4712345678", "hello");       // a received SMS, "+CMTI" per AT+CNMI
//     sim.addFault({"AT+CMGL", FaultRule::NoEnd});  // faults by command prefix
//     QCOMPARE(sim.commandLog().first(), "AT");      // every command line received
//     sim.submissions()                              // what the program sent (da, text, mr)
//
// Everything is also reachable as text: sim.control("fault AT+CMGD error times=3") answers the
// lines of the control channel (`--control PORT`), the last being "OK" or "ERR <reason>".

#include "tools/modemsim/KeyUnit.h"
#include "tools/modemsim/SimTypes.h"
#include "tools/modemsim/SmsStore.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <memory>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace portiva::modemsim
{

class AtEngine;
class PtyLink;
class ControlServer;

class ModemSim : public QObject
{
    Q_OBJECT
public:
    explicit ModemSim(QObject *parent = nullptr);
    ~ModemSim() override;

    // Transports
    bool listen(quint16 port = 0); // TCP on 127.0.0.1; one client at a time
    quint16 port() const;
    bool openPty(const QString &linkPath = {}); // raw pseudo-terminal; symlink at linkPath if set
    QString ptyPath() const;
    bool listenControl(quint16 port = 0);
    quint16 controlPort() const;
    bool isConnected() const;
    void dropLink(); // closes the TCP client (and the pty's client side, see unplug)
    void unplug();   // the pty goes away
    bool replug();   // a new pty (the symlink follows)
    void feed(const QByteArray &bytes); // input as if it came from the link

    // The control language: one line in, its answer lines out (last "OK" or "ERR <reason>").
    QStringList control(const QString &line);
    bool runScript(const QString &file, QString *error);

    // Messages
    bool deliverSms(const QString &from, const QString &text, const DeliverOptions &opt = {},
                    QString *error = nullptr);
    int deliverRaw(const QString &from, const QByteArray &gsm, const DeliverOptions &opt = {});
    int addStored(const QString &da, const QString &text, bool sent);
    int addStatusReport(const SmsEntry &report, bool notify);
    void sendNotice(const QByteArray &line, bool mid = false);

    // Faults and line behaviour
    void addFault(const FaultRule &rule);
    void clearFaults(const QString &prefix = {});
    qint64 endlessBytes() const { return m_endlessSent; } // written by endless answers so far
    void setSilent(bool on);
    void setSplit(int chunk, int gapMs = 0); // 0 = off
    void setCoalesce(bool on);
    void setLineEnd(LineEnd end);
    void setCmgsDelay(int ms) { m_cmgsDelay = ms; }
    void setCmgsScts(bool on) { m_cmgsScts = on; }
    void setNextReference(int mr) { m_nextMr = mr & 0xFF; }
    void setCmgsEcho(bool on) { m_cmgsEcho = on; }
    void setStatusReportDelay(int ms) { m_srDelay = ms; }
    void setStrict(bool on) { m_strict = on; }
    void setMemoryShape(const QString &memory, const MemoryShape &shape);
    void setMtOffered(bool on) { m_mtOffered = on; }
    void setStatusReportStore(const QString &memory) { m_srStore = memory; }
    void setCnmiRange(const QByteArray &answer) { m_cnmiRange = answer; }
    bool loadCnmiRange(const QString &dumpFile);
    void setCpmsTest(const QByteArray &answer) { m_cpmsTest = answer; }
    void setDeleteEmptyOk(bool on) { m_deleteEmptyOk = on; }
    void setIdentity(const ModemIdentity &id) { m_identity = id; }
    void setCharsetReset(const QString &cs) { m_charsetReset = cs; }
    void setClock(const QDateTime &local, int quarterHours);
    void setTimescale(double factor) { m_timescale = factor; }
    void setModemNumber(const QString &national) { m_modemNumber = national; }

    // Key units
    KeyUnit &addUnit(const QString &number, const QString &name, const QString &lang = "nb");
    KeyUnit *unit(const QString &number);
    QList<KeyUnit> units() const { return m_units.values(); }
    void sendFromUnit(const QString &number, const QString &body);
    void sendAdminListing(const QString &number);

    // What happened
    QStringList commandLog() const;
    QList<SimEvent> events() const { return m_events; }
    int mark() const { return int(m_events.size()); }
    QList<Submission> submissions() const { return m_submissions; }
    QList<int> deletions() const { return m_deletions; }
    SmsStore &store() { return m_store; }
    const ModemProfile &profile() const { return m_profile; }
    ModemIdentity identity() const { return m_identity; }
    QString timestamp() const; // the simulated clock as "yy/MM/dd,hh:mm:ss+zz"

signals:
    void written(const QByteArray &bytes); // every write that reaches the link
    void submitted(const portiva::modemsim::Submission &submission);
    void linkChanged(bool connected);

private:
    friend class AtEngine;
    friend class ControlInterpreter;

    void logEvent(const QString &kind, const QString &text);
    void logBytes(const QString &kind, const QByteArray &bytes);
    int delay(int ms) const;
    // Output of the engine: through silence, coalescing and splitting to the link.
    void write(const QByteArray &bytes);
    void transmit(const QByteArray &bytes);
    void pumpChunks();
    void linkWrite(const QByteArray &bytes);
    void queueNotice(const QByteArray &line);
    void flushNotices();
    QByteArray framedNotice(const QByteArray &line) const;
    QByteArray eol() const;
    const FaultRule *takeFault(const QString &command, bool atSubmit);
    void streamEndless(const QString &prefix, const QByteArray &lines);
    void pumpEndless();

    int storeIncoming(const SmsEntry &entry, bool notify);
    void retryHeld();
    void submit(const Submission &s);
    void routeToUnit(const Submission &s, KeyUnit &unit);
    void statusReport(const Submission &s, int st);
    void onNewClient();
    void onClientData();
    void onClientGone();
    void resetProfile();

    std::unique_ptr<AtEngine> m_engine;
    SmsStore m_store;
    ModemProfile m_profile;
    ModemProfile m_stored;
    ModemIdentity m_identity;
    QMap<QString, KeyUnit> m_units;
    QList<FaultRule> m_faults;
    QTimer *m_endlessTimer = nullptr;
    QString m_endlessPrefix;
    QByteArray m_endlessLines;
    qint64 m_endlessSent = 0;
    QList<SimEvent> m_events;
    QList<Submission> m_submissions;
    QList<int> m_deletions;
    QList<QPair<SmsEntry, bool>> m_held;
    QList<QByteArray> m_heldNotices;
    QByteArray m_midNotice;
    bool m_hasMidNotice = false;

    QTcpServer *m_server = nullptr;
    QTcpSocket *m_client = nullptr;
    std::unique_ptr<PtyLink> m_pty;
    QString m_ptyLinkPath;
    std::unique_ptr<ControlServer> m_control;

    bool m_silent = false;
    int m_splitChunk = 0;
    int m_splitGap = 0;
    QList<QByteArray> m_chunks;
    bool m_chunkTimerRunning = false;
    bool m_coalesce = false;
    QByteArray m_coalesced;
    QTimer *m_coalesceTimer = nullptr;
    LineEnd m_lineEnd = LineEnd::CrLf;

    int m_cmgsDelay = 300;
    bool m_cmgsScts = false;
    int m_nextMr = 0;
    bool m_cmgsEcho = false;
    int m_srDelay = 1000;
    bool m_strict = false;
    bool m_mtOffered = true;
    QString m_srStore = QStringLiteral("SM");
    QByteArray m_cnmiRange = "+CNMI: (1,2),(0,1),(0),(0,1,2),(0,1)";
    QByteArray m_cpmsTest;
    bool m_deleteEmptyOk = false;
    QString m_charsetReset = QStringLiteral("GSM");
    bool m_radioOn = true;
    QString m_sca = QStringLiteral("+4792001000");
    int m_tosca = 145;
    QString m_modemNumber;
    double m_timescale = 1.0;

    QElapsedTimer m_uptime;
    QDateTime m_clockBase;
    int m_clockQuarters = 0;
    QElapsedTimer m_clockRun;
};

} // namespace portiva::modemsim
