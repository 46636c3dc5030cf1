#pragma once

#include <QString>
#include <QVariant>

namespace portiva
{

class Connection;

// Whether the workstation named in the Modem row still holds the modem. The holder renews a
// time stamp in the row while it runs (ModemRenewed, milliseconds of UTC); a hold that was not
// renewed within the limit belongs to a workstation that died (killed, a power cut) and no
// longer keeps the modem from the others.
class ModemHold
{
public:
    enum class State {
        Free,  // nobody holds it
        Mine,  // held under this workstation's name
        Live,  // another holds it and renewed lately, or never said (an older program)
        Stale, // another held it and stopped renewing: dead
    };
    struct Seen {
        State state = State::Free;
        QString owner;
        qint64 silentMs = -1; // since the last renewal; -1 when never renewed
        // The row as read, so that a claim takes only what was judged.
        QVariant status, ownerValue, renewed;
    };

    // An older file gets the time stamp column (once; the others see it at their next read).
    static void prepare(Connection &db);
    // ModemStatus as Jet wrote it: Null, 0, the text "False" (or "0") read as not held.
    static bool statusHeld(const QVariant &status);
    static Seen judge(Connection &db, const QString &me, qint64 nowMs, int limitMs);
    // Takes the row for me as judged in seen (Live only when the operator said so), with the
    // modem's identity where given; false when the row changed since it was read.
    static bool claim(Connection &db, const Seen &seen, const QString &me, qint64 nowMs,
                      const QString &imei, const QString &manufacturer, const QString &model);
    // Renews my hold; false when the row no longer names me as its holder.
    static bool renew(Connection &db, const QString &me, qint64 nowMs);
    static QString owner(Connection &db);
};

} // namespace portiva
