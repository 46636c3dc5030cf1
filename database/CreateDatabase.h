#pragma once

#include <QList>
#include <QString>
#include <memory>

namespace portiva
{

class Connection;

// The operator every new database starts with; level "6" sees every menu.
inline constexpr const char *FirstOperatorName = "Forvaltermann";
inline constexpr const char *FirstOperatorLevel = "6";
// Rows of the language table, read by position.
inline constexpr int LanguageRowCount = 227;

// One row of the built-in language table. A row no window uses has empty texts in all three.
struct LanguageSeedRow {
    QString norsk;
    QString dansk;
    QString svensk;
};

// The table definitions and the texts of the language table, as built in.
QString schemaSql();
QList<LanguageSeedRow> languageSeedRows(); // LanguageRowCount rows, row 1 first

// The look-up indexes the program's queries use. A file made before them gets them here, in
// one transaction; one that cannot be written now (read-only, or locked by another workstation
// for longer than the busy timeout) is left as it is and works without them, only slower.
// Returns whether the file has them.
bool addIndexes(const std::shared_ptr<Connection> &connection);

// The mark this program keeps in the file's user_version: from it on, every index on a NOCASE
// column is ordered by SQLite's own NOCASE. Builds before it gave NOCASE a Unicode case fold of
// their own, so a file they wrote may hold indexes on Nordic texts in another order than every
// other program (and this one) searches them in.
inline constexpr int TextIndexesVersion = 1;

// Rebuilds the NOCASE indexes of a file not yet marked, once, in one transaction with the
// mark. Like addIndexes, a file that cannot be written now is left for its next opening.
// Returns whether the file is marked.
bool rebuildTextIndexes(const std::shared_ptr<Connection> &connection);

// Makes a new keyed database file with every table, the single Modem row, the language table
// and the first operator with the given password. Refuses an existing file; on any failure no
// file is left behind. Throws portiva::Error.
void createDatabase(const QString &path, const QString &adminPassword);

// A few key units, catalogue persons and user rights, so that a demonstration has something
// to show; the numbers match the modem simulator's demonstration set.
void addDemoData(Connection &connection);

// The command line's --create-database: the operator password comes from the environment
// variable PORTIVA_ADMIN_PASSWORD or else is asked on the terminal without echo. Prints what
// happened and returns the process exit code (0 on success).
int runCreateDatabaseCommand(const QString &path, bool demo);

} // namespace portiva
