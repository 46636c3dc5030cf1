#include "modem/SendQueue.h"

#include "core/AppState.h"
#include "modem/ExchangeGuard.h"
#include "modem/GsmCharTables.h"
#include "modem/ModemClock.h"
#include "modem/ModemContext.h"
#include "modem/ModemHost.h"
#include "modem/ModemLink.h"
#include "modem/SmsSender.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/Dialogs.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"

#include <QRegularExpression>
#include <QTimer>
#include <cmath>

namespace portiva
{

SendQueue::SendQueue(ModemContext &ctx, SmsSender &sender) : m_ctx(ctx), m_sender(sender) {}

QString SendQueue::unsendableRefusal(const QString &text)
{
    const QString bad = GsmCharTables::unsendable(text);
    if (bad.isEmpty())
        return QString();
    QString named;
    for (QChar c : bad) {
        if (c == u'\t')
            named += QStringLiteral("<TAB>");
        else if (!c.isPrint() || c.isSpace())
            named += QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        else
            named += c;
    }
    return QStringLiteral("Teksten har tegn som ikke kan sendes som SMS: ") + named;
}

void SendQueue::QueueSMS(Recordset &view, const QString &text, const QString &recipient,
                         const QString &surname, const QString &firstName, const QDate &date,
                         const QString &state, MatchMode mode, KortRule kort)
{
    if (const QString refusal = unsendableRefusal(text); !refusal.isEmpty())
        throw Error(refusal);
    const QString value = vb::UCase(vb::Trim(text));
    if (!(view.BOF() && view.EOF()))
        view.MoveFirst();
    bool found = false;
    while (view.find(QStringLiteral("SMS_Text"), value)) {
        if (mode == MatchMode::TextOnlyReaddress ||
            view.toTextOr(QStringLiteral("TilNummer"), QString())
                    .compare(recipient, Qt::CaseInsensitive) == 0) {
            found = true;
            break;
        }
        view.MoveNext();
        if (view.EOF())
            break;
    }
    const int day = vb::dayNumber(date);
    auto setNames = [&] {
        if (!surname.isEmpty())
            view.setValue(QStringLiteral("Etternavn"), surname);
        if (!firstName.isEmpty())
            view.setValue(QStringLiteral("Fornavn"), firstName);
    };
    auto setKort = [&] {
        if (kort == KortRule::NineFromFourth)
            view.setValue(QStringLiteral("TilNummerKort"), recipient.mid(3, 9));
        else if (recipient.size() >= 3)
            view.setValue(QStringLiteral("TilNummerKort"), recipient.mid(3));
    };
    if (found) {
        view.setValue(QStringLiteral("Dato"), date);
        view.setValue(QStringLiteral("DatoLNG"), day);
        view.setValue(QStringLiteral("CMGS"), state);
        setNames();
        if (mode == MatchMode::TextOnlyReaddress) {
            view.setValue(QStringLiteral("TilNummer"), recipient);
            setKort();
        }
        view.Update();
        return;
    }
    view.AddNew();
    view.setValue(QStringLiteral("TilNummer"), recipient);
    setKort();
    view.setValue(QStringLiteral("SMS_Text"), text);
    view.setValue(QStringLiteral("Dato"), date);
    view.setValue(QStringLiteral("DatoLNG"), day);
    view.setValue(QStringLiteral("CMGS"), state);
    setNames();
    view.Update();
}

int SendQueue::PollBackOff(int interval, int threshold, int maximum)
{
    if (interval < threshold)
        return int(std::nearbyint(interval * 1.5));
    return maximum;
}

void SendQueue::applyPollBackOff()
{
    m_ctx.restartSendTimer(PollBackOff(m_ctx.TimerSEND_SMS.interval(),
                                       m_ctx.timing.backOffThreshold, m_ctx.timing.sendMax));
}

bool SendQueue::writeResult(qint64 id, const QString &cmgs, QString &error)
{
    const auto &db = m_ctx.state.SharedConnection;
    if (!db)
        return true;
    for (int attempt = 0; attempt < 3; ++attempt) {
        try {
            db->exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = ?1, TimeReceived = ?2, "
                                    "TimeSent = ?2, ReceivedStatus = ?2 WHERE ID = ?3"),
                     {cmgs, QStringLiteral("NA"), id});
            return true;
        } catch (const Error &e) {
            error = e.description();
        }
    }
    return false;
}

