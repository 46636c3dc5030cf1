// The catalogue window: its columns and texts, the delete refused while a person holds
// rights, and the recount of rights and national numbers on refresh.

#include "helper_reports.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "records/frmBrukere.h"
#include "tests/support/ScriptedDialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

namespace
{

const QString refusal =
    QStringLiteral("Denne brukeren er registrert på en eller flere nøkler. Kan ikke slettes!!!");

struct Fixture : ReportFixture {
    Fixture()
    {
        exec(QStringLiteral("DELETE FROM TBLbrukere"));
        exec(QStringLiteral("DELETE FROM Katalog"));
        addPerson(QStringLiteral("+4790000003"), QStringLiteral("Aas"), QStringLiteral("Cecilie"));
        addPerson(QStringLiteral("+4790000001"), QStringLiteral("O'Hara"), QStringLiteral("Anne"));
        addPerson(QStringLiteral("+46701234567"), QStringLiteral("Berg"), QStringLiteral("Bo"));
    }
    std::unique_ptr<frmBrukere> open()
    {
        return std::unique_ptr<frmBrukere>(RecordWindow::loaded<frmBrukere>(state));
    }
    QVariant stored(const QString &column, const QString &bruker)
    {
        return scalar(QStringLiteral("SELECT %1 FROM Katalog WHERE Bruker = ?").arg(column),
                      {bruker});
    }
};

void moveTo(frmBrukere &w, const QString &bruker)
{
    auto rs = w.adoPrimaryRS();
    rs->MoveFirst();
    QVERIFY(rs->find(QStringLiteral("Bruker"), bruker));
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void loadShowsTheCatalogueAsStored()
    {
        Fixture f;
        f.setLanguageText(109, QStringLiteral("Norsk"), QVariant()); // the built-in caption
        ScriptedDialogs dialogs;
        auto w = f.open();
        QCOMPARE(w->objectName(), QStringLiteral("frmBrukere"));
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Record: 1"));
        QCOMPARE(gridRows(w->grdDataGrid).value(0).section(u'|', 0, 1),
                 QStringLiteral("+4790000003|Aas"));
        const QStringList headings{"Bruker",  "Etternavn", "Fornavn",    "Gate",
                                   "PostNr.", "Sted",      "Tillatelser"};
        for (int i = 0; i < headings.size(); ++i)
            QCOMPARE(w->grdDataGrid->columnCaption(i), headings[i]);
        QVERIFY(w->grdDataGrid->columnCaption(7).trimmed().isEmpty());
        QCOMPARE(w->cmdRefresh->text(), QStringLiteral("&Opp&frisk"));
        QCOMPARE(w->refusalText(), refusal);
        QVERIFY(dialogs.calls().isEmpty());
    }

    void languageRows()
    {
        Fixture f;
        f.state.CountryCode = QStringLiteral("46");
        f.setLanguageText(115, QStringLiteral("Svensk"), QStringLiteral("Efternamn"));
        f.setLanguageText(127, QStringLiteral("Svensk"), QStringLiteral("Kort"));
        f.setLanguageText(224, QStringLiteral("Svensk"), QStringLiteral("Kan inte tas bort"));
        f.setLanguageText(110, QStringLiteral("Svensk"), QStringLiteral("&Ta bort"));
        auto w = f.open();
        QCOMPARE(w->grdDataGrid->columnCaption(1), QStringLiteral("Efternamn"));
        QCOMPARE(w->grdDataGrid->columnCaption(7), QStringLiteral("Kort"));
        QCOMPARE(w->refusalText(), QStringLiteral("Kan inte tas bort"));
        QCOMPARE(w->cmdDelete->text(), QStringLiteral("&Ta bort"));
    }

    void deleteOnlyWithoutRights_data()
    {
        QTest::addColumn<int>("rights");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("no rights") << 0 << true;
        QTest::newRow("one right") << 1 << false;
        QTest::newRow("two rights") << 2 << false;
    }

    void deleteOnlyWithoutRights()
    {
        QFETCH(int, rights);
        QFETCH(bool, deleted);
        Fixture f;
        const QString person = QStringLiteral("+4790000001");
        for (int i = 0; i < rights; ++i)
            f.addRight(person, QStringLiteral("+479100000%1").arg(i), QStringLiteral("1"),
                       QStringLiteral("Aktiv"));
        ScriptedDialogs dialogs;
        auto w = f.open();
        moveTo(*w, person);
        w->cmdDelete_Click();
        const bool gone = f.stored(QStringLiteral("count(*)"), person).toInt() == 0;
        QCOMPARE(gone, deleted);
        if (deleted) {
            QVERIFY(dialogs.calls().isEmpty());
            QCOMPARE(w->adoPrimaryRS()->toText(QStringLiteral("Bruker")),
                     QStringLiteral("+46701234567")); // the row that followed
        } else {
            QCOMPARE(dialogs.texts(), QStringList{refusal});
            QCOMPARE(w->grdDataGrid->model()->rowCount(), 3);
        }
    }

    void refreshRecountsRightsAndNumbers()
    {
        Fixture f;
        const QString norwegian = QStringLiteral("+4790000003");
        const QString swedish = QStringLiteral("+46701234567");
        const QString formerly = QStringLiteral("+4790000001");
        for (const char *key : {"+4791000001", "+4791000002", "+4791000003"})
            f.addRight(norwegian, QLatin1String(key), QStringLiteral("1"), QStringLiteral("Aktiv"));
        f.addRight(swedish, QStringLiteral("+4791000001"), QStringLiteral("1"),
                   QStringLiteral("Aktiv"));
        // A right of someone the catalogue does not know disturbs no one's count.
        f.addRight(QStringLiteral("+4799999999"), QStringLiteral("+4791000001"),
                   QStringLiteral("1"), QStringLiteral("Aktiv"));
        f.exec(QStringLiteral("UPDATE Katalog SET Tillatelser = '2', BrukerKort = '7012345' "
                              "WHERE Bruker IN (?, ?)"),
               {formerly, swedish});
        ScriptedDialogs dialogs;
        auto w = f.open();
        w->cmdRefresh_Click();
        QVERIFY(dialogs.calls().isEmpty());
        QCOMPARE(f.stored(QStringLiteral("Tillatelser"), norwegian), QVariant("3"));
        QCOMPARE(f.stored(QStringLiteral("BrukerKort"), norwegian), QVariant("90000003"));
        QCOMPARE(f.stored(QStringLiteral("Tillatelser"), swedish), QVariant("1"));
        QCOMPARE(f.stored(QStringLiteral("BrukerKort"), swedish), QVariant("701234567"));
        QCOMPARE(f.stored(QStringLiteral("Tillatelser"), formerly), QVariant("0"));
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM Katalog")).toInt(), 3);
        // The grid shows what was written.
        QVERIFY(gridRows(w->grdDataGrid)
                    .contains(QStringLiteral("+46701234567|Berg|Bo||||1|701234567")));
    }

    void recountLeavesAgreeingRowsAlone()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        // Another workstation has the catalogue open; its rows already agree with the counts.
        f.exec(QStringLiteral("UPDATE Katalog SET Tillatelser = '0', BrukerKort = substr(Bruker, "
                              "4, 9)"));
        auto other = f.open();
        auto w = f.open();
        w->cmdRefresh_Click();
        QAbstractItemModel *model = other->grdDataGrid->model();
        QVERIFY(model->setData(model->index(0, 3), QStringLiteral("Storgata 1")));
        other->cmdNext_Click();
        QVERIFY2(dialogs.calls().isEmpty(), qPrintable(dialogs.lastText()));
        QCOMPARE(f.stored(QStringLiteral("Gate"), QStringLiteral("+4790000003")),
                 QVariant("Storgata 1"));
    }

