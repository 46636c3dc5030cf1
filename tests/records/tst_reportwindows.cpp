// The four report windows on a real database: boxes, lists, sort choices and language texts.

#include "helper_reports.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/vb/Error.h"
#include "records/frmPrintBrukere.h"
#include "records/frmPrintKEY.h"
#include "records/frmPrintKatalog.h"
#include "records/frmPrintLogg.h"
#include "tests/support/ScriptedDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

const QString Unit = QStringLiteral("+4799000001");

template <class W> std::unique_ptr<W> open(AppState &state)
{
    return std::unique_ptr<W>(ReportWindow::loaded<W>(state));
}

// Widths go to whole pixels: one pixel is 15 twips at 96 dpi.
bool widthIs(const DataGrid *grid, int column, int twips)
{
    return qAbs(grid->columnWidthTwips(column) - twips) < 15.0;
}

QStringList column(const DataGrid *grid, int c)
{
    QStringList values;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        values << grid->model()->index(r, c).data().toString();
    return values;
}

// Users of one unit whose statuses and accounts differ only in case, plus a queued new user.
void addUsers(ReportFixture &f)
{
    f.state.SelectedKeyNummer = Unit;
    f.addRight("+4711111111", Unit, "a", "Aktiv ", "3/1/2024");
    f.addRight("+4722222222", Unit, "A", "AKTIV ", "1/1/2024");
    f.addRight("+4733333333", Unit, "b", "Ny", "2/1/2024");
    f.addRight("+4744444444", Unit, "b", QVariant(), "1/1/2023");
    f.addRight("+4755555555", Unit, "", "");
    f.addRight("+4766666666", "+4799000002", "c", "Slett");
    f.addPerson("+4711111111", "Berg", "Anne");
    f.addPerson("+4722222222", "Dahl", QVariant());
    f.exec("INSERT INTO NYEbrukere (Bruker, Etternavn, Fornavn, [Gyldig fra], [Gyldig til], "
           "Konto, Status, KeyNummer) VALUES ('+4777777777', 'Ny', 'Nils', '1/6/2026', "
           "'31/12/2099', 'Gjest', 'NY', ?)",
           {Unit});
}

} // namespace

class ReportWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void usersReportLoad()
    {
        ReportFixture f;
        addUsers(f);
        f.state.CountryCode = "46";
        f.setLanguageText(122, "Svensk", QString::fromUtf8("Användare"));
        f.setLanguageText(41, "Dansk", "Gyldig fra DK"); // not the chosen language
        f.setLanguageText(138, "Svensk", QString::fromUtf8("VÄLJ STATUS"));
        f.setLanguageText(141, "Svensk", " ");
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);

        QCOMPARE(entries(w->Combo1), (QStringList{"NY", "AKTIV ", "NY", "Alle"}));
        const QStringList accounts = entries(w->Combo2);
        // One entry for "a" and "A", in the spelling of its first row.
        QCOMPARE(accounts.size(), 3);
        QVERIFY(accounts.first() == "a" || accounts.first() == "A");
        QCOMPARE(accounts.mid(1), (QStringList{"b", "Alle"}));
        QCOMPARE(entries(w->Combo3), (QStringList{"Bruker", "Fornavn", "Etternavn", "[Gyldig fra]",
                                                  "[Gyldig til]", "Konto", "Status"}));
        QCOMPARE(w->Combo1->currentText(), QString("Alle"));
        QCOMPARE(w->Combo2->currentText(), QString("Alle"));
        QCOMPARE(w->Combo3->currentText(), QString("Bruker"));

        QCOMPARE(w->UserListMode, 2);
        QCOMPARE(column(w->DataGrid1, 0), (QStringList{"+4711111111", "+4722222222", "+4733333333",
                                                       "+4744444444", "+4755555555"}));
        QCOMPARE(w->DataGrid1->columnCount(), 7);
        QCOMPARE(w->DataGrid1->columnCaption(0), QString::fromUtf8("Användare"));
        QCOMPARE(w->DataGrid1->columnCaption(3), QString::fromUtf8("Giltig från")); // seeded
        QCOMPARE(w->DataGrid1->columnCaption(6), QString("Status"));
        QVERIFY(widthIs(w->DataGrid1, 0, 1200));
        QVERIFY(widthIs(w->DataGrid1, 5, 900));
        QCOMPARE(w->Label1->text(), QString::fromUtf8("VÄLJ STATUS"));
        QCOMPARE(w->Label2->text(), QString::fromUtf8("VÄLJ KONTO"));
        QCOMPARE(w->Command1->text(), QString(" "));
        // A Null name shows as an empty cell.
        QCOMPARE(w->DataGrid1->model()->index(1, 2).data().toString(), QString());
        QVERIFY(dialogs.calls().isEmpty());
    }

    void usersReportWithoutUsers()
    {
        ReportFixture f;
        f.state.SelectedKeyNummer = "+4799999999";
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);
        QCOMPARE(entries(w->Combo1), (QStringList{"NY", "Alle"}));
        QCOMPARE(entries(w->Combo2), (QStringList{"Alle"}));
        QCOMPARE(w->DataGrid1->model()->rowCount(), 0);
    }

    void usersListModes_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("account");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("users");
        QTest::newRow("new-user queue whatever the account")
            << "NY"
            << "b" << 1 << QStringList{"+4777777777"};
        QTest::newRow("all") << "Alle"
                             << "Alle" << 2
                             << QStringList{"+4711111111", "+4722222222", "+4733333333",
                                            "+4744444444", "+4755555555"};
        QTest::newRow("one account") << "Alle"
                                     << "b" << 3 << QStringList{"+4733333333", "+4744444444"};
        QTest::newRow("one status, stored in any case")
            << "AKTIV "
            << "Alle" << 4 << QStringList{"+4711111111", "+4722222222"};
        QTest::newRow("status and account")
            << "AKTIV "
            << "A" << 5 << QStringList{"+4711111111", "+4722222222"};
    }

    void usersListModes()
    {
        QFETCH(QString, status);
        QFETCH(QString, account);
        QFETCH(int, mode);
        QFETCH(QStringList, users);
        ReportFixture f;
        addUsers(f);
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);
        w->Combo2->setEditText(account);
        choose(w->Combo1, status);
        QCOMPARE(w->UserListMode, mode);
        QCOMPARE(column(w->DataGrid1, 0), users);
        QCOMPARE(bool(w->adoVisBrukereRS), mode != 1);
        QCOMPARE(w->DataGrid1->recordset(), mode == 1 ? w->adoVisNyeBrukereRS : w->adoVisBrukereRS);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void typingIsNoChoice()
    {
        ReportFixture f;
        addUsers(f);
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);
        w->show();
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1->lineEdit(), "NY");
        QTest::keyClick(w->Combo1->lineEdit(), Qt::Key_Return);
        QCOMPARE(w->Combo1->currentText(), QString("NY"));
        QCOMPARE(w->UserListMode, 2);
        QCOMPARE(w->DataGrid1->model()->rowCount(), 5);
    }

    // A typed entry name stays a typed text when focus leaves the box, and the window can go
    // while the box still holds it.
    void typingThenLeavingTheBoxIsNoChoice()
    {
        ReportFixture f;
        addUsers(f);
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QLineEdit *edit = w->Combo1->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "NY");
        w->Command1->setFocus();
        QVERIFY(!edit->hasFocus());
        QCOMPARE(w->Combo1->currentText(), QString("NY"));
        QCOMPARE(w->UserListMode, 2);
        QCOMPARE(w->DataGrid1->model()->rowCount(), 5);

        // The base class hides the window on its way out, and focus leaves the field once more.
        edit->setFocus();
        w.reset();
        QVERIFY(dialogs.calls().isEmpty());
    }

    void usersFollowTheSelectedUnit()
    {
        ReportFixture f;
        addUsers(f);
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);
        const QStringList statuses = entries(w->Combo1);
        f.state.SelectedKeyNummer = "+4799000002";
        choose(w->Combo3, "Status");
        QCOMPARE(column(w->DataGrid1, 0), (QStringList{"+4766666666"}));
        QCOMPARE(entries(w->Combo1), statuses);
    }

    // A quote in a chosen value is a value like any other.
    void quotedValuesAreBound()
    {
        ReportFixture f;
        f.state.SelectedKeyNummer = "+47O'Hara";
        f.addRight("+4711111111", "+47O'Hara", "St. Olav's", "Aktiv ");
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);
        choose(w->Combo2, "St. Olav's");
        QCOMPARE(w->UserListMode, 3);
        QCOMPARE(column(w->DataGrid1, 5), (QStringList{"St. Olav's"}));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void sortTexts_data()
    {
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("first");
        QTest::newRow("lower case") << "konto"
                                    << ""
                                    << "+4755555555";
        QTest::newRow("bracketed") << "[Gyldig fra]"
                                   << ""
                                   << "+4744444444";
        QTest::newRow("bare name with blank") << "Gyldig fra"
                                              << ""
                                              << "+4744444444";
        QTest::newRow("descending") << "Bruker DESC"
                                    << ""
                                    << "+4755555555";
        QTest::newRow("statement") << "Konto; DROP TABLE Katalog"
                                   << "Feltet Konto; DROP TABLE Katalog finnes ikke i denne listen."
                                   << "+4711111111";
        QTest::newRow("column of the view, not of the report")
            << "Saldo"
            << "Feltet Saldo finnes ikke i denne listen."
            << "+4711111111";
    }

    void sortTexts()
    {
        QFETCH(QString, sort);
        QFETCH(QString, error);
        QFETCH(QString, first);
        ReportFixture f;
        addUsers(f);
        ScriptedDialogs dialogs;
        auto w = open<frmPrintBrukere>(f.state);
        w->Combo3->setEditText(sort);
        choose(w->Combo2, "b");
        if (error.isEmpty()) {
            QVERIFY(dialogs.calls().isEmpty());
            QCOMPARE(w->UserListMode, 3);
            choose(w->Combo2, "Alle");
        } else {
            QCOMPARE(dialogs.texts(), QStringList{error});
            QCOMPARE(w->UserListMode, 2); // the previous list stays
            QCOMPARE(w->DataGrid1->model()->rowCount(), 5);
        }
        QCOMPARE(column(w->DataGrid1, 0).value(0), first);
        QVERIFY(f.scalar("SELECT count(*) FROM Katalog").toInt() > 0);
    }

    void catalogueReportRecountsAtOpening()
    {
        ReportFixture f;
        f.db.addDemoData();
        f.addPerson("+4712345678", "Aas", "Per", "0");
        f.addRight("+4712345678", "+4791000001", "x", "Aktiv ");
        f.addRight("+4712345678", "+4591000002", "x", "Aktiv ");
        f.exec("UPDATE Katalog SET Tillatelser = '5' WHERE Bruker = '+4690000014'");
        ScriptedDialogs dialogs;
        auto w = open<frmPrintKatalog>(f.state);
        QCOMPARE(entries(w->Combo1), (QStringList{"Alle", "Aktive", "Passive"}));
        QCOMPARE(entries(w->Combo3), (QStringList{"Bruker", "Fornavn", "Etternavn"}));
        QCOMPARE(gridRows(w->DataGrid1),
                 (QStringList{"+4590000013|Hansen|Mette|1", "+4690000014|Svensson|Sven|0",
                              "+4712345678|Aas|Per|2", "+4790000011|Nordmann|Ola|1",
                              "+4790000012|Nordmann|Kari|1"}));
        QCOMPARE(f.scalar("SELECT Tillatelser FROM Katalog WHERE Bruker = '+4712345678'"),
                 QVariant("2"));
        QVERIFY(widthIs(w->DataGrid1, 1, 2900));
        QCOMPARE(w->DataGrid1->columnCaption(3), QString("Tillatelser"));
        // Opened again with every count right, the list read at opening is the one shown.
        auto again = open<frmPrintKatalog>(f.state);
        QCOMPARE(gridRows(again->DataGrid1), gridRows(w->DataGrid1));
        QVERIFY(widthIs(again->DataGrid1, 1, 2900));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void catalogueFilters_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("users");
        QTest::newRow("active, counts compared as text")
            << "Aktive" << QStringList{"+4711111111", "+4733333333"};
        QTest::newRow("passive") << "Passive" << QStringList{"+4722222222"};
        QTest::newRow("typed, none of the three: the list stays")
            << "Aktiv" << QStringList{"+4711111111", "+4722222222", "+4733333333", "+4744444444"};
    }

    void catalogueFilters()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, users);
        ReportFixture f;
        f.addPerson("+4711111111", "A", "a");
        f.addPerson("+4722222222", "B", "b");
        f.addPerson("+4733333333", "C", "c");
        f.addPerson("+4744444444", "D", "d");
        ScriptedDialogs dialogs;
        auto w = open<frmPrintKatalog>(f.state);
        // Counts as another workstation may have left them after the opening recount.
        f.exec("UPDATE Katalog SET Tillatelser = CASE Bruker WHEN '+4711111111' THEN '2' "
               "WHEN '+4722222222' THEN '0' WHEN '+4733333333' THEN '10' ELSE NULL END");
        w->Combo1->setEditText(filter);
        choose(w->Combo3, "Bruker");
        QCOMPARE(column(w->DataGrid1, 0), users);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void logReport_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QStringList>("dates");
        QTest::newRow("by date text, day first")
            << "+4791000001"
            << "" << QStringList{"01/12,08:00", "02/11,09:30", "15/01,12:00"};
        QTest::newRow("descending")
            << "+4791000001"
            << "Dato DESC" << QStringList{"15/01,12:00", "02/11,09:30", "01/12,08:00"};
        QTest::newRow("unit without log") << "+4799999999"
                                          << "" << QStringList{};
    }

    void logReport()
    {
        QFETCH(QString, unit);
        QFETCH(QString, sort);
        QFETCH(QStringList, dates);
        ReportFixture f;
        for (const char *d : {"02/11,09:30", "15/01,12:00", "01/12,08:00"})
            f.exec("INSERT INTO LOGGData (KeyNummer, KeyUser, Fornavn, Etternavn, Dato) "
                   "VALUES ('+4791000001', '90000011', 'Ola', 'Nordmann', ?)",
                   {QString::fromLatin1(d)});
        f.exec("INSERT INTO LOGGData (KeyNummer, KeyUser, Dato) VALUES ('+4591000002', 'x', "
               "'01/01,00:00')");
        f.state.SelectedKeyNummer = unit;
        ScriptedDialogs dialogs;
        auto w = open<frmPrintLogg>(f.state);
        QCOMPARE(entries(w->Combo1), (QStringList{"Dato", "KeyUser", "Fornavn", "Etternavn"}));
        if (!sort.isEmpty()) {
            w->Combo1->setEditText(sort);
            emit w->Combo1->activated(0);
        }
        QCOMPARE(column(w->DataGrid1, 1), dates);
        QCOMPARE(w->DataGrid1->columnCaption(0), QString("Bruker"));
        QCOMPARE(w->DataGrid1->recordset()->fieldName(0), QString("KeyUser"));
        // Row 140 of the seeded table replaces the designed caption.
        QCOMPARE(w->Label1->text(), QString("SORTERING"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void keyReportBuildings()
    {
        ReportFixture f;
        f.exec("INSERT INTO KEYTable (KeyNummer, KeyNavn, Bygning, KeySikkerhet) VALUES "
               "('+4799000001', 'Port', 'A', '7'), ('+4799000002', 'Dor', 'a', '4'), "
               "('+4799000003', 'Bom', NULL, '5'), ('+4799000004', 'Luke', NULL, '9'), "
               "('+4799000005', 'Vindu', 'B', '4')");
        ScriptedDialogs dialogs;
        auto w = open<frmPrintKEY>(f.state);
        QCOMPARE(f.scalar("SELECT count(*) FROM KEYTable WHERE Bygning = '?'"), QVariant(2));
        const QStringList buildings = entries(w->Combo1);
        QCOMPARE(buildings.size(), 4);
        QCOMPARE(buildings.first(), QString("?"));
        QVERIFY(buildings.at(1) == "A" || buildings.at(1) == "a");
        QCOMPARE(buildings.mid(2), (QStringList{"B", "Alle"}));
        QCOMPARE(entries(w->Combo3), (QStringList{"KeyNummer", "KeyNavn", "Bygning"}));
        QCOMPARE(w->Combo3->currentText(), QString("Bygning"));
        // Every unit, whatever the operator's level, by building.
        QCOMPARE(column(w->DataGrid1, 2).mid(0, 2), (QStringList{"?", "?"}));
        QCOMPARE(w->DataGrid1->model()->rowCount(), 5);
        QCOMPARE(w->DataGrid1->columnCaption(0), QString::fromUtf8("Dør Nummer"));

        choose(w->Combo1, "?");
        QCOMPARE(column(w->DataGrid1, 0), (QStringList{"+4799000003", "+4799000004"}));
        choose(w->Combo1, "B");
        QCOMPARE(column(w->DataGrid1, 0), (QStringList{"+4799000005"}));
        // The one entry for "A" and "a" lists the units of both spellings.
        choose(w->Combo1, buildings.at(1));
        QStringList both = column(w->DataGrid1, 0);
        both.sort();
        QCOMPARE(both, (QStringList{"+4799000001", "+4799000002"}));
        QVERIFY(dialogs.calls().isEmpty());
    }

    void failedLoadShowsNoWindow()
    {
        ReportFixture f;
        f.exec("DROP TABLE TBLLanguage");
        try {
            delete ReportWindow::loaded<frmPrintLogg>(f.state);
            QFAIL("loaded without a language table");
        } catch (const Error &e) {
            QVERIFY(e.description().contains("TBLLanguage"));
        }
    }
};

QTEST_MAIN(ReportWindowsTest)
#include "tst_reportwindows.moc"
