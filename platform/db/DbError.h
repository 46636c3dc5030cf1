#pragma once

#include "platform/vb/Error.h"

#include <QString>
#include <QVariant>
#include <exception>

struct sqlite3;

namespace portiva
{

// A failure of the database file, told in the operator's language and naming the file. The
// kind lets a caller say what its own step could not do (a lock: try again; a full disk: the
// queue waits) without reading the text.
class DatabaseError : public Error
{
public:
    enum class Kind {
        Locked,     // another workstation holds the file
        Full,       // the disk holding the file (or its journal) is full
        Constraint, // a row the file's rules refuse (a value already there, a missing value)
        Conflict,   // the row was changed or removed elsewhere since it was read
        Open,       // the file cannot be opened, or is not this program's database
        Other,
    };

    DatabaseError(Kind kind, const QString &file, const QString &description,
                  const QString &detail = {}, const QString &column = {});

    Kind kind() const noexcept { return m_kind; }
    const QString &file() const noexcept { return m_file; }
    // SQLite's own words, for a log or a test; never shown to the operator.
    const QString &detail() const noexcept { return m_detail; }
    // The column a constraint names ("KeyNummer" of "KEYTable.KeyNummer"), else empty.
    const QString &column() const noexcept { return m_column; }

    // The same refusal, naming the value that was refused.
    DatabaseError namingValue(const QVariant &value) const;

private:
    Kind m_kind;
    QString m_file;
    QString m_detail;
    QString m_column;
};

// The file behind a handle, as the operator knows it (the full path).
QString databaseFile(sqlite3 *db);
// The error of the call that just failed on db (its extended code and message).
DatabaseError sqliteFailure(sqlite3 *db);
// An open that failed before a handle could tell anything more than its code.
DatabaseError openFailure(const QString &file, int code, const QString &detail);
// A layer failure of the file that names it ("The row was changed ...", "holds no tables").
DatabaseError conflictFailure(const QString &file);
DatabaseError emptyFileFailure(const QString &file);

// The database failure behind e, or nullptr for any other failure.
const DatabaseError *databaseFailure(const std::exception &e);
bool isLockFailure(const std::exception &e);
bool isFullDiskFailure(const std::exception &e);

// What the statements run since a watch began met: for work that swallows its failures step
// by step (the timers' ticks) and must still tell the operator why nothing moved.
class FailureWatch
{
public:
    FailureWatch();
    // The newest lock or full-disk failure since the watch began, or nullptr.
    const DatabaseError *blocking() const;
    // Whether a statement that changes the file succeeded since the watch began.
    bool wrote() const;

private:
    quint64 m_failures;
    quint64 m_writes;
};

namespace dbdetail
{
// Kept by the layer for FailureWatch: every lock or full-disk failure, every successful write.
void noteBlocking(const DatabaseError &error);
void noteWrite();
// Every statement step that got through (a lock, if there was one, is gone).
void noteStep();
quint64 stepCount();
} // namespace dbdetail

// "what was not done" followed by why, as one text for a box or the status bar.
QString notDoneText(const QString &notDone, const QString &why);

} // namespace portiva
