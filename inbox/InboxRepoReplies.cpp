#include "inbox/InboxRepo.h"

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"

namespace portiva
{

namespace
{

std::optional<QString> trimmedText(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    QString s = v.toString();
    while (s.startsWith(u' '))
        s.remove(0, 1);
    while (s.endsWith(u' '))
        s.chop(1);
    return s;
}

QVariant orNull(const std::optional<QString> &v)
{
    return v ? QVariant(*v) : QVariant();
}

} // namespace

std::optional<QString> InboxRepo::catalogueUserByShort(const QString &national)
{
    return trimmedText(
        db().scalar(QStringLiteral("SELECT Bruker FROM Katalog WHERE trim(BrukerKort) = ?1 "
                                   "ORDER BY rowid LIMIT 1"),
                    {national}));
}

std::optional<QString> InboxRepo::catalogueUserByNumber(const QString &number)
{
    return trimmedText(
        db().scalar(QStringLiteral("SELECT Bruker FROM Katalog WHERE trim(Bruker) = ?1 "
                                   "ORDER BY rowid LIMIT 1"),
                    {number}));
}

std::optional<InboxRepo::Names> InboxRepo::catalogueNamesByShort(const QString &national)
{
    return namesWhere(QStringLiteral("SELECT Etternavn, Fornavn FROM Katalog WHERE "
                                     "trim(BrukerKort) = ?1 ORDER BY rowid LIMIT 1"),
                      national);
}

void InboxRepo::insertCatalogue(const QString &bruker, const QString &brukerKort)
{
    db().exec(QStringLiteral("INSERT INTO Katalog (Bruker, BrukerKort, Etternavn, Fornavn) "
                             "VALUES (?1, ?2, '?', '?')"),
              {bruker, brukerKort});
}

std::optional<qint64> InboxRepo::rightAt(const QString &user, const QString &unit)
{
    const QVariant id =
        db().scalar(QStringLiteral("SELECT rowid FROM TBLbrukere WHERE trim(KeyBruker) = ?1 "
                                   "AND trim(KeyNummer) = ?2 ORDER BY rowid LIMIT 1"),
                    {user, unit});
    if (id.isNull())
        return std::nullopt;
    return id.toLongLong();
}

void InboxRepo::insertRight(const Right &r)
{
    db().exec(QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, Status, KeyNummer, [Gyldig fra], "
                             "[Gyldig til], FraTid, TilTid, Konto, Saldo) "
                             "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"),
              {r.KeyBruker, r.Status, r.KeyNummer, r.GyldigFra, r.GyldigTil, r.FraTid, r.TilTid,
               r.Konto, r.Saldo});
}

void InboxRepo::updateConfirmedRight(qint64 rowid, const Right &r, bool withKonto)
{
    // Two fixed texts rather than one built up: no statement is ever assembled at run time.
    static const QString plain = QStringLiteral(
        "UPDATE TBLbrukere SET Status = ?1, [Gyldig fra] = ?2, [Gyldig til] = ?3, FraTid = ?4, "
        "TilTid = ?5, Saldo = ?6 WHERE rowid = ?7");
    static const QString konto = QStringLiteral(
        "UPDATE TBLbrukere SET Status = ?1, [Gyldig fra] = ?2, [Gyldig til] = ?3, FraTid = ?4, "
        "TilTid = ?5, Saldo = ?6, Konto = 'Saldo' WHERE rowid = ?7");
    db().exec(withKonto ? konto : plain,
              {r.Status, r.GyldigFra, r.GyldigTil, r.FraTid, r.TilTid, r.Saldo, rowid});
}

void InboxRepo::setRightStatus(qint64 rowid, const QString &status)
{
    db().exec(QStringLiteral("UPDATE TBLbrukere SET Status = ?1 WHERE rowid = ?2"),
              {status, rowid});
}

void InboxRepo::insertFetchedRight(const QString &unit, const QString &user, const QString &status,
                                   const QString &from, const QString &to)
{
    db().exec(QStringLiteral("INSERT INTO TBLbrukere (KeyNummer, KeyBruker, Status, [Gyldig fra], "
                             "[Gyldig til], Konto) VALUES (?1, ?2, ?3, ?4, ?5, 'Hentet')"),
              {unit, user, status, from, to});
}

