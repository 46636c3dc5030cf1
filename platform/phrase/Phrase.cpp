#include "platform/phrase/Phrase.h"

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

QString phraseColumnFor(const QString &countryCode)
{
    if (countryCode.compare(QLatin1String("47"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Norsk");
    if (countryCode.compare(QLatin1String("46"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Svensk");
    if (countryCode.compare(QLatin1String("45"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Dansk");
    return QString();
}

void setPhraseLanguage(const QString &countryCode)
{
    const QString column = phraseColumnFor(countryCode);
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

QString withDetail(const QString &text, const QString &detail)
{
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + u')';
}

} // namespace portiva
