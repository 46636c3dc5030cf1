#include "programstate/LanguageTable.h"

#include "platform/db/DbTexts.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"
#include "programstate/Phrase.h"

namespace portiva
{

QString LanguageTable::columnFor(const QString &countryCode)
{
    return phraseColumnFor(countryCode);
}

LanguageTable::Texts LanguageTable::load(const std::shared_ptr<Connection> &connection,
                                         const QString &countryCode)
{
    Texts texts;
    const QString column = columnFor(countryCode);
    if (column.isEmpty())
        return texts;
    if (!connection)
        throw Error(closedConnectionText());
    // Positions are the table's own order, so the read is ordered by the row key.
    auto rs = Recordset::open(
        connection,
        QStringLiteral("select ID ,Norsk, Dansk, Svensk from TBLLanguage ORDER BY rowid"));
    for (int row = 1; !rs->EOF() && row <= 255; ++row, rs->MoveNext()) {
        if (rs->isNull(column))
            continue;
        const QString text = rs->toText(column);
        if (!text.isEmpty())
            texts[row] = text;
    }
    rs->Close();
    return texts;
}

} // namespace portiva
