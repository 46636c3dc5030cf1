#pragma once

#include <QString>

namespace portiva
{

// The two lists of the sent-SMS window: what has left the queue, or what still waits in it
// (with the withdrawn rows that wait to be purged). Every row is in one of them: a row without
// a send state has left the queue (an older program could end a failed send so).
enum class SentView { Sent, Outbox };

inline SentView sentViewFor(bool showSentSMS)
{
    return showSentSMS ? SentView::Sent : SentView::Outbox;
}

inline QString sentViewQuery(SentView view)
{
    const QString columns =
        QStringLiteral("SELECT ID, TilNummerkort, Dato, fornavn, etternavn, SMS_Text, CMGS, "
                       "TimeSent, TimeReceived, Receivedstatus FROM SMS_Sent WHERE ");
    return columns + (view == SentView::Sent
                          ? QStringLiteral("CMGS IS NULL OR (NOT CMGS = 'UNSENT' AND NOT CMGS = "
                                           "'SLETTET')")
                          // In ID order, as the table holds them, whichever way the rows
                          // of the two states are found.
                          : QStringLiteral("CMGS = 'UNSENT' OR CMGS = 'SLETTET' ORDER BY ID"));
}

} // namespace portiva
