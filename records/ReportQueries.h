#pragma once

// The report windows' choices turned into queries. Box texts and the selected key unit only
// ever reach the database as bound values; a sort text is accepted only when it names one of
// the report's own columns.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

namespace portiva
{

class Connection;
class Recordset;

struct ListQuery {
    QString sql;
    QVariantList params;
};

// The ORDER BY term for a sort text: one of columns (ignoring case, with or without
// surrounding brackets), optionally followed by ASC or DESC. Anything else throws
// "no such column: " + text, as the database would have answered.
QString orderByTerm(const QString &sortText, const QStringList &columns);

// Users report: 1 the key unit's queue of new users, 2 all its users, 3 one account,
// 4 one status, 5 one status and one account. Status and account are matched without regard
// to case, as the boxes list them.
int chooseUserListMode(const QString &status, const QString &account);
ListQuery userListQuery(int mode, const QString &keyNummer, const QString &status,
                        const QString &account, const QString &orderBy);

// Catalogue report: "Alle", "Aktive" or "Passive"; false for any other filter text.
bool catalogueListQuery(const QString &filter, const QString &orderBy, ListQuery &out);
// A catalogue row's number of rights as text, for a statement on Katalog.
QString permissionCountTerm();
// Brings Katalog.Tillatelser up to date with the rights, in one transaction; only rows whose
// count changed are written. Returns how many were.
int updateUserPermissionCounts(const std::shared_ptr<Connection> &connection);

ListQuery logListQuery(const QString &keyNummer, const QString &orderBy);

// Key-unit report: every unit for "Alle", else the units of that building.
ListQuery keyListQuery(const QString &building, const QString &orderBy);
// A unit without a building gets "?", so that it can be chosen in the building list.
void markUnitsWithoutBuilding(const std::shared_ptr<Connection> &connection);

// The entries a filter box gets from a one-column query: each text once without regard to case,
// in the spelling of its first row in the query's order (upper-cased first when asked), Null
// and empty texts left out. Choosing one lists the rows of every spelling.
QStringList distinctRuns(Recordset &rows, bool upperCase);

} // namespace portiva
