#include "modem/ModemHold.h"

#include "platform/db/Connection.h"

namespace portiva
{

namespace
{
const QString kFirstRow = QStringLiteral(" WHERE rowid = (SELECT min(rowid) FROM Modem)");
} // namespace

namespace
{
bool hasStampColumn(Connection &db)
{
    try {
        db.scalar(QStringLiteral("SELECT ModemRenewed FROM Modem LIMIT 0"));
        return true;
    } catch (const std::exception &) {
        return false;
    }
}
} // namespace

void ModemHold::prepare(Connection &db)
{
    if (hasStampColumn(db))
        return;
    try {
        db.exec(QStringLiteral("ALTER TABLE Modem ADD COLUMN ModemRenewed INTEGER"));
    } catch (const std::exception &) {
        if (!hasStampColumn(db)) // else another workstation added it first
            throw;
    }
}

bool ModemHold::statusHeld(const QVariant &status)
{
    if (status.isNull())
        return false;
    if (status.typeId() == QMetaType::QString) {
        const QString t = status.toString().trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        bool number = false;
        const double v = t.toDouble(&number);
        return number && v != 0;
    }
    return status.toDouble() != 0;
}

ModemHold::Seen ModemHold::judge(Connection &db, const QString &me, qint64 nowMs, int limitMs)
{
    prepare(db);
    Seen seen;
    seen.status = db.scalar(QStringLiteral("SELECT ModemStatus FROM Modem ORDER BY rowid LIMIT 1"));
    seen.ownerValue =
        db.scalar(QStringLiteral("SELECT ModemOwner FROM Modem ORDER BY rowid LIMIT 1"));
    seen.renewed =
        db.scalar(QStringLiteral("SELECT ModemRenewed FROM Modem ORDER BY rowid LIMIT 1"));
    seen.owner = seen.ownerValue.toString();
    if (!seen.renewed.isNull())
        seen.silentMs = std::max<qint64>(0, nowMs - seen.renewed.toLongLong());
    if (!statusHeld(seen.status))
        seen.state = State::Free;
    else if (seen.owner.compare(me, Qt::CaseInsensitive) == 0)
        seen.state = State::Mine;
    else if (seen.silentMs > limitMs)
        seen.state = State::Stale;
    else
        seen.state = State::Live;
    return seen;
}

bool ModemHold::claim(Connection &db, const Seen &seen, const QString &me, qint64 nowMs,
                      const QString &imei, const QString &manufacturer, const QString &model)
{
    // What must still stand: my own hold; a free row as it was; a dead holder that has not
    // renewed since; a live holder the operator chose to take over.
    QString still;
    QVariantList params{imei, manufacturer, model, me, nowMs};
    switch (seen.state) {
    case State::Mine:
        still = QStringLiteral(" AND ModemOwner = ?4");
        break;
    case State::Free:
        still = QStringLiteral(" AND ModemStatus IS ?6 AND ModemOwner IS ?7");
        params << seen.status << seen.ownerValue;
        break;
    case State::Stale:
        still = QStringLiteral(" AND ModemOwner IS ?6 AND ModemRenewed IS ?7");
        params << seen.ownerValue << seen.renewed;
        break;
    case State::Live:
        still = QStringLiteral(" AND ModemOwner IS ?6");
        params << seen.ownerValue;
        break;
    }
    return db.exec(QStringLiteral("UPDATE Modem SET "
                                  "IMEICODE = CASE WHEN ?1 = '' THEN IMEICODE ELSE ?1 END, "
                                  "ModemManufacturer = CASE WHEN ?2 = '' THEN "
                                  "ModemManufacturer ELSE ?2 END, "
                                  "ModemName = CASE WHEN ?3 = '' THEN ModemName ELSE ?3 END, "
                                  "ModemStatus = -1, ModemOwner = ?4, ModemRenewed = ?5") +
                       kFirstRow + still,
                   params) > 0;
}

bool ModemHold::renew(Connection &db, const QString &me, qint64 nowMs)
{
    return db.exec(QStringLiteral("UPDATE Modem SET ModemRenewed = ?1") + kFirstRow +
                       QStringLiteral(" AND ModemOwner = ?2"),
                   {nowMs, me}) > 0;
}

QString ModemHold::owner(Connection &db)
{
    return db.scalar(QStringLiteral("SELECT ModemOwner FROM Modem ORDER BY rowid LIMIT 1"))
        .toString();
}

} // namespace portiva
