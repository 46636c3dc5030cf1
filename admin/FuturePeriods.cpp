#include "admin/FuturePeriods.h"

#include "admin/CommandLanguage.h"
#include "modem/SendQueue.h"
#include "modem/UnitLedger.h"
#include "platform/db/Connection.h"
#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"
#include "programstate/AppState.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace portiva
{

namespace
{

const char *const kWaiting = "select ID, Bruker, Etternavn, Fornavn, [Gyldig fra], FraTid, "
                             "[Gyldig til], TilTid, Konto, Saldo, Status, KeyNummer "
                             "from NYEbrukere";
// One person's rights, through the index on KeyBruker: the register may hold far more rights
// than there are waiting periods.
const char *const kLiveOf = "select rid, KeyBruker, KeyNummer, [Gyldig fra], FraTid, "
                            "[Gyldig til], TilTid, Konto, Saldo, Status from TBLbrukere where "
                            "KeyBruker = ?1 order by rid";
const char *const kQueue = "SELECT ID, TilNummer, TilNummerKort, Etternavn, Fornavn, Dato,datolng, "
                           "SMS_Text, CMGS, TimeSent, TimeReceived, ReceivedStatus FROM SMS_Sent "
                           "where CMGS = 'UNSENT' or CMGS = 'SLETTET' order by ID";

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Row {
    QVariantMap values;
    QDate start;
    QDate end;

    QString text(const char *name) const { return values.value(QLatin1String(name)).toString(); }
    bool isNull(const char *name) const
    {
        const QVariant v = values.value(QLatin1String(name));
        return !v.isValid() || v.isNull();
    }
};

std::vector<Row> readRows(Recordset &rs)
{
    std::vector<Row> rows;
    if (rs.RecordCount() == 0)
        return rows;
    for (rs.MoveFirst(); !rs.EOF(); rs.MoveNext()) {
        Row row;
        for (int i = 0; i < rs.fieldCount(); ++i)
            row.values.insert(rs.fieldName(i), rs.value(i));
        row.start = vb::parseValidityDate(row.text("Gyldig fra"));
        row.end = vb::parseValidityDate(row.text("Gyldig til"));
        rows.push_back(std::move(row));
    }
    return rows;
}

// The walk order: start date, unreadable starts last, ties by ID.
void sortByStart(std::vector<Row> &rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        if (a.start.isValid() != b.start.isValid())
            return a.start.isValid();
        if (a.start != b.start)
            return a.start < b.start;
        return a.values.value(QStringLiteral("ID")).toLongLong() <
               b.values.value(QStringLiteral("ID")).toLongLong();
    });
}

// A row whose values could not make a right, or a command, waits untouched.
bool handleable(const Row &row)
{
    for (const char *column :
         {"KeyNummer", "Bruker", "Konto", "Status", "FraTid", "TilTid", "Saldo"}) {
        if (row.isNull(column))
            return false;
    }
    if (!row.start.isValid() || !row.end.isValid())
        return false;
    // A period stored with an hour the unit cannot read would be sent as a command it ignores.
    if (!hourText(row.text("FraTid")) || !hourText(row.text("TilTid")))
        return false;
    return !same(row.text("Status"), QStringLiteral("NY")) ||
           vb::IsNumeric(row.values.value(QStringLiteral("Saldo")));
}

std::optional<Row> liveRightOf(const std::shared_ptr<Connection> &db, const Row &waiting)
{
    const QString user = vb::UCase(vb::Trim(waiting.text("Bruker")));
    const QString key = waiting.text("KeyNummer");
    for (Row &row : readRows(*Recordset::open(db, QString::fromLatin1(kLiveOf), {user}))) {
        if (same(row.text("KeyBruker"), user) && same(row.text("KeyNummer"), key))
            return std::move(row);
    }
    return std::nullopt;
}

bool unitMayHold(const std::shared_ptr<Connection> &db, const Row &live, const QString &countryCode)
{
    return rightMayBeHeld(db, live.text("KeyNummer"), live.text("KeyBruker"), live.text("Status"),
                          countryCode);
}

