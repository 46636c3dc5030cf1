#pragma once

#include <QDate>
#include <QString>
#include <memory>

namespace portiva
{

class Connection;

// Asks the key unit keyNummer for its latest log entries ("r5" ... "r100") through the send
// queue. A request still waiting for that unit with the same text is re-dated instead of
// queued twice; one the send worker has taken meanwhile is left as sent and a new one is
// queued. keyName, when not empty, is stored as the row's surname.
void QueueLogRequest(const std::shared_ptr<Connection> &connection, const QString &text,
                     const QString &keyNummer, const QString &keyName,
                     const QDate &today = QDate::currentDate());

} // namespace portiva