int InboxRepo::deleteRightAt(const QString &user, const QString &unit)
{
    return db().exec(QStringLiteral("DELETE FROM TBLbrukere WHERE rowid = (SELECT rowid FROM "
                                    "TBLbrukere WHERE trim(KeyBruker) = ?1 AND "
                                    "trim(KeyNummer) = ?2 ORDER BY rowid LIMIT 1)"),
                     {user, unit});
}

void InboxRepo::deleteRight(qint64 rowid)
{
    db().exec(QStringLiteral("DELETE FROM TBLbrukere WHERE rowid = ?1"), {rowid});
}

int InboxRepo::rightsWithNational(const QString &unit, const QString &national)
{
    return db()
        .scalar(QStringLiteral("SELECT count(DISTINCT trim(KeyBruker)) FROM TBLbrukere "
                               "WHERE trim(KeyNummer) = ?1 AND "
                               "substr(trim(KeyBruker), 4) = ?2"),
                {unit, national})
        .toInt();
}

bool InboxRepo::logEntryExists(const QString &dato, const QString &unit, const QString &user)
{
    return !db().scalar(QStringLiteral("SELECT 1 FROM LOGGData WHERE Dato = ?1 AND "
                                       "trim(KeyNummer) = ?2 AND KeyUser = ?3 LIMIT 1"),
                        {dato, unit, user})
                .isNull();
}

void InboxRepo::insertLogEntry(const LogEntry &e)
{
    db().exec(QStringLiteral("INSERT INTO LOGGData (KeyNummer, KeyUser, Dato, Etternavn, Fornavn) "
                             "VALUES (?1, ?2, ?3, ?4, ?5)"),
              {e.KeyNummer, e.KeyUser, e.Dato, e.Etternavn, e.Fornavn});
}

std::optional<qint64> InboxRepo::keyUnitRow(const QString &number)
{
    const QVariant id = db().scalar(QStringLiteral("SELECT rowid FROM KEYTable WHERE "
                                                   "trim(KeyNummer) = ?1 ORDER BY rowid LIMIT 1"),
                                    {number});
    if (id.isNull())
        return std::nullopt;
    return id.toLongLong();
}

void InboxRepo::updateAdminFields(qint64 rowid, const AdminFields &f)
{
    // A Null parameter keeps the column; an empty text is a field the listing left empty.
    db().exec(QStringLiteral("UPDATE KEYTable SET Admin = coalesce(?1, Admin), "
                             "Admin1 = coalesce(?2, Admin1), Admin2 = coalesce(?3, Admin2), "
                             "Admin3 = coalesce(?4, Admin3), Admin4 = coalesce(?5, Admin4), "
                             "Admin5 = coalesce(?6, Admin5), "
                             "Eget_Nummer = coalesce(?7, Eget_Nummer), "
                             "Beskrivelse = coalesce(?8, Beskrivelse) WHERE rowid = ?9"),
              {orNull(f.Admin), orNull(f.Admin1), orNull(f.Admin2), orNull(f.Admin3),
               orNull(f.Admin4), orNull(f.Admin5), orNull(f.Eget_Nummer), orNull(f.Beskrivelse),
               rowid});
}

void InboxRepo::setKeyAdmin(qint64 rowid, const QString &admin)
{
    db().exec(QStringLiteral("UPDATE KEYTable SET Admin = ?1 WHERE rowid = ?2"), {admin, rowid});
}

void InboxRepo::setKeySikkerhet(qint64 rowid, const QString &level)
{
    db().exec(QStringLiteral("UPDATE KEYTable SET KeySikkerhet = ?1 WHERE rowid = ?2"),
              {level, rowid});
}

void InboxRepo::insertAssistantUnit(const QString &number, const QString &level)
{
    db().exec(QStringLiteral("INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet) "
                             "VALUES (?1, '?', ?2)"),
              {number, level});
}

} // namespace portiva
