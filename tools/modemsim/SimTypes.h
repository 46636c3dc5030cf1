#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace portiva::modemsim
{

struct SimEvent {
    qint64 ms = 0; // on the simulator's clock, from its start
    QString
        kind; // cmd, junk, text, out, notice, submit, deliver, delete, unit, fault, link, control
    QString text; // non-printable bytes written as \xNN
};

struct Submission {
    QDateTime time;
    QString da;
    bool quoted = true;
    QByteArray raw; // the bytes of the text entry as received (without the Ctrl-Z)
    QString text;   // decoded in the character set in force
    int fo = 17;
    int mr = 0;
    bool reportRequested = false;
};

struct FaultRule {
    // Endless: the information lines come again and again, never a final result, until the
    // rule is cleared.
    enum Action { Error, Cms, Cme, NotSupport, Silence, Delay, Reply, NoEnd, Endless, Drop, Ok };
    QString prefix; // matched against the start of a command, ignoring case
    Action action = Error;
    int value = 0;         // error number or delay in ms
    QByteArray bytes;      // exact reply
    int times = -1;        // -1: every time
    bool atSubmit = false; // AT+CMGS rules: fire after Ctrl-Z instead of at the command line
};

enum class LineEnd { CrLf, Cr, CrCrLf };

struct ModemIdentity {
    QString manufacturer = QStringLiteral("SIMULATOR");
    QString model = QStringLiteral("SIM-1");
    QString revision = QStringLiteral("1.0");
    QString imei = QStringLiteral("123456789012345");
    QString imsi = QStringLiteral("242019876543210");
    bool prefixed = false; // answers as "+CGSN: <imei>" and so on
};

// The settings AT&F restores and AT&W stores.
struct ModemProfile {
    bool echo = true;
    bool verbose = true;
    int cmee = 0;
    QString cscs = QStringLiteral("GSM");
    int csdh = 0;
    int cnmi[5] = {0, 0, 0, 0, 0};
    int csmp[4] = {17, 167, 0, 0};
    QString mem[3] = {QStringLiteral("SM"), QStringLiteral("SM"), QStringLiteral("SM")};
};

struct DeliverOptions {
    bool read = false;
    QString scts; // empty: the simulated clock
    QString alpha;
    bool notify = true;
};

} // namespace portiva::modemsim
