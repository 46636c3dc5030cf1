#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace portiva
{

class Connection;

// The statements of the received-SMS handling, each with bound values on the program-wide
// connection. Every call is one statement, committed on its own; failures throw Error.
class InboxRepo
{
public:
    explicit InboxRepo(std::shared_ptr<Connection> connection);

    struct Names {
        QVariant surname;   // Etternavn, may be Null
        QVariant firstName; // Fornavn, may be Null
    };
    struct ReceivedRow {
        QString FraNummer, FraNummerKort, SMS_Text, Dato, Etternavn, Fornavn;
    };

    // The first catalogue row whose Bruker, blanks trimmed, is number.
    std::optional<Names> catalogueNames(const QString &number);
    // KeyNavn of the first key unit whose KeyNummer, blanks trimmed, is number.
    std::optional<QVariant> keyUnitName(const QString &number);
    void insertReceived(const ReceivedRow &row);

    // The newest SMS_Sent row still waiting with this reference; recipient, when not empty,
    // must also match ("+..." against TilNummer, a national form against TilNummerKort, both
    // without zeros in front).
    std::optional<qint64> waitingSentRow(const QString &reference, const QString &recipient);
    // Appends ":" result to CMGS and writes the times, only while CMGS is still the bare
    // reference. Returns the rows changed (0 when another workstation was first).
    int completeSent(qint64 id, const QString &reference, const QString &result,
                     const QString &timeSent, const QString &timeReceived);

private:
    Connection &db();
    std::shared_ptr<Connection> m_connection;
};

} // namespace portiva
