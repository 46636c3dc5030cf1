#include "programstate/Phrase.h"

#include "programstate/LanguageTable.h"

namespace portiva
{

namespace
{

QString &chosenColumn()
{
    static QString column = QStringLiteral("Norsk");
    return column;
}

} // namespace

void setPhraseLanguage(const QString &countryCode)
{
    const QString column = LanguageTable::columnFor(countryCode);
    chosenColumn() = column.isEmpty() ? QStringLiteral("Norsk") : column;
}

QString phraseLanguage()
{
    return chosenColumn();
}

QString phrase(QStringView norsk, QStringView dansk, QStringView svensk)
{
    const QString &column = chosenColumn();
    if (column == QLatin1String("Dansk"))
        return dansk.toString();
    if (column == QLatin1String("Svensk"))
        return svensk.toString();
    return norsk.toString();
}

} // namespace portiva
