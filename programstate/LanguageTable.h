#pragma once

#include <QString>
#include <array>
#include <memory>
#include <optional>

namespace portiva
{

class Connection;

// The replacement texts of table TBLLanguage for one language, addressed by row position
// (1 to 255) in table order.
class LanguageTable
{
public:
    using Texts = std::array<std::optional<QString>, 256>;

    // "47" Norsk, "46" Svensk, "45" Dansk; any other code gives no texts and reads nothing.
    static QString columnFor(const QString &countryCode);

    // Position n holds the cell of row n when it is neither Null nor empty; rows past 255 are
    // left out. Read afresh at every call.
    static Texts load(const std::shared_ptr<Connection> &connection, const QString &countryCode);
};

} // namespace portiva
