#pragma once

#include "inbox/InboxRepo.h"
#include "modem/UnitLedger.h"

#include <QString>
#include <functional>
#include <optional>

namespace portiva
{

struct AppState;
struct CallState;
struct ListingEntry;

// The interpretation blocks of one listing entry. No modem, timers or widgets: each block
// works on the working text, the call's values and the database only.
class SmsInterpreter
{
public:
    SmsInterpreter(AppState &state, InboxRepo &repo);

    // Where the operator is told of an answer that could not be placed; empty: only logged.
    std::function<void(const QString &)> notice;

    // Block 1, a received message: publishes the sender, asks the record windows to reload,
    // reads the raw body into working (through readBody: none when it was lost), and stores the
    // SMS_Received row with blocks 2 to 7 applied (replies), in one commit. A failed insert, or
    // a block that met a lock or a full disk, writes nothing and clears call.deletable, so the
    // message stays in the modem. An entry that storedBefore knows (read at a listing that never
    // ended, so still on the modem), or that is stored already (same sender, modem stamp and
    // text), is not stored or applied again, only deleted. True when a row was stored now.
    bool intake(const ListingEntry &entry, QString &working, CallState &call,
                const std::function<std::optional<QString>()> &readBody,
                const std::function<bool(const QString &)> &storedBefore = {});

    // Block 8, a status report: completes the newest SMS_Sent row waiting with its reference
    // (and recipient, where the report names one). A report that could not be written clears
    // call.deletable; one that matches nothing, or has no numeric status, writes nothing.
    void deliveryReport(const ListingEntry &entry, CallState &call);

    // Blocks 2 to 7 of a received message with a sender, in their order, each on the working
    // text the one before left.
    void replies(QString &working, CallState &call);

    // Block 2: a unit confirms a user ("er lagt til" and its forms). Writes the user's right
    // at the sender with status "Aktiv" and the call's suffix, adding a catalogue entry for an
    // unknown user; consumes the admin mark and the fields it reads.
    void registrationReply(QString &working, CallState &call);
    // Block 3: a unit removed a user, or holds none ("er slettet" and its forms): deletes the
    // user's right at the sender.
    void removalReply(const QString &working, const CallState &call);
    // Block 4: "*user" and "d/m,h:mm" pairs become LOGGData rows, none twice.
    void logListing(QString &working, const CallState &call);
    // Block 5: every "*user" listed gets a right at the sender, "AKTIV" and the suffix.
    void userListing(QString &working, CallState &call);
    // Block 6: the unit's name, admin, assistants and own number into its KEYTable row.
    void adminListing(const QString &working, const CallState &call);
    // Block 7: welcomes and the release of the unit's admin place.
    void adminNotices(const QString &working, const CallState &call);

    // The stored form of a raw GSM body: one LF at the start dropped, every other LF a line
    // break (CR LF), the rest through the GSM table.
    static QString storedText(const QString &rawBody);

private:
    // The international number the catalogue knows for a national one; "+" CountryCode and
    // the number when it knows none (then added to the catalogue when addMissing).
    QString catalogueUser(const QString &national, const CallState &call, bool addMissing);
    void findNames(const QString &sender, QString &surname, QString &firstName);
    bool storeAndApply(const InboxRepo::ReceivedRow &row, QString &working, CallState &call);
    void tell(const QString &text) const;
    // The newest user command with this national number that went out to the sender; none
    // when none did. False when it could not be read (then nothing may be applied).
    bool lastSentTo(const CallState &call, const QString &national,
                    std::optional<UserCommand> &last);
    // The one right the command names at the sender (0 when none); -1 when more than one fits
    // or the look-up failed, and nothing may be applied.
    qint64 rightOfCommand(const CallState &call, const UserCommand &command);
    // The right a reply answers: the one named by the last command that went out, or, when
    // none of ours did, 0 for the unit's only right with these digits and -1 for several.
    // Empty when the rights could not be counted.
    std::optional<qint64> answeredRight(const CallState &call, const QString &number,
                                        const std::optional<UserCommand> &last);

    AppState &m_state;
    InboxRepo &m_repo;
};

} // namespace portiva
