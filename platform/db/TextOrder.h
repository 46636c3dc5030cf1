#pragma once

// The order of the program's lists. Every list the operator sees (a query's ORDER BY, a
// recordset's Sort, a grid's heading click, a report and its printout) follows the site's
// language without regard to case: Norwegian and Danish put Æ, Ø, Å after Z, Swedish Å, Ä, Ö.
//
// The database file never depends on it. Its tables, indexes and constraints keep SQLite's
// built-in NOCASE, which every program that opens the file has alike (another workstation, the
// sqlcipher tool). The language's order is a collation each connection registers under the
// name listCollation() gives, written only into the program's own statements: no index can be
// built under it, so a language switch or another build changes nothing stored.

#include <QByteArray>
#include <QString>
#include <QStringView>

struct sqlite3;

namespace portiva
{

// "45" Danish, "46" Swedish, anything else Norwegian, as the language table's column is
// chosen. Process-wide, like the language itself; set wherever CountryCode takes a new value.
void setListLanguage(const QString &countryCode);
// The collation's locale: "nb", "da" or "sv".
QString listLanguage();

// Negative, 0 or positive. Texts that differ only in case are equal; no other texts are: where
// the language sees no difference ("Aas" and "Ås" in Danish) the case-folded texts decide, so
// the equal neighbours of a sorted list are spellings of one value.
int compareListed(QStringView a, QStringView b);

// " COLLATE LISTORDER", for an ORDER BY term or a text comparison in the program's own SQL.
// Never for a schema, an index, a view or a constraint: other programs have no such collation.
QString listCollation();

namespace dbdetail
{
// Registers the collation that listCollation() names on a new connection.
void registerListOrder(sqlite3 *db);
// Appends the language's sort key of text (bytes compared as unsigned, shorter first).
void appendListKey(QByteArray &out, QStringView text);
} // namespace dbdetail

} // namespace portiva
