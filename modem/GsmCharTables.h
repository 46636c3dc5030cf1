#pragma once

#include <QByteArray>
#include <QString>
#include <array>

namespace portiva
{

// The GSM 03.38 default alphabet against Latin-1, as the program has always translated it.
// Filled once by InitGSMCharTables; only read afterwards.
class GsmCharTables
{
public:
    static std::array<unsigned char, 128> GsmToAnsiTable;
    static std::array<unsigned char, 256> AnsiToGsmTable;

    static void InitGSMCharTables();
    // Text for the modem: one GSM code per character; a character without a code becomes 0.
    static QByteArray encode(const QString &text);
    // Received GSM codes to text, with the Greek capitals and the escape pairs; never a NUL.
    static QString decode(const QByteArray &codes);
    // The characters of text that have no GSM code (each once, in order of appearance).
    static QString unsendable(const QString &text);
    // The length of text in GSM characters: a character that needs an escape pair (€, [, ],
    // {, }, ~, |, \, ^) takes two of the 160 a text-mode SMS holds.
    static int gsmLength(const QString &text);
    static constexpr int SmsLength = 160;
};

} // namespace portiva
