// The key-unit window: rights by operator level, building tabs, the selected unit, new units
// with their defaults, the number reminder, deleting a unit with what hangs on it, refresh,
// and opening it from the main window's menu.

#include "core/mainwindow/frmMain.h"
#include "helper_reports.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/WindowRegistry.h"
#include "records/frmKEY.h"
#include "records/frmKEYRules.h"
#include "tests/support/Forms.h"
#include "tests/support/GridTyping.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

const QString unitU = QStringLiteral("+4791000001");
const QString unitV = QStringLiteral("+4791000002");

struct KeyFixture : ReportFixture {
    KeyFixture()
    {
        state.CountryCode = QStringLiteral("99"); // the window's own texts
        state.DBPath = db.path();                 // the properties window opens the file anew
    }
    void addUnit(const QString &number, const QString &name, const QVariant &building,
                 const QString &level = QStringLiteral("4"))
    {
        exec(QStringLiteral("INSERT INTO KEYTable (KeyNummer, KeyNavn, Bygning, KeySikkerhet) "
                            "VALUES (?, ?, ?, ?)"),
             {number, name, building, level});
    }
    std::unique_ptr<frmKEY> open(const QString &level = QStringLiteral("6"))
    {
        state.CurrentSecurityLevel = level;
        return std::unique_ptr<frmKEY>(RecordWindow::loaded<frmKEY>(state));
    }
    int count(const QString &sql, const QVariantList &params = {})
    {
        return scalar(sql, params).toInt();
    }
};

// The numbers the grid lists (the new-row line left out), top to bottom.
QStringList numbers(const frmKEY &w)
{
    QStringList list;
    const auto rs = w.adoPrimaryRS();
    for (int r = 0; rs && r < rs->rowCount(); ++r)
        list << rs->cellText(r, 0);
    return list;
}

QStringList tabs(const QTabBar *bar)
{
    QStringList list;
    for (int i = 0; i < bar->count(); ++i)
        list << bar->tabText(i);
    return list;
}

} // namespace

class KeyWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void rightsByLevel_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("add");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<bool>("properties");
        QTest::newRow("6") << "6" << true << true << true << true;
        QTest::newRow("5") << "5" << true << true << true << true;
        QTest::newRow("4") << "4" << false << true << false << false;
        QTest::newRow("7") << "7" << false << false << false << true;
        QTest::newRow("x") << "x" << false << false << false << false;
        QTest::newRow("empty") << "" << false << false << false << false;
    }

    void rightsByLevel()
    {
        QFETCH(QString, level);
        QFETCH(bool, add);
        QFETCH(bool, edit);
        QFETCH(bool, remove);
        QFETCH(bool, properties);
        const KeyUnitRights rights = keyUnitRights(level);
        QCOMPARE(rights.properties, properties);

        KeyFixture f;
        f.addUnit(unitU, "Port", "A", "");
        ScriptedDialogs dialogs;
        auto w = f.open(level);
        RecordsetModel *model = w->grdDataGrid->recordsetModel();
        QCOMPARE(model->allowAddNew(), add);
        QCOMPARE(model->allowUpdate(), edit);
        QCOMPARE(!w->cmdDelete->isHidden(), remove);
        QVERIFY(!w->cmdClose->isHidden() && !w->cmdRefresh->isHidden());
        QVERIFY(w->cmdNext->isEnabled() && w->cmdFirst->isEnabled());
        // A stored unit's number never changes; its name may where the level edits.
        QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
        QCOMPARE(bool(model->flags(model->index(0, 1)) & Qt::ItemIsEditable), edit);

        w->grdDataGrid_DblClick();
        const auto opened = formsNamed(QStringLiteral("frmKeyProperties"));
        QCOMPARE(opened.size(), properties ? 1 : 0);
        closeForms(opened);
    }

    // A double click on a cell opens the unit's properties and leaves the cell as it is: the
    // keys typed next belong to the properties window.
    void doubleClickOpensPropertiesOnly()
    {
        KeyFixture f;
        f.addUnit(unitU, "Port", "A");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        DataGrid *grid = w->grdDataGrid;
        QVERIFY(focusCell(grid, 0, 1));
        const QPoint cell = grid->visualRect(grid->model()->index(0, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        const auto opened = formsNamed(QStringLiteral("frmKeyProperties"));
        QCOMPARE(opened.size(), 1);
        QVERIFY(!grid->findChild<QLineEdit *>() || !grid->findChild<QLineEdit *>()->isVisible());
        closeForms(opened);
        QCOMPARE(f.scalar(QStringLiteral("SELECT KeyNavn FROM KEYTable")), QVariant("Port"));
    }

    // One tab per building of the units the level sees; a tab lists its building only and
    // stays selected after the rebuild; the first tab lists all, whatever its caption reads.
    void buildingTabs()
    {
        KeyFixture f;
        f.addUnit("+4791000003", "b", "B");
        f.addUnit("+4791000004", "a1", "A");
        f.addUnit("+4791000005", "a2", "A");
        f.addUnit("+4791000006", "none", QVariant());
        f.addUnit("+4791000007", "secret", "C", "9");
        f.setLanguageText(131, QStringLiteral("Dansk"), QStringLiteral("ALLE BYGNINGER"));
        f.state.CountryCode = QStringLiteral("45");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        QCOMPARE(tabs(w->TabStrip1), (QStringList{"ALLE BYGNINGER", "A", "B"}));
        QCOMPARE(numbers(*w).size(), 4);
        QVERIFY(!numbers(*w).contains("+4791000007"));

        w->TabStrip1->setCurrentIndex(1);
        QCOMPARE(w->buildingFilter(), QStringLiteral("A"));
        QCOMPARE(numbers(*w), (QStringList{"+4791000004", "+4791000005"}));
        QCOMPARE(w->TabStrip1->currentIndex(), 1);
        QCOMPARE(tabs(w->TabStrip1), (QStringList{"ALLE BYGNINGER", "A", "B"}));

        w->TabStrip1->setCurrentIndex(0);
        QCOMPARE(numbers(*w).size(), 4);
        QVERIFY(dialogs.calls().isEmpty());
    }

    // A tab whose list cannot be loaded (here an edit another workstation overtook) leaves the
    // list, the filter and the selected tab of the building still on show.
    void tabRefusedKeepsTheShownBuilding()
    {
        KeyFixture f;
        f.addUnit(unitU, "one", "A");
        f.addUnit(unitV, "two", "B");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        QCOMPARE(numbers(*w), (QStringList{unitU, unitV}));
        QAbstractItemModel *model = w->grdDataGrid->model();
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("mine")));
        f.db.openConnection()->exec(
            QStringLiteral("UPDATE KEYTable SET KeyNavn = 'theirs' WHERE KeyNummer = ?"), {unitU});

        w->TabStrip1->setCurrentIndex(2);
        QCOMPARE(dialogs.calls().size(), 1);
        QCOMPARE(numbers(*w), (QStringList{unitU, unitV}));
        QCOMPARE(w->buildingFilter(), QString());
        QCOMPARE(w->TabStrip1->currentIndex(), 0);
        QCOMPARE(tabs(w->TabStrip1), (QStringList{"ALLE", "A", "B"}));
        // The refused edit is gone and the row shows the other workstation's name; the next
        // tab click lists its building.
        QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("theirs"));
        w->TabStrip1->setCurrentIndex(2);
        QCOMPARE(numbers(*w), QStringList{unitV});
        QCOMPARE(dialogs.calls().size(), 1);
        QCOMPARE(
            f.scalar(QStringLiteral("SELECT KeyNavn FROM KEYTable WHERE KeyNummer = ?"), {unitU}),
            QVariant("theirs"));
    }

    void buildingNamesAsTheyAre_data()
    {
        QTest::addColumn<QString>("building");
        QTest::addColumn<QString>("caption");
        QTest::newRow("apostrophe") << "St. Olav's"
                                    << "St. Olav's";
        QTest::newRow("ampersand") << "A&B"
                                   << "A&&B";
    }

    void buildingNamesAsTheyAre()
    {
        QFETCH(QString, building);
        QFETCH(QString, caption);
        KeyFixture f;
        f.addUnit(unitU, "one", building);
        f.addUnit(unitV, "other", "Z");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        QCOMPARE(w->TabStrip1->tabText(1), caption);
        w->TabStrip1->setCurrentIndex(1);
        QCOMPARE(numbers(*w), QStringList{unitU});
        QVERIFY(dialogs.calls().isEmpty());
    }

    // The row in view is the program's selected unit; its name is the main window's business.
    void selectionFollowsRow()
    {
        KeyFixture f;
        f.addUnit(unitU, "one", "A");
        f.addUnit(unitV, "two", "A");
        f.state.SelectedKeyNummer = QStringLiteral("1");
        f.state.SelectedKeyName = QStringLiteral("Hovedport");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        QCOMPARE(f.state.SelectedKeyNummer, unitU);
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        QTest::mouseClick(w->cmdNext, Qt::LeftButton);
        QCOMPARE(f.state.SelectedKeyNummer, unitV);
        QTest::mouseClick(w->cmdRefresh, Qt::LeftButton);
        QCOMPARE(f.state.SelectedKeyNummer, unitU);
        QCOMPARE(f.state.SelectedKeyName, QStringLiteral("Hovedport"));
    }

    // A unit typed in with the keyboard gets the texts it later sends to its users, the
    // alarm and lock states, and the operator's level when none was typed.
    void newUnitGetsDefaults()
    {
        KeyFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open("5");
        RecordsetModel *model = w->grdDataGrid->recordsetModel();
        QCOMPARE(model->rowCount(), 1); // the new-row line
        QVERIFY(model->setData(model->index(0, 0), unitU));
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("Ny port")));
        QVERIFY(model->commitPending());
        auto rs = Recordset::open(
            f.db.connection(),
            QStringLiteral("SELECT KeySikkerhet, Tekst1, Tekst2, Tekst3, Tekst4, Tekst5, Tekst6, "
                           "Alarmstatus, KeyStatus FROM KEYTable WHERE KeyNummer = ?"),
            {unitU});
        QCOMPARE(rs->RecordCount(), 1);
        QStringList values;
        for (int i = 0; i < rs->fieldCount(); ++i)
            values << rs->toTextOr(i, "<null>");
        QCOMPARE(values,
                 (QStringList{"5", "Velkommen som ny bruker",
                              QString::fromUtf8("for å åpne porten"), "De er slettet som bruker",
                              QString::fromUtf8("Takk for besøket og velkommen igjen"),
                              "**ALARM** Alarm Loop", "Mvh Portiva3", "ALARM AV", "Normal (N)"}));
        QVERIFY(dialogs.calls().isEmpty());
        // Stored units are never touched by the defaults.
        f.addUnit(unitV, "old", "A");
        QTest::mouseClick(w->cmdRefresh, Qt::LeftButton);
        QVERIFY(f.scalar("SELECT Tekst1 FROM KEYTable WHERE KeyNummer = ?", {unitV}).isNull());
    }

    // Commands and log requests go to the number typed here, so it must be one.
    void newUnitNumberMustBeInternational_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("international") << "+4791000009"
                                       << "+4791000009";
        QTest::newRow("blanks around") << " +4791000009 "
                                       << "+4791000009";
        QTest::newRow("word") << "dor"
                              << "";
        QTest::newRow("no plus") << "4791000009"
                                 << "";
        QTest::newRow("blank inside") << "+47 91000009"
                                      << "";
        QTest::newRow("dash") << "+47-91000009"
                              << "";
        QTest::newRow("plus only") << "+"
                                   << "";
        QTest::newRow("none typed") << ""
                                    << "";
    }
    void newUnitNumberMustBeInternational()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        KeyFixture f;
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        RecordsetModel *model = w->grdDataGrid->recordsetModel();
        if (!typed.isEmpty())
            QVERIFY(model->setData(model->index(0, 0), typed));
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("Ny port")));
        QCOMPARE(model->commitPending(), !stored.isEmpty());
        if (!stored.isEmpty()) {
            QCOMPARE(f.scalar("SELECT KeyNummer FROM KEYTable").toString(), stored);
            QVERIFY(dialogs.calls().isEmpty());
            return;
        }
        QCOMPARE(dialogs.texts(),
                 QStringList{"Nummeret \"" + typed.trimmed() +
                             "\" er ikke et telefonnummer i internasjonal form (+ og bare sifre, "
                             "for eksempel +4791000001). Nøkkelenheten er ikke lagret."});
        QCOMPARE(f.count("SELECT count(*) FROM KEYTable"), 0);
        // What was typed stays in the row, to be corrected there.
        QCOMPARE(model->index(0, 1).data().toString(), QString("Ny port"));
        QCOMPARE(model->index(0, 0).data().toString(), typed);
        QVERIFY(model->setData(model->index(0, 0), unitU));
        QVERIFY(model->commitPending());
        QCOMPARE(f.scalar("SELECT KeyNummer || ' ' || KeyNavn FROM KEYTable").toString(),
                 unitU + " Ny port");
    }

    // A unit typed in cell by cell with Tab: each value in its own column, the defaults with it.
    void newUnitTypedWithTab()
    {
        KeyFixture f;
        f.addUnit(unitU, "one", "A");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        DataGrid *grid = w->grdDataGrid;
        QVERIFY(focusCell(grid, 1, 0));
        typeCells(grid, {unitV, QStringLiteral("Ny port"), QStringLiteral("Bygg X")});
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 3));
        typeCells(grid, {QStringLiteral("5")});
        w->cmdFirst_Click();
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.scalar(QStringLiteral("SELECT KeyNavn || '|' || Bygning || '|' || "
                                         "KeySikkerhet || '|' || Tekst1 FROM KEYTable "
                                         "WHERE KeyNummer = ?"),
                          {unitV}),
                 QVariant("Ny port|Bygg X|5|Velkommen som ny bruker"));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM KEYTable")), 2);
    }

    // A new unit the database refuses (its number is another unit's) is reported naming the
    // number, and the typed row stays to be corrected; corrected, it is written.
    void refusedNewUnitKeepsTheTypedRow()
    {
        KeyFixture f;
        f.addUnit(unitU, "one", "A");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        RecordsetModel *model = w->grdDataGrid->recordsetModel();
        QVERIFY(model->setData(model->index(1, 0), unitU));
        QVERIFY(model->setData(model->index(1, 1), QStringLiteral("Ny port")));
        w->cmdFirst_Click();
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY2(dialogs.lastText().startsWith(
                     QStringLiteral("KeyNummer «%1» finnes allerede i databasen").arg(unitU)),
                 qPrintable(dialogs.lastText()));
        QVERIFY(model->currentRowIsNew());
        QCOMPARE(model->data(model->index(1, 0)).toString(), unitU);
        QCOMPARE(model->data(model->index(1, 1)).toString(), QStringLiteral("Ny port"));
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM KEYTable")), 1);
        QVERIFY(model->setData(model->index(1, 0), unitV));
        w->cmdFirst_Click();
        QCOMPARE(dialogs.calls().size(), 1);
        QCOMPARE(f.count(QStringLiteral("SELECT count(*) FROM KEYTable WHERE KeyNavn = 'Ny port'")),
                 1);
        QCOMPARE(numbers(*w), (QStringList{unitU, unitV}));
    }

    void numberReminder()
    {
        KeyFixture f;
        f.addUnit(unitU, "one", "A");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        RecordsetModel *model = w->grdDataGrid->recordsetModel();
        w->grdDataGrid_Click(model->index(0, 0));
        w->grdDataGrid_Click(model->index(1, 1));
        QVERIFY(dialogs.calls().isEmpty());
        w->grdDataGrid_Click(model->index(1, 0)); // the empty new row
        QCOMPARE(dialogs.texts(),
                 QStringList{QStringLiteral(" Husk Internasjonalt telefonnummer +47...")});
    }

    // The unit goes with its waiting and withdrawn SMS (also one queued after the window
    // loaded), its rights and its waiting periods; what it sent and its log stay as history.
    void deleteTakesWhatHangsOnTheUnit()
    {
        KeyFixture f;
        f.addUnit(unitU, "U", "A");
        f.addUnit(unitV, "V", "A");
        auto queue = [&](const QString &to, const QString &cmgs) {
            f.exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS) VALUES (?, 'x', ?)",
                   {to, cmgs});
        };
        queue(unitU, "UNSENT");
        queue(unitU, "UNSENT");
        queue(unitU, "SLETTET");
        queue(unitU, "17:OK");
        queue(unitV, "UNSENT");
        f.addRight("+4740000001", unitU, "a", "Aktiv ");
        f.addRight("+4740000002", unitU, "a", "Ny");
        f.addRight("+4740000001", unitV, "a", "Aktiv ");
        f.exec("INSERT INTO NYEbrukere (Bruker, KeyNummer, Status) VALUES ('+4740000003', ?, "
               "'NY')",
               {unitU});
        f.exec("INSERT INTO LOGGData (KeyNummer, KeyUser, Dato) VALUES (?, '+4740000001', "
               "'01/01,10:00')",
               {unitU});
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        f.db.openConnection()->exec(
            "INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS) VALUES (?, 'late', 'UNSENT')",
            {unitU});
        const auto snapshot = [&] {
            return QStringList{
                f.scalar("SELECT group_concat(KeyNummer) FROM KEYTable").toString(),
                f.scalar("SELECT group_concat(TilNummer || ':' || CMGS) FROM SMS_Sent").toString(),
                f.scalar("SELECT group_concat(KeyBruker || '@' || KeyNummer) FROM TBLbrukere")
                    .toString(),
                f.scalar("SELECT count(*) FROM NYEbrukere").toString(),
                f.scalar("SELECT count(*) FROM LOGGData").toString()};
        };
        const QStringList before = snapshot();

        dialogs.answer(Dialogs::Answer::Cancel);
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QCOMPARE(dialogs.calls().size(), 1);
        QCOMPARE(dialogs.calls()[0].title, QStringLiteral("DELETE KEY"));
        QCOMPARE(dialogs.calls()[0].buttons, Dialogs::Buttons::OkCancel);
        QCOMPARE(dialogs.calls()[0].text,
                 QString::fromUtf8(
                     "Er Du sikker. Dette vil slette NØKKEL og alle tilhørende brukere!!"));
        QCOMPARE(snapshot(), before);

        dialogs.answer(Dialogs::Answer::Ok);
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QCOMPARE(dialogs.calls().size(), 2);
        QCOMPARE(snapshot(), (QStringList{unitV, unitU + ":17:OK," + unitV + ":UNSENT",
                                          "+4740000001@" + unitV, "0", "1"}));
        QCOMPARE(numbers(*w), QStringList{unitV});
        QCOMPARE(f.state.SelectedKeyNummer, unitV);
    }

    // A step that fails after the queue was emptied takes nothing with it.
    void failedDeleteChangesNothing()
    {
        KeyFixture f;
        f.addUnit(unitU, "U", "A");
        f.exec("INSERT INTO SMS_Sent (TilNummer, SMS_Text, CMGS) VALUES (?, 'x', 'UNSENT')",
               {unitU});
        f.addRight("+4740000001", unitU, "a", "Aktiv ");
        f.exec("CREATE TRIGGER refuse BEFORE DELETE ON NYEbrukere BEGIN SELECT RAISE(ABORT, "
               "'periods locked'); END");
        f.exec("INSERT INTO NYEbrukere (Bruker, KeyNummer) VALUES ('+4740000003', ?)", {unitU});
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        dialogs.answer(Dialogs::Answer::Ok);
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QCOMPARE(dialogs.calls().size(), 2);
        QVERIFY(dialogs.lastText().endsWith(QStringLiteral(" DELETE")));
        QVERIFY2(dialogs.lastText().contains(QStringLiteral("godtar ikke endringen")),
                 qPrintable(dialogs.lastText()));
        QCOMPARE(f.count("SELECT count(*) FROM KEYTable"), 1);
        QCOMPARE(f.count("SELECT count(*) FROM SMS_Sent"), 1);
        QCOMPARE(f.count("SELECT count(*) FROM TBLbrukere"), 1);
        QCOMPARE(numbers(*w), QStringList{unitU});
    }

    void deletingTheLastRowLeavesTheEnd()
    {
        KeyFixture f;
        f.addUnit(unitU, "U", "A");
        f.addUnit(unitV, "V", "A");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        QTest::mouseClick(w->cmdLast, Qt::LeftButton);
        dialogs.answer(Dialogs::Answer::Ok);
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: -3"));
        QCOMPARE(numbers(*w), QStringList{unitU});
    }

    // Refresh reads the units again and lays out the columns, leaving the tabs and the
    // building filter as they are.
    void refreshKeepsTabsAndFilter()
    {
        KeyFixture f;
        f.addUnit(unitU, "U", "A");
        f.addUnit(unitV, "V", "B");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        w->TabStrip1->setCurrentIndex(1);
        f.addUnit("+4791000003", "W", "A");
        f.addUnit("+4791000004", "X", "C");
        QTest::mouseClick(w->cmdRefresh, Qt::LeftButton);
        QCOMPARE(numbers(*w), (QStringList{unitU, "+4791000003"}));
        QCOMPARE(tabs(w->TabStrip1), (QStringList{"ALLE", "A", "B"}));
        QCOMPARE(w->TabStrip1->currentIndex(), 1);
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(0) / 15), 80);
        QCOMPARE(qRound(w->grdDataGrid->columnWidthTwips(3) / 15), 90);
        for (int c = 4; c <= 12; ++c)
            QVERIFY(w->grdDataGrid->isColumnHidden(c));
        QCOMPARE(w->grdDataGrid->model()->headerData(0, Qt::Horizontal).toString(),
                 QString::fromUtf8("Dør Nummer"));
        QVERIFY(dialogs.calls().isEmpty());
    }

    // The close button reads "choose" here: the common close row is not this window's.
    void closeButtonText_data()
    {
        QTest::addColumn<QVariant>("row108");
        QTest::addColumn<QVariant>("row130");
        QTest::addColumn<QString>("expected");
        QTest::newRow("own row") << QVariant("&Luk") << QVariant(QString::fromUtf8("&VÆLG"))
                                 << QString::fromUtf8("&VÆLG");
        QTest::newRow("own row empty") << QVariant("&Luk") << QVariant(QString()) << "&VELG";
    }

    void closeButtonText()
    {
        QFETCH(QVariant, row108);
        QFETCH(QVariant, row130);
        QFETCH(QString, expected);
        KeyFixture f;
        f.setLanguageText(108, QStringLiteral("Dansk"), row108);
        f.setLanguageText(130, QStringLiteral("Dansk"), row130);
        f.state.CountryCode = QStringLiteral("45");
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        QCOMPARE(w->cmdClose->text(), expected);
    }

    // Its load reports its own failure and the window stays, with what was done.
    void failedLoadIsShownAndWindowStays()
    {
        KeyFixture f;
        f.state.ConnectionString =
            buildConnectionString(f.db.directory() + "/missing.mdb", databasePassword());
        ScriptedDialogs dialogs;
        auto w = f.open("6");
        QVERIFY(w);
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY(!dialogs.lastText().isEmpty());
        QVERIFY(!w->adoPrimaryRS());
    }

    void menuOpensWindow()
    {
        KeyFixture f;
        f.addUnit(unitU, "U", "A");
        ScriptedDialogs dialogs;
        frmMain main(f.state);
        auto *action = main.findChild<QAction *>("mnuDatafrmKey");
        QVERIFY(action);
        action->setEnabled(true);
        f.state.CurrentSecurityLevel = QStringLiteral("6");
        action->trigger();
        frmKEY *opened = newestForm<frmKEY>();
        QVERIFY(opened);
        QCOMPARE(opened->windowTitle(), action->text());
        QVERIFY(opened->isVisible());
        QCOMPARE(numbers(*opened), QStringList{unitU});
        QCOMPARE(opened->cmdClose->text(), QStringLiteral("&VELG"));
        QVERIFY(dialogs.calls().isEmpty());
        opened->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(KeyWindowTest)
#include "tst_keywindow.moc"
