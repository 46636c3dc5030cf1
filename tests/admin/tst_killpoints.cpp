// Operator actions that write more than one row are all or nothing: a child process doing one
// is killed at each of its row writes in turn, and the database read afterwards holds either
// everything the action writes or nothing of it.

#include "admin/FuturePeriods.h"
#include "admin/MainRecordsets.h"
#include "admin/MainViews.h"
#include "admin/UserAdmin.h"
#include "admin/frmKeyProperties.h"
#include "helper_adminfixture.h"
#include "modem/GsmCharTables.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "programstate/AppState.h"
#include "programstate/MainTexts.h"
#include "records/ReportQueries.h"
#include "records/frmKEYRules.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <csignal>
#include <functional>
#include <sqlite3.h>

using namespace portiva;
using portiva::test::AdminFixture;

namespace
{

const SelectedKey kDoor{QStringLiteral("+4711111111"), QStringLiteral("Hovedport")};
const QString kUser = QStringLiteral("+4712345678");

// The rows an action may leave, without their keys; withdrawn queue rows are left out, as
// the queue drops them at the next removal.
QString contents(Connection &db)
{
    QString all;
    for (const char *sql :
         {"SELECT group_concat(KeyNummer || ',' || KeyNavn || ',' || coalesce(Beskrivelse, ''), "
          "';') FROM (SELECT * FROM KEYTable ORDER BY KeyNummer)",
          "SELECT group_concat(Bruker || ',' || BrukerKort, ';') FROM Katalog",
          "SELECT group_concat(KeyBruker || ',' || KeyNummer || ',' || [Gyldig fra] || ',' || "
          "[Gyldig til] || ',' || Status, ';') FROM (SELECT * FROM TBLbrukere ORDER BY rid)",
          "SELECT group_concat(Bruker || ',' || [Gyldig fra] || ',' || [Gyldig til] || ',' || "
          "Status, ';') FROM (SELECT * FROM NYEbrukere ORDER BY ID)",
          "SELECT group_concat(TilNummer || ',' || SMS_Text || ',' || CMGS, ';') FROM (SELECT * "
          "FROM SMS_Sent WHERE CMGS <> 'SLETTET' ORDER BY ID)"})
        all += db.scalar(QString::fromLatin1(sql)).toString() + QLatin1Char('\n');
    return all;
}

void seed(AdminFixture &f, const QString &action)
{
    if (action == QLatin1String("register") || action == QLatin1String("unit name"))
        return;
    f.exec("INSERT INTO Katalog (Bruker, BrukerKort, Etternavn, Fornavn) VALUES (?, '12345678', "
           "'Hansen', 'Siri')",
           {kUser});
    if (action == QLatin1String("delete unit")) {
        f.addRight(kUser, kDoor.number, "Aktiv ", "1/6/2027");
        f.addQueued(kDoor.number, "I 12345678>27060100<26123124");
        f.addWaiting(kUser, kDoor.number, "3/1/2027", "4/1/2027");
        return;
    }
    if (action == QLatin1String("move in")) {
        f.addWaiting(kUser, kDoor.number, "3/1/2027", "4/1/2027");
        return;
    }
    f.addRight(kUser, kDoor.number, action == QLatin1String("remove unsent") ? "NY" : "Aktiv ",
               "1/6/2027");
    if (action == QLatin1String("remove unsent")) {
        f.addQueued(kDoor.number, "I 12345678>27060100<26123124");
        return;
    }
    f.addQueued(kDoor.number, "I 12345678>27060100<26123124", "7:OK");
    if (action == QLatin1String("swap"))
        f.addWaiting(kUser, kDoor.number, "3/1/2027", "4/1/2027");
}

UserPanelValues typed()
{
    UserPanelValues v;
    v.number = kUser;
    v.firstName = QStringLiteral("Siri");
    v.surname = QStringLiteral("Hansen");
    v.status = QStringLiteral("NY");
    v.konto = QStringLiteral("Gjest");
    v.from = QDate(2027, 6, 1);
    v.to = QDate(2028, 6, 1);
    return v;
}

int g_killAt = 0;
int g_writes = 0;

void countWrite(void *, int, const char *, const char *, sqlite3_int64)
{
    if (++g_writes == g_killAt)
        std::raise(SIGKILL);
}

// The properties window's send button for the unit's name (the description box): the new text is
// saved in the unit's row and its command queued to the unit, after the operator's OK. The kill is
// armed once the window has loaded, so each kill point falls in the action.
void sendUnitName(AppState &state, const std::function<void()> &armKill)
{
    GsmCharTables::InitGSMCharTables();
    ScriptedDialogs dialogs;
    dialogs.answer(Dialogs::Answer::Ok);
    frmKeyProperties window(state);
    armKill();
    window.findChild<QLineEdit *>(QStringLiteral("KeyTXT(10)"))->setText(QStringLiteral("Gate"));
    window.findChild<QPushButton *>(QStringLiteral("Command1(10)"))->click();
}

// The child: the action on the database at path, killed at write killAt (0: never).
int runChild(const QString &action, const QString &path, int killAt)
{
    AppState state;
    state.CurrentSecurityLevel = QStringLiteral("6");
    state.CountryCode = QStringLiteral("47");
    state.SelectedKeyNummer = kDoor.number;
    state.DBPath = path;
    state.SharedConnection = Connection::open(buildConnectionString(path, databasePassword()));
    state.ConnectionString = buildConnectionString(path, databasePassword());
    MainViews views;
    MainRecordsets(state, views).openAll();
    MainTexts texts;
    UserAdmin admin(state, views, texts, AdminFixture::today);
    auto armKill = [&] {
        g_killAt = killAt;
        sqlite3_update_hook(state.SharedConnection->handle(), countWrite, nullptr);
    };
    if (action == QLatin1String("unit name")) {
        sendUnitName(state, armKill);
        return 0;
    }
    if (action == QLatin1String("delete unit")) {
        const ListQuery units = keyListQuery(QStringLiteral("Alle"), QStringLiteral("KeyNummer"));
        auto rs = Recordset::open(state.SharedConnection, units.sql, units.params);
        rs->find(QStringLiteral("KeyNummer"), kDoor.number);
        armKill();
        deleteKeyUnit(state.SharedConnection, *rs, kDoor.number);
        return 0;
    }
    armKill();
    if (action == QLatin1String("register") || action == QLatin1String("change period"))
        admin.RegisterUser(typed(), kDoor);
    else if (action.startsWith(QLatin1String("remove")))
        admin.removeUser(typed(), kDoor, [&] { MainRecordsets(state, views).openAll(); });
    else
        ProcessNewUsers(state, {}, AdminFixture::today());
    return 0;
}

QString runAction(const QString &action, int killAt)
{
    AdminFixture f;
    seed(f, action);
    f.db.connection()->close();
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), action, f.db.path(), QString::number(killAt)});
    if (!child.waitForFinished(60000))
        return QStringLiteral("child hung");
    return contents(*f.db.openConnection());
}

} // namespace

