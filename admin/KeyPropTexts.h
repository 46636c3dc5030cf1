#pragma once

// The fixed parts of the key-unit properties window: which column each box shows, the boxes'
// limits, and the language rows of its captions, tooltips and messages.

#include "programstate/Phrase.h"

#include <QString>
#include <array>

namespace portiva::keyprop
{

// Boxes 0-20 show these columns of the unit's row; box 21 is the unit's fixed "Ring: " line.
constexpr int BoundBoxCount = 21;
constexpr int BoxCount = 22;
constexpr std::array<const char *, BoundBoxCount> BoxColumns = {
    "KeyNummer", "KeyNavn", "KeySikkerhet", "Bygning",     "Admin1",      "Admin2",    "Admin3",
    "Admin4",    "Admin5",  "Eget_Nummer",  "Beskrivelse", "Alarmstatus", "KeyStatus", "Pulslengde",
    "Admin",     "Tekst1",  "Tekst2",       "Tekst3",      "Tekst4",      "Tekst5",    "Tekst6"};

// What the unit accepts in each box; 0 = no limit.
inline int boxMaxLength(int box)
{
    if ((box >= 4 && box <= 9) || box == 14)
        return 9;
    if (box == 10)
        return 20;
    if (box == 13)
        return 5;
    if (box >= 15 && box <= 19)
        return 50;
    if (box == 20)
        return 15;
    return 0;
}

// The language row of a box's tooltip, 0 when none.
inline int boxTooltipRow(int box)
{
    switch (box) {
    case 14:
        return 151;
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
        return 148 + box;
    case 9:
        return 157;
    case 13:
        return 158;
    case 15:
        return 159;
    case 21:
        return 160;
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
        return 145 + box;
    default:
        return 0;
    }
}

inline QString boxTooltip(int box)
{
    switch (box) {
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
        return QStringLiteral("Telefonnummer til Admin%1 - 8 SIFFER").arg(box - 3);
    case 9:
        return QStringLiteral("Nøkkelens eget nummer - 8 siffer");
    case 12:
        return QStringLiteral("N - Normal, L - Låst, O - Oppe");
    case 13:
        return QStringLiteral("Pulslengde i sekund");
    case 14:
        return QStringLiteral("Telefonnummer til Admin - 8 SIFFER");
    case 15:
        return QStringLiteral("Del en av velkomstmelding");
    case 16:
        return QStringLiteral("Del to av velkomstmeldingen");
    case 17:
        return QStringLiteral("Del en av utmeldingen");
    case 18:
        return QStringLiteral("Del to av utmeldingen");
    case 19:
        return QStringLiteral("Tekst ved eventuell ALARM");
    case 20:
        return QStringLiteral("Undertekst i meldingene");
    case 21:
        return QStringLiteral("Denne delen av velkomsmeldingen er fast");
    default:
        return QString();
    }
}

// Send buttons 4-21 with their design captions; their language rows are 82 + index.
inline QString sendButtonCaption(int index)
{
    static const std::array<const char *, 18> captions = {
        "Send ny ADMIN 1", "Send ny ADMIN 2", "Send ny ADMIN 3", "Send ny ADMIN 4",
        "Send ny ADMIN 5", "Send EGET nr.",   "Send Navn",       "Send  Funksjon",
        "Send Lås Status", "Send Åpningstid", "Hent BRUKERE",    "Send ny tekst 1",
        "Send ny tekst 2", "Send ny tekst 3", "Send ny tekst4",  "Send ny tekst5",
        "Send ny tekst 6", "Send nye tider"};
    if (index == 1)
        return QStringLiteral("RESET ADMIN");
    if (index < 4 || index > 21)
        return QString();
    return QString::fromUtf8(captions[size_t(index - 4)]);
}

struct LabelText {
    int index; // Label1(index)
    int row;   // language row
    const char *text;
};
constexpr std::array<LabelText, 25> Labels = {{
    {2, 63, "Sikkerhetsnivå"},
    {3, 64, "Bygning"},
    {12, 65, "Forvaltermann"},
    {4, 66, "Forvaltermann 1"},
    {5, 67, "Forvaltermann 2"},
    {6, 68, "Forvaltermann 3"},
    {7, 69, "Forvaltermann 4"},
    {8, 70, "Forvaltermann 5"},
    {9, 71, "Eget Nummer"},
    {10, 72, "Navn"},
    {13, 76, "HENT BRUKERE FRA LÅS"},
    {18, 77, "TEKST 1"},
    {19, 78, "TEKST 2"},
    {20, 79, "TEKST 3"},
    {21, 80, "TEKST 4"},
    {22, 81, "TEKST 5"},
    {23, 82, "TEKST 6"},
    {14, 83, "Innmelding fra klokken:"},
    {15, 84, "Utmelding fra klokken:"},
    {16, 85, "til"},
    {17, 85, "til"},
    {26, 104, "Velkommen SMS"},
    {25, 105, "Utmelding SMS"},
    {24, 106, "Alarmtekst"},
    {27, 107, "Undertekst"},
}};

constexpr int AlarmFunctionFirstRow = 179;
constexpr int LockModeFirstRow = 188;
constexpr std::array<const char *, 9> AlarmFunctionDefaults = {
    "ALARM AV",     "ALARM PÅ",           "Åpnet ved ALARM",    "Stengt ved ALARM", "Endebryter A",
    "Endebryter B", "Endebr.A m/rapport", "Endebr.B m/rapport", "ALARM Enderbryter"};
constexpr std::array<const char *, 10> LockModeDefaults = {
    "Normal  (N)",      "Lukket  (L)",        "Oppe    (O)",         "Oppe hverdager",
    "Oppe alle dager",  "Bistabil hverdager", "Bistabil alle dager", "Bare i dag",
    "Hverdager int. 2", "Alle dager int. 2"};

// Shown after the description when a load fails.
inline QString loadFailureWord()
{
    return QStringLiteral(" Er det opprettet noen nøkkel under Key Data??");
}

// Refused before anything is saved or queued: a command needs the unit's number, and the
// register must not lose it.
inline QString noUnitNumberText()
{
    return phrase(u"Nøkkelenheten har ikke noe nummer. Kommandoen er ikke lagt i køen.",
                  u"Nøgleenheden har intet nummer. Kommandoen er ikke lagt i køen.",
                  u"Nyckelenheten har inget nummer. Kommandot har inte lagts i kön.");
}

// Said after a refusal that left the register as it was.
inline QString nothingSavedText()
{
    return phrase(u"Ingenting er lagret.", u"Intet er gemt.", u"Ingenting har sparats.");
}

// A unit is reached only at its number: commands and log requests to anything else are lost.
inline QString badUnitNumberText(const QString &number)
{
    return phrase(u"Nummeret \"%1\" er ikke et telefonnummer i internasjonal form (+ og bare "
                  u"sifre, for eksempel +4791000001).",
                  u"Nummeret \"%1\" er ikke et telefonnummer i international form (+ og kun "
                  u"cifre, for eksempel +4591000001).",
                  u"Numret \"%1\" är inte ett telefonnummer i internationell form (+ och bara "
                  u"siffror, till exempel +4691000001).")
        .arg(number);
}

} // namespace portiva::keyprop
