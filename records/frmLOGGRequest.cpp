#include "records/frmLOGGRequest.h"

#include "modem/SendQueue.h"
#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"

namespace portiva
{

void QueueLogRequest(const std::shared_ptr<Connection> &connection, const QString &text,
                     const QString &keyNummer, const QString &keyName, const QDate &today)
{
    if (!connection)
        throw Error(closedConnectionText());
    // Read at the click, not at the window's load: a row sent since then must never be set
    // back to "UNSENT" and sent twice. The unit's number is matched exactly, as it is stored.
    auto waiting = Recordset::open(
        connection,
        QStringLiteral("SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato, DatoLNG, "
                       "SMS_Text, CMGS, TimeSent, TimeReceived, ReceivedStatus FROM SMS_Sent "
                       "WHERE CMGS = 'UNSENT' AND TilNummer = ? COLLATE BINARY ORDER BY ID"),
        {keyNummer});
    SendQueue::QueueSMS(*waiting, text, keyNummer, keyName, QString(), today);
    waiting->Close();
}

} // namespace portiva
