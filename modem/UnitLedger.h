#pragma once

// What a key unit was told about its users, read from the outgoing SMS. The register's Status
// says what the program last heard; only the texts that went out say what the unit may hold.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

namespace portiva
{

class Connection;

// A registration ("I 12345678>...", "i ...*10") or removal ("U 12345678") read back from its
// text. The letter's case tells a home number (upper) from a foreign one (lower).
struct UserCommand {
    bool registration = false;
    bool home = false;
    QString national; // the number as the unit reads it
    QString from, to; // YYMMDDHH of a period registration; empty otherwise
};
std::optional<UserCommand> readUserCommand(const QString &text);

// Whether a command names this user: the same letter case (home or foreign) and the national
// number as the command carries it (at most 9 digits for a registration, all for a removal).
bool commandNames(const UserCommand &command, const QString &user, const QString &countryCode);

// Whether a row's CMGS says its text went out, is on its way, or may have gone (an interrupted
// send). A queued, withdrawn or refused row never reached the unit.
bool textWentOut(const QVariant &cmgs);

struct SentCommand {
    qint64 id = 0;
    UserCommand command;
};

// The user commands to the unit that went out (textWentOut) and carry this national number,
// newest first.
std::vector<SentCommand> sentCommandsAt(const std::shared_ptr<Connection> &db, const QString &unit,
                                        const QString &national);

// The phrases a unit answers a removal with, as a received text is stored: each says the unit
// does not hold the number (any more).
const QStringList &removalAnswerPhrases();

// How many times the messages stored from the unit say it does not hold these digits ("... er
// slettet", "... finnes ikke" and the other languages' forms), one line each.
int removalAnswersFrom(const std::shared_ptr<Connection> &db, const QString &unit,
                       const QString &national);

// Whether the unit may hold the user: a registration or a removal of this user went out to it,
// and no removal has been confirmed since. A unit answers each command once, and messages are
// stored once; when the newest text naming the user is a removal and every removal of these
// digits that went out has its answer, the unit has said it no longer holds the user. A
// removal whose answer is missing (lost, late, never delivered) leaves the user held.
bool unitMayHold(const std::shared_ptr<Connection> &db, const QString &unit, const QString &user,
                 const QString &countryCode);
// The same for a right with this Status: one the unit confirmed or listed ("Aktiv", "AKTIV")
// or whose removal is under way is held whatever was sent; "NY" and "Ny" only say that the
// right's own command has not been seen to go out, never that no earlier one did.
bool rightMayBeHeld(const std::shared_ptr<Connection> &db, const QString &unit, const QString &user,
                    const QString &status, const QString &countryCode);

// The right (rid) at the unit whose user the command names; none when no right or more than
// one fits (a foreign number the unit knows only without its country code).
std::optional<qint64> rightNamedBy(const std::shared_ptr<Connection> &db, const QString &unit,
                                   const UserCommand &command, const QString &countryCode,
                                   int *matches = nullptr);

} // namespace portiva
