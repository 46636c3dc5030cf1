// The network side of the simulator: messages arriving in the modem's storage, submissions
// routed to key units and telephones, and status reports.

#include "tools/modemsim/AtEngine.h"
#include "tools/modemsim/ControlInterpreter.h"
#include "tools/modemsim/GsmCodec.h"
#include "tools/modemsim/ModemSim.h"

#include <QFile>
#include <QTimer>

namespace portiva::modemsim
{

bool ModemSim::deliverSms(const QString &from, const QString &text, const DeliverOptions &opt,
                          QString *error)
{
    QByteArray gsm;
    if (!GsmCodec::encode(text, &gsm)) {
        // A fixture with a character the alphabet lacks would otherwise arrive corrupted.
        if (error)
            *error = QStringLiteral("character without a GSM code in the text");
        return false;
    }
    deliverRaw(from, gsm, opt);
    return true;
}

int ModemSim::deliverRaw(const QString &from, const QByteArray &gsm, const DeliverOptions &opt)
{
    SmsEntry e;
    e.kind = SmsEntry::Received;
    e.stat = opt.read ? QStringLiteral("REC READ") : QStringLiteral("REC UNREAD");
    e.address = from;
    e.alpha = opt.alpha;
    e.scts = opt.scts.isEmpty() ? timestamp() : opt.scts;
    e.body = gsm;
    return storeIncoming(e, opt.notify);
}

int ModemSim::addStored(const QString &da, const QString &text, bool sent)
{
    SmsEntry e;
    e.kind = SmsEntry::Stored;
    e.stat = sent ? QStringLiteral("STO SENT") : QStringLiteral("STO UNSENT");
    e.address = da;
    e.body = GsmCodec::encodeLossy(text);
    const int index = m_store.add(m_profile.mem[1], e);
    logEvent(QStringLiteral("deliver"),
             QStringLiteral("%1 %2 stored %3").arg(m_profile.mem[1]).arg(index).arg(da));
    return index;
}

int ModemSim::addStatusReport(const SmsEntry &report, bool notify)
{
    const QString mem = m_srStore == QLatin1String("SR") ? QStringLiteral("SR") : m_profile.mem[2];
    const int index = m_store.add(mem, report);
    logEvent(QStringLiteral("deliver"),
             QStringLiteral("%1 %2 status report mr=%3").arg(mem).arg(index).arg(report.mr));
    if (index >= 0 && notify)
        queueNotice("+CDSI: \"" + mem.toLatin1() + "\"," + QByteArray::number(index));
    return index;
}

int ModemSim::storeIncoming(const SmsEntry &entry, bool notify)
{
    const QString mem = m_profile.mem[2];
    const int index = m_store.add(mem, entry);
    if (index < 0) {
        // A full memory: the network keeps the message until room is made.
        m_held.append({entry, notify});
        logEvent(QStringLiteral("deliver"), QStringLiteral("held (memory full) ") + entry.address);
        return -1;
    }
    logEvent(QStringLiteral("deliver"),
             QStringLiteral("%1 %2 %3").arg(mem).arg(index).arg(entry.address));
    if (notify && m_profile.cnmi[1] == 1)
        queueNotice("+CMTI: \"" + mem.toLatin1() + "\"," + QByteArray::number(index));
    return index;
}

void ModemSim::retryHeld()
{
    while (!m_held.isEmpty() && m_store.used(m_profile.mem[2]) < m_store.total(m_profile.mem[2])) {
        const auto held = m_held.takeFirst();
        storeIncoming(held.first, held.second);
    }
}

void ModemSim::submit(const Submission &s)
{
    m_submissions.append(s);
    logEvent(QStringLiteral("submit"),
             QStringLiteral("mr=%1 da=%2 report=%3").arg(s.mr).arg(s.da).arg(s.reportRequested));
    emit submitted(s);
    int status = 0;
    if (KeyUnit *u = unit(s.da)) {
        status = u->deliveryStatus;
        if (status == 0 && !u->silent)
            routeToUnit(s, *u);
        else if (status == 0)
            u->received.append(s.text);
    }
    if (s.reportRequested) {
        QTimer::singleShot(delay(m_srDelay), this, [this, s, status] { statusReport(s, status); });
    }
}

void ModemSim::routeToUnit(const Submission &s, KeyUnit &u)
{
    const QString number = u.number;
    const QString command = s.text;
    QTimer::singleShot(delay(u.delayMs), this, [this, number, command] {
        KeyUnit *unitNow = unit(number);
        if (!unitNow)
            return;
        const QStringList replies = unitNow->handle(command, m_modemNumber, m_modemNumber);
        logEvent(QStringLiteral("unit"), number + QStringLiteral(" ") + command +
                                             QStringLiteral(" -> ") +
                                             QString::number(replies.size()) + " SMS");
        for (const QString &r : replies)
            deliverRaw(number, GsmCodec::encodeLossy(r));
    });
}

void ModemSim::statusReport(const Submission &s, int st)
{
    SmsEntry r;
    r.kind = SmsEntry::StatusReport;
    r.fo = 6;
    r.mr = s.mr;
    r.address = s.da;
    r.scts = s.time.toString(QStringLiteral("yy/MM/dd,hh:mm:ss")) + timestamp().right(3);
    r.dt = timestamp();
    r.st = st;
    const int ds = m_profile.cnmi[3];
    if (ds == 2) {
        addStatusReport(r, true);
    } else if (ds == 1) {
        queueNotice(QStringLiteral("+CDS: 6,%1,\"%2\",%3,\"%4\",\"%5\",%6")
                        .arg(r.mr)
                        .arg(r.address)
                        .arg(r.toa())
                        .arg(r.scts, r.dt)
                        .arg(r.st)
                        .toLatin1());
    } else {
        logEvent(QStringLiteral("deliver"), QStringLiteral("status report dropped (ds 0)"));
    }
}

KeyUnit &ModemSim::addUnit(const QString &number, const QString &name, const QString &lang)
{
    KeyUnit u;
    u.number = number;
    u.name = name;
    u.language = lang;
    u.ownNumber = number;
    m_units.insert(number, u);
    return m_units[number];
}

KeyUnit *ModemSim::unit(const QString &number)
{
    auto it = m_units.find(number.trimmed());
    return it == m_units.end() ? nullptr : &it.value();
}

void ModemSim::sendFromUnit(const QString &number, const QString &body)
{
    deliverRaw(number, GsmCodec::encodeLossy(body));
}

void ModemSim::sendAdminListing(const QString &number)
{
    if (KeyUnit *u = unit(number)) {
        for (const QString &r : u->adminListing())
            deliverRaw(number, GsmCodec::encodeLossy(r));
    }
}

QStringList ModemSim::control(const QString &line)
{
    logEvent(QStringLiteral("control"), line);
    ControlInterpreter interpreter(*this);
    return interpreter.execute(line);
}

bool ModemSim::runScript(const QString &file, QString *error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(file, f.errorString());
        return false;
    }
    int lineNumber = 0;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        ++lineNumber;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList answer = control(line);
        if (!answer.isEmpty() && answer.last().startsWith(QLatin1String("ERR"))) {
            if (error)
                *error = QStringLiteral("%1:%2: %3").arg(file).arg(lineNumber).arg(answer.last());
            return false;
        }
    }
    return true;
}

} // namespace portiva::modemsim