    void failedRecountLeavesTheGrid()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        f.exec(QStringLiteral("DROP TABLE TBLbrukere"));
        f.addPerson(QStringLiteral("+4790000009"), QStringLiteral("Ny"), QStringLiteral("Person"));
        w->cmdRefresh_Click();
        QCOMPARE(dialogs.calls().size(), 1);
        QVERIFY2(dialogs.lastText().contains(QStringLiteral("TBLbrukere")),
                 qPrintable(dialogs.lastText()));
        QCOMPARE(w->grdDataGrid->model()->rowCount(), 3);
    }

    void numberIsReadOnlyOtherCellsEdit()
    {
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        QAbstractItemModel *model = w->grdDataGrid->model();
        QVERIFY(!(model->flags(model->index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model->setData(model->index(0, 0), QStringLiteral("+4711111111")));
        QVERIFY(model->setData(model->index(0, 5), QStringLiteral("Bergen")));
        w->cmdNext_Click();
        QCOMPARE(f.stored(QStringLiteral("Poststed"), QStringLiteral("+4790000003")),
                 QVariant("Bergen"));
        QCOMPARE(model->rowCount(), 3); // no row added in the grid
        QVERIFY(dialogs.calls().isEmpty());
    }

    void headingSortFields_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("field");
        QTest::newRow("national number first: the default") << QList<int>{7} << "Bruker";
        QTest::newRow("first name, then national number") << QList<int>{2, 7} << "fornavn";
        QTest::newRow("town") << QList<int>{5} << "poststed";
        QTest::newRow("rights") << QList<int>{6} << "tillatelser";
    }

    void headingSortFields()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QString, field);
        Fixture f;
        ScriptedDialogs dialogs;
        auto w = f.open();
        for (int column : clicks)
            w->grdDataGrid_HeadClick(column);
        QCOMPARE(w->adoPrimaryRS()->Sort(), field);
        QVERIFY(dialogs.calls().isEmpty());
    }
};

QTEST_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
