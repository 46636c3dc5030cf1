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
    const std::shared_ptr<Connection> &connection() const { return m_connection; }

    struct Names {
        QVariant surname;   // Etternavn, may be Null
        QVariant firstName; // Fornavn, may be Null
        // Each name the row holds replaces the one given; a Null or empty one leaves it.
        void fillIn(QString &surnameOut, QString &firstNameOut) const;
    };
    struct ReceivedRow {
        QString FraNummer, FraNummerKort, SMS_Text, Dato, Etternavn, Fornavn;
    };

    // The first catalogue row whose Bruker, blanks trimmed, is number.
    std::optional<Names> catalogueNames(const QString &number);
    // KeyNavn of the first key unit whose KeyNummer, blanks trimmed, is number.
    std::optional<QVariant> keyUnitName(const QString &number);
    void insertReceived(const ReceivedRow &row);
    // True when a row of the same sender, modem stamp and text is stored: the same message,
    // listed again. A row without a stamp is never taken for another.
    bool receivedBefore(const ReceivedRow &row);

    // The newest SMS_Sent row still waiting with this reference; recipient, when not empty,
    // must also match ("+..." against TilNummer, a national form against TilNummerKort, both
    // without zeros in front).
    std::optional<qint64> waitingSentRow(const QString &reference, const QString &recipient);
    // The newest row to that recipient whose send was cut off after its text went out; none
    // for a report that names no recipient.
    std::optional<qint64> interruptedSentRow(const QString &recipient);
    // The report of a cut-off send: CMGS becomes the reference and the result, as for a row
    // that waited with its reference. Only while the row still shows the cut-off.
    int completeInterrupted(qint64 id, const QString &reference, const QString &result,
                            const QString &timeSent, const QString &timeReceived);
    // Appends ":" result to CMGS and writes the times, only while CMGS is still the bare
    // reference. Returns the rows changed (0 when another workstation was first).
    int completeSent(qint64 id, const QString &reference, const QString &result,
                     const QString &timeSent, const QString &timeReceived);

    // Registration replies and listings.
    struct Right {
        QString KeyBruker, KeyNummer, GyldigFra, GyldigTil, FraTid, TilTid, Konto, Saldo, Status;
    };
    // Bruker (blanks trimmed) of the first catalogue row whose BrukerKort, trimmed, is national.
    std::optional<QString> catalogueUserByShort(const QString &national);
    // Bruker (blanks trimmed) of the first catalogue row whose Bruker, trimmed, is number.
    std::optional<QString> catalogueUserByNumber(const QString &number);
    // Names of the first catalogue row whose BrukerKort, trimmed, is national.
    std::optional<Names> catalogueNamesByShort(const QString &national);
    // A new catalogue entry, both names "?".
    void insertCatalogue(const QString &bruker, const QString &brukerKort);
    // The first right of user at unit, both compared blank-trimmed.
    std::optional<qint64> rightAt(const QString &user, const QString &unit);
    void insertRight(const Right &right);
    // Status, validity, hours and balance of a confirmed right; Konto only when withKonto.
    void updateConfirmedRight(qint64 rowid, const Right &right, bool withKonto);
    void setRightStatus(qint64 rowid, const QString &status);
    // A right a user listing reports and the database lacked: Konto "Hentet".
    void insertFetchedRight(const QString &unit, const QString &user, const QString &status,
                            const QString &from, const QString &to);
    // Deletes the first right of user at unit; the rows deleted (0 or 1).
    int deleteRightAt(const QString &user, const QString &unit);
    void deleteRight(qint64 rowid);
    // The rights at unit whose user's national number (from the 4th character) is national.
    int rightsWithNational(const QString &unit, const QString &national);

    struct LogEntry {
        QString KeyNummer, KeyUser, Dato, Etternavn, Fornavn;
    };
    bool logEntryExists(const QString &dato, const QString &unit, const QString &user);
    void insertLogEntry(const LogEntry &entry);

    // Key units. A field left empty (nullopt) keeps the stored value.
    struct AdminFields {
        std::optional<QString> Admin, Admin1, Admin2, Admin3, Admin4, Admin5, Eget_Nummer,
            Beskrivelse;
    };
    std::optional<qint64> keyUnitRow(const QString &number);
    void updateAdminFields(qint64 rowid, const AdminFields &fields);
    void setKeyAdmin(qint64 rowid, const QString &admin);
    void setKeySikkerhet(qint64 rowid, const QString &level);
    // A key unit that welcomed this modem as an assistant: name "?".
    void insertAssistantUnit(const QString &number, const QString &level);

private:
    Connection &db();
    // The newest row whose CMGS is exactly cmgs, to that recipient when one is given.
    std::optional<qint64> sentRowIn(const QString &cmgs, const QString &recipient);
    std::optional<Names> namesWhere(const QString &select, const QString &value);
    std::shared_ptr<Connection> m_connection;
};

} // namespace portiva
