#include "database/CreateDatabase.h"

#include "platform/db/Connection.h"

#include <QStringList>

namespace portiva
{

namespace
{

struct DemoUnit {
    const char *number;
    const char *name;
    const char *building;
};

struct DemoPerson {
    const char *number;
    const char *surname;
    const char *firstName;
    bool atFirstUnit;
};

// The modem simulator's demonstration set answers for these numbers.
constexpr DemoUnit Units[] = {
    {"+4791000001", "Hovedport", "Hovedbygg"},
    {"+4591000002", "Lagerdør", "Lager"},
    {"+4691000003", "Garasje", "Garasje"},
};

constexpr DemoPerson Persons[] = {
    {"+4790000011", "Nordmann", "Ola", true},
    {"+4790000012", "Nordmann", "Kari", true},
    {"+4590000013", "Hansen", "Mette", true},
    {"+4690000014", "Svensson", "Sven", false},
};

void addUnit(Connection &connection, const DemoUnit &unit)
{
    const QString name = QString::fromUtf8(unit.name);
    connection.exec(
        QStringLiteral(
            "INSERT INTO KEYTable (KeyNummer, KeyNavn, KeySikkerhet, Bygning, Admin, Eget_Nummer, "
            "Beskrivelse, Alarmstatus, KeyStatus, Pulslengde, TimeInStart, TimeInStop, "
            "TimeOutStart, TimeOutStop, Tekst1, Tekst2, Tekst3, Tekst4, Tekst5, Tekst6) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {QString::fromLatin1(unit.number),
         name,
         QStringLiteral("4"),
         QString::fromUtf8(unit.building),
         QStringLiteral("0"),
         QStringLiteral("99999999"),
         name,
         QStringLiteral("ALARM AV"),
         QStringLiteral("Normal  (N)"),
         QStringLiteral("5"),
         QStringLiteral("00"),
         QStringLiteral("24"),
         QStringLiteral("00"),
         QStringLiteral("24"),
         QStringLiteral("Velkommen som ny bruker"),
         QStringLiteral("for å åpne porten"),
         QStringLiteral("De er slettet som bruker"),
         QStringLiteral("Takk for besøket og velkommen igjen"),
         QStringLiteral("**ALARM** Alarm Loop"),
         QStringLiteral("Mvh Portiva3")});
}

void addPerson(Connection &connection, const DemoPerson &person)
{
    const QString number = QString::fromLatin1(person.number);
    connection.exec(QStringLiteral("INSERT INTO Katalog (Bruker, Etternavn, Fornavn, BrukerKort, "
                                   "Tillatelser) VALUES (?, ?, ?, ?, ?)"),
                    {number, QString::fromUtf8(person.surname), QString::fromUtf8(person.firstName),
                     number.mid(3, 9), QString::fromLatin1(person.atFirstUnit ? "1" : "0")});
    if (!person.atFirstUnit)
        return;
    connection.exec(
        QStringLiteral("INSERT INTO TBLbrukere (KeyBruker, KeyNummer, [Gyldig fra], FraTid, "
                       "[Gyldig til], TilTid, Konto, Saldo, Status) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {number, QString::fromLatin1(Units[0].number), QStringLiteral("1/1/2024"),
         QStringLiteral("00"), QStringLiteral("31/12/2099"), QStringLiteral("24"),
         QStringLiteral("Gjest"), QStringLiteral("0"), QStringLiteral("Aktiv ")});
}

} // namespace

void addDemoData(Connection &connection)
{
    for (const DemoUnit &unit : Units)
        addUnit(connection, unit);
    for (const DemoPerson &person : Persons)
        addPerson(connection, person);
}

} // namespace portiva