// A right on its way out is not taken back; the waiting periods follow it.
bool leaving(const std::shared_ptr<Connection> &db, const Row &live, const QString &countryCode)
{
    const QString status = live.text("Status");
    if (same(status, QStringLiteral("Slett")) || same(status, QStringLiteral("Sletter")))
        return true;
    // A reply to the right's own registration may have set it back to "Aktiv" meanwhile.
    return !db->scalar(QStringLiteral("SELECT 1 FROM SMS_Sent WHERE CMGS = 'UNSENT' AND "
                                      "TilNummer = ? AND SMS_Text = ? LIMIT 1"),
                       {live.values.value("KeyNummer"),
                        UserRemovalCommand(vb::Trim(live.text("KeyBruker")), countryCode)})
                .isNull();
}

QString keyNameOf(const std::shared_ptr<Connection> &db, const QString &key)
{
    const QVariant name =
        db->scalar(QStringLiteral("SELECT KeyNavn FROM KEYTable WHERE KeyNummer = ? ORDER BY rid "
                                  "LIMIT 1"),
                   {vb::UCase(vb::Trim(key))});
    return name.isNull() ? QString() : name.toString();
}

void swapBack(const std::shared_ptr<Connection> &db, const Row &waiting, const Row &live,
              const QString &countryCode, const QDate &today)
{
    const QString key = live.text("KeyNummer");
    const QString user = live.text("KeyBruker");
    Connection::Transaction transaction(db);
    // A period already waiting with the same values is not added twice.
    db->exec(QStringLiteral("INSERT INTO NYEbrukere (KeyNummer, Bruker, Etternavn, Fornavn, Konto, "
                            "Status, [Gyldig fra], [Gyldig til], TilTid, FraTid, Saldo) "
                            "SELECT ?1, ?2, ?3, ?4, ?5, 'NY', ?6, ?7, ?8, ?9, ?10 WHERE NOT EXISTS "
                            "(SELECT 1 FROM NYEbrukere WHERE KeyNummer = ?1 AND Bruker = ?2 AND "
                            "[Gyldig fra] IS ?6 AND [Gyldig til] IS ?7 AND TilTid IS ?8 AND "
                            "FraTid IS ?9 AND Saldo IS ?10)"),
             {live.values.value("KeyNummer"), live.values.value("KeyBruker"),
              waiting.values.value("Etternavn"), waiting.values.value("Fornavn"),
              live.values.value("Konto"), live.values.value("Gyldig fra"),
              live.values.value("Gyldig til"), live.values.value("TilTid"),
              live.values.value("FraTid"), live.values.value("Saldo")});
    // The period that went back must not reach the unit after the earlier one.
    withdrawRegistrations(db, key, user, countryCode);
    if (unitMayHold(db, live, countryCode)) {
        // A unit answers the registration of a user it holds with the period it has, and that
        // answer is written over the right: the earlier period would be lost. So the unit is
        // told to remove the user first, and the right leaves on its removal reply.
        db->exec(QStringLiteral("UPDATE TBLbrukere SET Status = 'Slett' WHERE rid = ?"),
                 {live.values.value("rid")});
        queueUnitCommand(db, UserRemovalCommand(vb::Trim(user), countryCode), key, today);
    } else {
        db->exec(QStringLiteral("DELETE FROM TBLbrukere WHERE rid = ?"),
                 {live.values.value("rid")});
    }
    transaction.commit();
}

