#pragma once

// What the key-unit window decides without a widget: what an operator level may do there,
// which units it lists, the building tabs, and the removal of a unit with what hangs on it.

#include "records/ReportQueries.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace portiva
{

class Connection;
class Recordset;

struct KeyUnitRights {
    bool add = false;        // new units in the grid
    bool edit = false;       // cells of the listed units
    bool remove = false;     // cmdDelete shown
    bool properties = false; // a double click opens the properties window
};

// "6" and "5" manage units, "4" may only change cells (all compared as exact texts); any level
// that reads as a number above 4 opens the properties window, one that is no number never does.
KeyUnitRights keyUnitRights(const QString &level);

// The units the level sees, of one building or (empty building) of all. The level is bound as
// it stands: KeySikkerhet is compared as text.
ListQuery keyUnitListQuery(const QString &level, const QString &building);

// The buildings of the units the level sees, in ascending order, one per run of exactly equal
// names; units without a building give none.
QStringList buildingTabs(const std::shared_ptr<Connection> &connection, const QString &level);

// Removes the unit that is the current row of units, with the SMS still queued or withdrawn
// for its number, its users' rights and their waiting periods, all in one transaction on
// connection (the one units was opened on). Sent SMS and the unit's log stay as history.
// Throws with nothing changed when any step fails; the recordset then keeps the unit.
void deleteKeyUnit(const std::shared_ptr<Connection> &connection, Recordset &units,
                   const QString &keyNummer);

} // namespace portiva
