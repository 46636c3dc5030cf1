#include "inbox/SmsInterpreter.h"

#include "inbox/CallState.h"
#include "inbox/InboxLog.h"
#include "inbox/InboxRepo.h"
#include "inbox/ListingEntry.h"
#include "inbox/SmsText.h"
#include "modem/GsmCharTables.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "programstate/AppState.h"

#include <QRegularExpression>

namespace portiva
{

SmsInterpreter::SmsInterpreter(AppState &state, InboxRepo &repo) : m_state(state), m_repo(repo) {}

QString SmsInterpreter::storedText(const QString &rawBody)
{
    QByteArray codes = rawBody.toLatin1();
    if (codes.startsWith('\n'))
        codes.remove(0, 1);
    // An ESC LF pair decodes to a form feed, so only line breaks of the text remain as LF.
    QString text = GsmCharTables::decode(codes);
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

void SmsInterpreter::findNames(const QString &sender, QString &surname, QString &firstName)
{
    surname = firstName = QStringLiteral("?");
    if (sender.isEmpty())
        return;
    containedStep("catalogue names", [&] {
        if (const auto names = m_repo.catalogueNames(sender))
            names->fillIn(surname, firstName);
    });
    if (surname != QLatin1String("?") || firstName != QLatin1String("?"))
        return;
    containedStep("key unit name", [&] {
        if (const auto name = m_repo.keyUnitName(sender)) {
            if (!name->isNull() && !name->toString().isEmpty())
                surname = name->toString();
            firstName = QStringLiteral(" ");
        }
    });
}

bool SmsInterpreter::intake(const ListingEntry &entry, QString &working, CallState &call,
                            const std::function<std::optional<QString>()> &readBody,
                            const std::function<bool(const QString &)> &storedBefore)
{
    call.sender = entry.sender;
    m_state.CurrentSMSSender = call.sender;
    m_state.ReloadRequested = true;

    const std::optional<QString> body = readBody();
    working = body.value_or(QString());
    // The body line was lost before it reached the program (the stream was cut short while it
    // was awaited, or what came is the next entry's header). The entry is left on the modem
    // for the next listing.
    static const QRegularExpression nextHeader(QStringLiteral("^\\+CMGL: *\\d+ *,"));
    if (!body || nextHeader.match(working).hasMatch()) {
        qCWarning(lcInbox).noquote()
            << "listing entry without its body, left on the modem:" << call.index;
        call.sender.clear();
        call.deletable = false;
        return false;
    }
    InboxRepo::ReceivedRow row;
    row.FraNummer = call.sender;
    row.FraNummerKort = SmsText::vbTrim(SmsText::mid(call.sender, 4, 9).value_or(QString()));
    row.SMS_Text = storedText(working);
    row.Dato = entry.timeStamp;
    // Stored and applied before, but still on the modem: its deletion failed, or the program
    // ended before it could delete it.
    bool known = storedBefore && storedBefore(working);
    if (!known &&
        !containedStep("find the SMS stored before", [&] { known = m_repo.receivedBefore(row); })) {
        call.sender.clear();
        call.deletable = false;
        return false;
    }
    if (known) {
        qCDebug(lcInbox).noquote() << "listing entry stored before, only deleted:" << call.index;
        call.sender.clear();
        return false;
    }
    findNames(call.sender, row.Etternavn, row.Fornavn);
    if (!storeAndApply(row, working, call)) {
        call.sender.clear();
        call.deletable = false;
        return false;
    }
    return true;
}

// The SMS and everything its answer changes are one commit: a message is never stored without
// its answer applied, which a later listing could not mend (it would find it stored). A step
// that met a lock or a full disk undoes the whole; the message stays on the modem.
bool SmsInterpreter::storeAndApply(const InboxRepo::ReceivedRow &row, QString &working,
                                   CallState &call)
{
    const QString before = working;
    const FailureWatch watch;
    const bool done = containedStep("store received SMS", [&] {
        Connection::Transaction transaction(m_repo.connection());
        m_repo.insertReceived(row);
        // A reply whose sender could not be read is stored but applies to no unit.
        if (!call.sender.isEmpty())
            replies(working, call);
        if (watch.blocking())
            return; // rolled back
        transaction.commit();
    });
    if (done && !watch.blocking())
        return true;
    working = before;
    return false;
}

void SmsInterpreter::deliveryReport(const ListingEntry &entry, CallState &call)
{
    bool numeric = SmsText::isDigits(entry.status);
    const qulonglong status = numeric ? entry.status.toULongLong(&numeric) : 0;
    if (!numeric) {
        qCDebug(lcInbox).noquote()
            << "status report without a numeric status:" << entry.fields.join(u',');
        return;
    }
    const QString result =
        status == 0 ? QStringLiteral("OK") : QStringLiteral("Fail ") + QString::number(status);
    std::optional<qint64> id;
    bool interrupted = false;
    const bool ok = containedStep("find the reported SMS",
                                  [&] {
                                      id = m_repo.waitingSentRow(entry.reference, entry.recipient);
                                      // A send cut off before its reference came went out after
                                      // all.
                                      if (!id) {
                                          id = m_repo.interruptedSentRow(entry.recipient);
                                          interrupted = id.has_value();
                                      }
                                  }) &&
                    (!id || containedStep("complete the reported SMS", [&] {
                        if (interrupted)
                            m_repo.completeInterrupted(*id, entry.reference, result, entry.timeSent,
                                                       entry.timeReceived);
                        else
                            m_repo.completeSent(*id, entry.reference, result, entry.timeSent,
                                                entry.timeReceived);
                    }));
    if (!ok)
        call.deletable = false;
    else if (!id)
        qCDebug(lcInbox).noquote()
            << "status report for no waiting SMS, reference" << entry.reference;
}

} // namespace portiva