void SendQueue::markUserStatus(const QString &text, const QString &recipient)
{
    const auto &db = m_ctx.state.SharedConnection;
    if (!db)
        return;
    QString national = text.mid(2);
    const qsizetype cut = national.indexOf(QRegularExpression(QStringLiteral("[>*]")));
    if (cut >= 0)
        national = national.left(cut);
    national = vb::Trim(national.left(9));
    QVariant user = db->scalar(
        QStringLiteral("SELECT Bruker FROM Katalog WHERE BrukerKort = ?1 ORDER BY rowid LIMIT 1"),
        {national});
    const QString bruker =
        user.isNull() ? QStringLiteral("+") + m_ctx.state.CountryCode + national : user.toString();
    const QVariant row = db->scalar(QStringLiteral("SELECT rowid FROM TBLbrukere WHERE KeyBruker = "
                                                   "?1 AND KeyNummer = ?2 ORDER BY rowid LIMIT 1"),
                                    {bruker, recipient});
    if (row.isNull())
        return;
    if (text.startsWith(QLatin1String("I "), Qt::CaseInsensitive))
        db->exec(QStringLiteral("UPDATE TBLbrukere SET Status = 'Registrerer' WHERE rowid = ?1"),
                 {row});
    if (text.startsWith(QLatin1String("U "), Qt::CaseInsensitive))
        db->exec(QStringLiteral("UPDATE TBLbrukere SET Status = 'Sletter' WHERE rowid = ?1"),
                 {row});
}

void SendQueue::Send_Next_SMS()
{
    ModemFlags &f = m_ctx.flags();
    QString error;
    if (m_held) {
        // A real send whose result could not be stored: store it before anything goes out.
        if (!writeResult(m_held->id, m_held->cmgs, error)) {
            m_ctx.restartSendTimer(m_ctx.timing.sendAfterSend);
            return;
        }
        m_held.reset();
    }
    // The line poll rests during the send and runs again after it while the modem is ready.
    ExchangeGuard guard(m_ctx.exchange, f.QueueWorkerBusy,
                        [this] { m_ctx.setTimerCom(m_ctx.state.ModemReady); });
    const auto &db = m_ctx.state.SharedConnection;
    if (!db)
        return;
    qint64 id = 0;
    QString text, number;
    try {
        auto rs = Recordset::open(db,
                                  QStringLiteral("SELECT ID, SMS_Text, TilNummer, datolng FROM "
                                                 "SMS_Sent WHERE CMGS = ?1 ORDER BY datolng, ID "
                                                 "LIMIT 1"),
                                  {QStringLiteral("UNSENT")});
        if (rs->EOF()) {
            f.QueueNotEmpty = false;
            applyPollBackOff();
            return;
        }
        id = rs->value(QStringLiteral("ID")).toLongLong();
        text = rs->toTextOr(QStringLiteral("SMS_Text"), QString());
        number = rs->toTextOr(QStringLiteral("TilNummer"), QString());
    } catch (const Error &) {
        dialogs().beep();
        dialogs().beep();
        return;
    }
    const QString result = m_sender.Send_SMS(text, number);
    if (!m_ctx.link.linkLost()) {
        QString cmgs = result;
        bool isNumber = false;
        const int ref = result.toInt(&isNumber);
        if (!m_ctx.deliveryReportsOn && isNumber && ref >= 0 && ref <= 255 &&
            !result.startsWith(u'+') && !result.startsWith(u'-'))
            cmgs = result + QStringLiteral(":OK");
        if (!writeResult(id, cmgs, error)) {
            m_held = HeldResult{id, cmgs};
            m_ctx.host.Write2StatusBox(
                QStringLiteral("SMS sendt, men resultatet kunne ikke lagres: ") + error +
                QStringLiteral("\r\n"));
        }
        if (!result.isEmpty() && !result.contains(QLatin1String("error"), Qt::CaseInsensitive)) {
            try {
                markUserStatus(text, number);
            } catch (const Error &) {
                dialogs().beep();
                dialogs().beep();
            }
        }
    }
    m_ctx.restartSendTimer(m_ctx.timing.sendAfterSend);
    f.QueueNotEmpty = true;
}

} // namespace portiva
