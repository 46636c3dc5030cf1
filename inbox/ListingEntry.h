#pragma once

#include <QString>
#include <QStringList>

namespace portiva
{

// One "+CMGL: " header of a text-mode listing, taken apart by its fields.
struct ListingEntry {
    enum class Kind {
        Text,         // a received message: a body line follows
        StatusReport, // a delivery report of a message this program sent
        Other,        // a stored outgoing message, or a form not known here
    };

    Kind kind = Kind::Other;
    // The fields after "+CMGL: ", split at commas outside double quotes, blanks trimmed,
    // quotes kept.
    QStringList fields;

    // Text entries.
    QString sender;    // between the quotes, blanks trimmed; "" when unreadable
    QString timeStamp; // "yy/MM/dd,hh:mm:ss" or ""

    // Status reports (27.005: index, stat, fo, mr, ra, tora, scts, dt, st).
    QString reference; // decimal, no zeros in front
    QString recipient; // unquoted, blanks trimmed, "+" on an international one; "" if left out
    QString timeSent;
    QString timeReceived;
    QString status; // blanks trimmed, as listed

    static ListingEntry parse(const QString &header);
};

// Splits at commas that stand outside double quotes; each field blank-trimmed.
QStringList splitListingFields(const QString &text);
// The 17-character stamp of a time-stamp field ("09/05/10,14:03:27+08" gives
// "09/05/10,14:03:27"). A four-digit year or one-digit parts are brought to the same form;
// a field that is no stamp gives what stands from two before its first "/", or "".
QString listingStamp(const QString &field);

} // namespace portiva
