#include "platform/db/DbTexts.h"

#include "platform/phrase/Phrase.h"

#include <QDir>

namespace portiva
{

QString closedConnectionText()
{
    return phrase(u"Ingen database er åpen, så ingenting ble lest eller lagret.",
                  u"Ingen database er åben, så intet blev læst eller gemt.",
                  u"Ingen databas är öppen, så ingenting lästes eller sparades.");
}

QString closedRowsText()
{
    return phrase(u"Listen er lukket, så ingenting ble lest eller lagret.",
                  u"Listen er lukket, så intet blev læst eller gemt.",
                  u"Listan är stängd, så ingenting lästes eller sparades.");
}

QString noCurrentRowText()
{
    return phrase(u"Ingen rad er valgt, så ingenting ble lest eller endret.",
                  u"Ingen række er valgt, så intet blev læst eller ændret.",
                  u"Ingen rad är vald, så ingenting lästes eller ändrades.");
}

QString deletedRowText()
{
    return phrase(u"Raden er slettet, så den kan ikke leses eller endres.",
                  u"Rækken er slettet, så den kan ikke læses eller ændres.",
                  u"Raden är borttagen, så den kan inte läsas eller ändras.");
}

QString readOnlyRowsText()
{
    return phrase(u"Disse radene kan bare leses, så endringen er ikke lagret.",
                  u"Disse rækker kan kun læses, så ændringen er ikke gemt.",
                  u"De här raderna kan bara läsas, så ändringen har inte sparats.");
}

QString unknownFieldText(const QString &field)
{
    return phrase(u"Feltet %1 finnes ikke i denne listen.", u"Feltet %1 findes ikke i denne liste.",
                  u"Fältet %1 finns inte i den här listan.")
        .arg(field);
}

QString fieldTypeText(const QString &field)
{
    return phrase(u"Verdien passer ikke i feltet %1, så den er ikke lagret.",
                  u"Værdien passer ikke i feltet %1, så den er ikke gemt.",
                  u"Värdet passar inte i fältet %1, så det har inte sparats.")
        .arg(field);
}

QString emptyFieldText(const QString &field)
{
    return phrase(u"Feltet %1 er tomt, så det kan ikke brukes som tekst.",
                  u"Feltet %1 er tomt, så det kan ikke bruges som tekst.",
                  u"Fältet %1 är tomt, så det kan inte användas som text.")
        .arg(field);
}

QString sortRefusedText(const QString &sort)
{
    return phrase(u"Sorteringen «%1» er ikke brukt: skriv feltnavn, hvert med ASC eller DESC om "
                  u"du vil, skilt med komma.",
                  u"Sorteringen «%1» er ikke brugt: skriv feltnavne, hvert med ASC eller DESC om "
                  u"du vil, adskilt med komma.",
                  u"Sorteringen «%1» har inte använts: skriv fältnamn, vart och ett med ASC eller "
                  u"DESC om du vill, åtskilda med komma.")
        .arg(sort);
}

QString criterionRefusedText(const QString &criterion)
{
    return phrase(u"Søket «%1» kan ikke brukes, så ingenting er søkt.",
                  u"Søgningen «%1» kan ikke bruges, så intet er søgt.",
                  u"Sökningen «%1» kan inte användas, så ingenting har sökts.")
        .arg(criterion);
}

QString connectionTextRefused()
{
    return phrase(u"Databasen ble ikke åpnet: tilkoblingen nevner ingen databasefil.",
                  u"Databasen blev ikke åbnet: forbindelsen nævner ingen databasefil.",
                  u"Databasen öppnades inte: anslutningen nämner ingen databasfil.");
}

QString databaseExistsText(const QString &file)
{
    return phrase(u"Filen «%1» finnes allerede. En ny database lages bare der det ikke finnes "
                  u"noen fil, så ingenting er endret.",
                  u"Filen «%1» findes allerede. En ny database laves kun, hvor der ikke findes "
                  u"nogen fil, så intet er ændret.",
                  u"Filen «%1» finns redan. En ny databas skapas bara där det inte finns någon "
                  u"fil, så ingenting har ändrats.")
        .arg(QDir::toNativeSeparators(file));
}

} // namespace portiva
