#pragma once

#include <QByteArray>
#include <QString>

namespace portiva::modemsim
{

// The simulator's own GSM 03.38 conversion, kept apart from the program's tables so that a fault
// in those shows up against the simulator instead of cancelling out.
class GsmCodec
{
public:
    // Encodes text into GSM default-alphabet codes (escape pairs as two bytes). Returns false and
    // leaves out unmappable characters when a character has no GSM code.
    static bool encode(const QString &text, QByteArray *out);
    static QByteArray encodeLossy(const QString &text);
    // Decodes GSM codes; an escape that is not one of the ten pairs decodes as a blank.
    static QString decode(const QByteArray &gsm);
    // Number of characters the modem counts for a body: an escape pair counts two.
    static int length(const QByteArray &gsm) { return int(gsm.size()); }
};

} // namespace portiva::modemsim
