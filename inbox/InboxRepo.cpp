#include "inbox/InboxRepo.h"

#include "modem/SendQueue.h"
#include "platform/db/DbTexts.h"

#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"

namespace portiva
{

InboxRepo::InboxRepo(std::shared_ptr<Connection> connection) : m_connection(std::move(connection))
{
}

Connection &InboxRepo::db()
{
    if (!m_connection || !m_connection->isOpen())
        throw Error(closedConnectionText());
    return *m_connection;
}

void InboxRepo::Names::fillIn(QString &surnameOut, QString &firstNameOut) const
{
    if (!surname.isNull() && !surname.toString().isEmpty())
        surnameOut = surname.toString();
    if (!firstName.isNull() && !firstName.toString().isEmpty())
        firstNameOut = firstName.toString();
}

std::optional<InboxRepo::Names> InboxRepo::namesWhere(const QString &select, const QString &value)
{
    db();
    const auto rs = Recordset::open(m_connection, select, {value});
    if (rs->EOF())
        return std::nullopt;
    return Names{rs->value(0), rs->value(1)};
}

std::optional<InboxRepo::Names> InboxRepo::catalogueNames(const QString &number)
{
    return namesWhere(QStringLiteral("SELECT Etternavn, Fornavn FROM Katalog WHERE trim(Bruker) "
                                     "= ?1 ORDER BY rowid LIMIT 1"),
                      number);
}

std::optional<QVariant> InboxRepo::keyUnitName(const QString &number)
{
    db();
    const auto rs =
        Recordset::open(m_connection,
                        QStringLiteral("SELECT KeyNavn FROM KEYTable WHERE trim(KeyNummer) = ?1 "
                                       "ORDER BY rowid LIMIT 1"),
                        {number});
    if (rs->EOF())
        return std::nullopt;
    return rs->value(0);
}

void InboxRepo::insertReceived(const ReceivedRow &row)
{
    db().exec(
        QStringLiteral("INSERT INTO SMS_Received (FraNummer, FraNummerKort, SMS_Text, Dato, "
                       "Etternavn, Fornavn) VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
        {row.FraNummer, row.FraNummerKort, row.SMS_Text, row.Dato, row.Etternavn, row.Fornavn});
}

bool InboxRepo::receivedBefore(const ReceivedRow &row)
{
    if (row.Dato.isEmpty())
        return false;
    return !db().scalar(QStringLiteral("SELECT 1 FROM SMS_Received WHERE Dato = ?1 AND "
                                       "FraNummer = ?2 AND SMS_Text = ?3 LIMIT 1"),
                        {row.Dato, row.FraNummer, row.SMS_Text})
                .isNull();
}

std::optional<qint64> InboxRepo::waitingSentRow(const QString &reference, const QString &recipient)
{
    return sentRowIn(reference, recipient);
}

std::optional<qint64> InboxRepo::interruptedSentRow(const QString &recipient)
{
    if (recipient.isEmpty())
        return std::nullopt;
    return sentRowIn(interruptedSendText(), recipient);
}

int InboxRepo::completeInterrupted(qint64 id, const QString &reference, const QString &result,
                                   const QString &timeSent, const QString &timeReceived)
{
    return db().exec(
        QStringLiteral("UPDATE SMS_Sent SET CMGS = ?1 || ':' || ?2, TimeSent = ?3, "
                       "TimeReceived = ?4, ReceivedStatus = ?2 WHERE ID = ?5 AND CMGS = ?6"),
        {reference, result, timeSent, timeReceived, id, interruptedSendText()});
}

std::optional<qint64> InboxRepo::sentRowIn(const QString &reference, const QString &recipient)
{
    QVariant id;
    if (recipient.isEmpty()) {
        id = db().scalar(
            QStringLiteral("SELECT ID FROM SMS_Sent WHERE CMGS = ?1 ORDER BY ID DESC LIMIT 1"),
            {reference});
    } else if (recipient.startsWith(u'+')) {
        id = db().scalar(QStringLiteral("SELECT ID FROM SMS_Sent WHERE CMGS = ?1 AND "
                                        "trim(TilNummer) = ?2 ORDER BY ID DESC LIMIT 1"),
                         {reference, recipient});
    } else {
        QString national = recipient;
        while (national.startsWith(u'0'))
            national.remove(0, 1);
        id = db().scalar(QStringLiteral("SELECT ID FROM SMS_Sent WHERE CMGS = ?1 AND "
                                        "ltrim(trim(TilNummerKort), '0') = ?2 "
                                        "ORDER BY ID DESC LIMIT 1"),
                         {reference, national});
    }
    if (id.isNull())
        return std::nullopt;
    return id.toLongLong();
}

int InboxRepo::completeSent(qint64 id, const QString &reference, const QString &result,
                            const QString &timeSent, const QString &timeReceived)
{
    return db().exec(
        QStringLiteral("UPDATE SMS_Sent SET CMGS = CMGS || ':' || ?1, TimeSent = ?2, "
                       "TimeReceived = ?3, ReceivedStatus = ?1 WHERE ID = ?4 AND CMGS = ?5"),
        {result, timeSent, timeReceived, id, reference});
}

} // namespace portiva
