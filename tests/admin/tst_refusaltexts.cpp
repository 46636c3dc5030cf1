// The refusals the program adds beyond the language table follow the chosen language.
#include "admin/CommandLanguage.h"
#include "admin/KeyPropTexts.h"
#include "modem/SendQueue.h"
#include "programstate/Phrase.h"

#include <QtTest>

using namespace portiva;

class RefusalTextsTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { setPhraseLanguage(QStringLiteral("47")); }

    void refusalsFollowTheLanguage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("expected");
        const struct {
            const char *name;
            QString no, da, sv;
        } rows[] = {
            {"hour", "Timen \"25\" finnes ikke: skriv en time fra 00 til 24.",
             "Timen \"25\" findes ikke: skriv en time fra 00 til 24.",
             "Timmen \"25\" finns inte: skriv en timme från 00 till 24."},
            {"nothing saved", "Ingenting er lagret.", "Intet er gemt.", "Ingenting har sparats."},
            {"unit number",
             "Nummeret \"dor\" er ikke et telefonnummer i internasjonal form (+ og bare sifre, "
             "for eksempel +4791000001).",
             "Nummeret \"dor\" er ikke et telefonnummer i international form (+ og kun cifre, "
             "for eksempel +4591000001).",
             "Numret \"dor\" är inte ett telefonnummer i internationell form (+ och bara siffror, "
             "till exempel +4691000001)."},
            {"no unit number", "Nøkkelenheten har ikke noe nummer. Kommandoen er ikke lagt i køen.",
             "Nøgleenheden har intet nummer. Kommandoen er ikke lagt i køen.",
             "Nyckelenheten har inget nummer. Kommandot har inte lagts i kön."},
            {"unsendable", "Teksten har tegn som ikke kan sendes som SMS: ☺",
             "Teksten har tegn, som ikke kan sendes som SMS: ☺",
             "Texten har tecken som inte kan skickas som SMS: ☺"},
        };
        for (const auto &r : rows) {
            QTest::addRow("%s, no", r.name) << r.name << "47" << r.no;
            QTest::addRow("%s, da", r.name) << r.name << "45" << r.da;
            QTest::addRow("%s, sv", r.name) << r.name << "46" << r.sv;
        }
    }

    void refusalsFollowTheLanguage()
    {
        QFETCH(QString, text);
        QFETCH(QString, country);
        QFETCH(QString, expected);
        setPhraseLanguage(country);
        const QMap<QString, std::function<QString()>> made{
            {"hour", [] { return badHourText(QStringLiteral("25")); }},
            {"nothing saved", [] { return keyprop::nothingSavedText(); }},
            {"unit number", [] { return keyprop::badUnitNumberText(QStringLiteral("dor")); }},
            {"no unit number", [] { return keyprop::noUnitNumberText(); }},
            {"unsendable", [] { return SendQueue::unsendableRefusal(QStringLiteral("Hei ☺")); }},
        };
        QCOMPARE(made.value(text)(), expected);
    }
};

QTEST_GUILESS_MAIN(RefusalTextsTest)
#include "tst_refusaltexts.moc"