class KillPointsTest : public QObject
{
    Q_OBJECT

private slots:
    void actionIsAllOrNothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("killAt");
        for (const char *action : {"register", "change period", "remove held", "remove unsent",
                                   "swap", "move in", "unit name", "delete unit"}) {
            for (int n = 1; n <= 10; ++n)
                QTest::addRow("%s, killed at write %d", action, n) << QString(action) << n;
        }
    }
    void actionIsAllOrNothing()
    {
        QFETCH(QString, action);
        QFETCH(int, killAt);
        AdminFixture seeded;
        seed(seeded, action);
        const QString before = contents(*seeded.db.connection());
        const QString after = runAction(action, 0);
        QVERIFY2(after != before, qPrintable(action + " wrote nothing"));
        const QString killed = runAction(action, killAt);
        if (killAt == 1)
            QCOMPARE(killed, before); // the kill comes before the first row is written
        QVERIFY2(killed == before || killed == after,
                 qPrintable(
                     QStringLiteral("before:\n%1after:\n%2left:\n%3").arg(before, after, killed)));
    }
};

int main(int argc, char **argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--child") == 0) {
        QApplication app(argc, argv); // the properties window is a window
        return runChild(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]),
                        QByteArray(argv[4]).toInt());
    }
    QCoreApplication app(argc, argv);
    KillPointsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killpoints.moc"
