#pragma once

#include <QDate>
#include <QString>

namespace portiva
{

// The values one handled listing entry works with. Made fresh for every entry, so nothing a
// previous message set (its sender above all) can reach the next one.
struct CallState {
    int index = -1; // the modem's storage index; -1 = none
    QString sender;
    QDate today;
    QString shortDateText;
    QString CountryCode;
    // Status suffix a registration reply sets; user listings read it again.
    QString suffix;
    // False once something this entry should have written could not be: the entry then stays
    // in the modem and is handled again at a later listing.
    bool deletable = true;
    // The entry as read (index, header, body) once its row is stored: until the entry is
    // deleted, the same entry listed again is not stored a second time.
    QString storedKey;
};

} // namespace portiva
