#include "modem/GsmCharTables.h"

namespace portiva
{

std::array<unsigned char, 128> GsmCharTables::GsmToAnsiTable{};
std::array<unsigned char, 256> GsmCharTables::AnsiToGsmTable{};

namespace
{

// GSM code -> Latin-1 code, 0 where the alphabet's character has no Latin-1 form (and for
// ESC). Code 9 stays small c with cedilla, as the program has always read it.
constexpr unsigned char kGsmToAnsi[128] = {
    64,  163, 36,  165, 232, 233, 249, 236, 242, 231, 10,  216, 248, 13,  197, 229, //
    0,   95,  0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   198, 230, 223, 201, //
    32,  33,  34,  35,  164, 37,  38,  39,  40,  41,  42,  43,  44,  45,  46,  47,  //
    48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,  //
    161, 65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  //
    80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  196, 214, 209, 220, 167, //
    191, 97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, //
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 228, 246, 241, 252, 224};

constexpr char16_t kGreek[11] = {0x0394, 0,      0x03A6, 0x0393, 0x039B, 0x03A9,
                                 0x03A0, 0x03A8, 0x03A3, 0x0398, 0x039E}; // codes 16..26

char16_t escapePair(unsigned char code)
{
    switch (code) {
    case 0x0A:
        return 0x000C;
    case 0x14:
        return u'^';
    case 0x28:
        return u'{';
    case 0x29:
        return u'}';
    case 0x2F:
        return u'\\';
    case 0x3C:
        return u'[';
    case 0x3D:
        return u'~';
    case 0x3E:
        return u']';
    case 0x40:
        return u'|';
    case 0x65:
        return 0x20AC;
    default:
        return 0;
    }
}

struct AutoInit {
    AutoInit() { GsmCharTables::InitGSMCharTables(); }
} autoInit;

} // namespace

void GsmCharTables::InitGSMCharTables()
{
    for (int g = 0; g < 128; ++g)
        GsmToAnsiTable[g] = kGsmToAnsi[g];
    AnsiToGsmTable.fill(0);
    for (int g = 0; g < 128; ++g) {
        if (kGsmToAnsi[g] != 0)
            AnsiToGsmTable[kGsmToAnsi[g]] = static_cast<unsigned char>(g);
    }
    // A line break typed as CR LF reaches the key unit as two LFs.
    AnsiToGsmTable[13] = 10;
}

QByteArray GsmCharTables::encode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(char(c.unicode() <= 255 ? AnsiToGsmTable[c.unicode()] : 0));
    return out;
}

QString GsmCharTables::decode(const QByteArray &codes)
{
    QString out;
    out.reserve(codes.size());
    for (int i = 0; i < codes.size(); ++i) {
        const auto g = static_cast<unsigned char>(codes.at(i));
        if (g >= 128) {
            out += QChar(char16_t(g));
        } else if (g == 27) {
            const char16_t pair =
                i + 1 < codes.size() ? escapePair(static_cast<unsigned char>(codes.at(i + 1))) : 0;
            if (pair) {
                out += QChar(pair);
                ++i;
            } else {
                out += QChar(char16_t(0x00A0)); // the next code is read on its own
            }
        } else if (g >= 16 && g <= 26 && kGreek[g - 16]) {
            out += QChar(kGreek[g - 16]);
        } else {
            out += QChar(char16_t(GsmToAnsiTable[g]));
        }
    }
    return out;
}

QString GsmCharTables::unsendable(const QString &text)
{
    QString bad;
    for (QChar c : text) {
        const bool ok = c.unicode() <= 255 && (AnsiToGsmTable[c.unicode()] != 0 || c == u'@');
        if (!ok && !bad.contains(c))
            bad += c;
    }
    return bad;
}

int GsmCharTables::gsmLength(const QString &text)
{
    static const QString escaped = QStringLiteral("\u20AC[]{}~|\\^\f");
    int length = 0;
    for (QChar c : text)
        length += escaped.contains(c) ? 2 : 1;
    return length;
}

} // namespace portiva
