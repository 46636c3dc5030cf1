#pragma once

#include <QString>
#include <QStringView>

namespace portiva
{

// The language the program's own texts are shown in: the one the operator chose, as the
// language table's column is chosen ("45" Danish, "46" Swedish, anything else Norwegian).
// Process-wide, like the choice itself; set wherever CountryCode takes a new value.
void setPhraseLanguage(const QString &countryCode);
// The language table's column for a country code ("Norsk", "Dansk", "Svensk"), or "" for a
// code that has none.
QString phraseColumnFor(const QString &countryCode);
QString phraseLanguage();

// A text the program shows beyond the language table's rows, in the chosen language. Each of
// the three is given where the text is used, so no language can be forgotten; "%1" and the like
// stay for QString::arg.
QString phrase(QStringView norsk, QStringView dansk, QStringView svensk);
// text with the system's own words after it in parentheses, where there are any.
QString withDetail(const QString &text, const QString &detail);

} // namespace portiva