void moveIn(const std::shared_ptr<Connection> &db, const Row &waiting, const QString &countryCode)
{
    const QString key = waiting.text("KeyNummer");
    const QString user = waiting.text("Bruker");
    const QString saldo = waiting.text("Saldo");
    const QString fraTid = hourText(waiting.text("FraTid")).value_or(QString());
    const QString tilTid = hourText(waiting.text("TilTid")).value_or(QString());
    const bool sendCommand = same(waiting.text("Status"), QStringLiteral("NY"));
    // Everything the command needs is read before anything changes.
    QString command;
    if (sendCommand) {
        command = vb::CDbl(saldo) == 0 ? UserRegistrationCommand(user, countryCode, waiting.start,
                                                                 fraTid, waiting.end, tilTid)
                                       : UserRegistrationCommand(user, countryCode, saldo);
    }
    Connection::Transaction transaction(db);
    db->exec(QStringLiteral("DELETE FROM NYEbrukere WHERE ID = ?"), {waiting.values.value("ID")});
    db->exec(QStringLiteral("INSERT INTO TBLbrukere (KeyNummer, KeyBruker, Status, [Gyldig fra], "
                            "[Gyldig til], TilTid, FraTid, Konto, Saldo) "
                            "VALUES (?, ?, 'Ny', ?, ?, ?, ?, ?, ?)"),
             {key, user, vb::validityDateText(waiting.start), vb::validityDateText(waiting.end),
              tilTid, fraTid, waiting.values.value("Konto"), saldo});
    if (sendCommand)
        queueUnitCommand(db, command, key, waiting.start);
    transaction.commit();
}

} // namespace

void queueUnitCommand(const std::shared_ptr<Connection> &db, const QString &text,
                      const QString &key, const QDate &date, QString keyName)
{
    if (keyName.isEmpty())
        keyName = keyNameOf(db, key);
    auto queue = Recordset::open(db, QString::fromLatin1(kQueue));
    SendQueue::QueueSMS(*queue, text, key, keyName, QString(), date);
}

void withdrawRegistrations(const std::shared_ptr<Connection> &db, const QString &key,
                           const QString &user, const QString &countryCode)
{
    if (!db)
        throw Error(closedConnectionText());
    auto queue = Recordset::open(db,
                                 QStringLiteral("SELECT ID, SMS_Text FROM SMS_Sent WHERE CMGS = "
                                                "'UNSENT' AND TilNummer = ? ORDER BY ID"),
                                 {key});
    if (queue->RecordCount() == 0)
        return;
    for (queue->MoveFirst(); !queue->EOF(); queue->MoveNext()) {
        if (isRegistrationFor(queue->toTextOr(QStringLiteral("SMS_Text"), QString()), user,
                              countryCode))
            db->exec(QStringLiteral("UPDATE SMS_Sent SET CMGS = 'SLETTET' WHERE ID = ?"),
                     {queue->value(QStringLiteral("ID"))});
    }
}

FuturePeriodStep ProcessNewUsers(AppState &state, const std::function<void()> &showKeyUsers,
                                 const QDate &today)
{
    const std::shared_ptr<Connection> db = state.SharedConnection;
    if (!db)
        return FuturePeriodStep::Nothing;
    // Most ticks find nothing to do: that is told without reading the waiting periods.
    if (db->scalar(QStringLiteral("SELECT 1 FROM NYEbrukere WHERE Status = 'NY' LIMIT 1")).isNull())
        return FuturePeriodStep::Nothing;
    std::vector<Row> waiting = readRows(*Recordset::open(db, QString::fromLatin1(kWaiting)));
    sortByStart(waiting);
    const auto first = std::find_if(waiting.begin(), waiting.end(), [](const Row &row) {
        return same(row.text("Status"), QStringLiteral("NY"));
    });
    if (first == waiting.end())
        return FuturePeriodStep::Nothing;

    for (auto it = first; it != waiting.end(); ++it) {
        if (!handleable(*it))
            continue;
        const std::optional<Row> right = liveRightOf(db, *it);
        if (!right) {
            moveIn(db, *it, state.CountryCode);
            return FuturePeriodStep::MovedIn;
        }
        if (!right->start.isValid() || right->start <= it->start ||
            leaving(db, *right, state.CountryCode))
            continue;
        swapBack(db, *it, *right, state.CountryCode, today);
        if (showKeyUsers)
            showKeyUsers();
        return FuturePeriodStep::Swapped;
    }
    return FuturePeriodStep::Nothing;
}

} // namespace portiva
