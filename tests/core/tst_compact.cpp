#include "StartFixture.h"

#include "core/DatabaseMenu.h"
#include "core/DatabasePaths.h"
#include "core/DbMaintenance.h"
#include "platform/db/Recordset.h"
#include "platform/vb/Error.h"
#include "programstate/AppState.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace portiva;
using namespace portiva::test;

namespace
{

const DatabaseMenuTexts kTexts{
    QStringLiteral("Vent til SMS sending er ferdig"), QStringLiteral("compact warning"),
    QStringLiteral("Databasen er komprimert!!"), QStringLiteral("Feil med komprimering")};

QString catalogueRows(Connection &connection)
{
    QStringList rows;
    const auto rs =
        Recordset::open(std::shared_ptr<Connection>(&connection, [](Connection *) {}),
                        QStringLiteral("select rid, Bruker, Etternavn from Katalog order by rid"));
    for (; !rs->EOF(); rs->MoveNext())
        rows << rs->toText(0) + QLatin1Char('|') + rs->toText(1) + QLatin1Char('|') +
                    rs->toTextOr(2, QStringLiteral("<null>"));
    return rows.join(QLatin1Char('\n'));
}

} // namespace

class TestCompact : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void compactKeepsDataAndMakesTheBackup();
    void compactReplacesAnOldBackup();
    void compactRefusedWhileAnotherConnectionReads();
    void backupFailureLeavesTheFileAsItWas();
    void killedAtEachStepKeepsABackup_data();
    void killedAtEachStepKeepsABackup();

    void menuCompacts();
    void menuCompactCancelled();
    void menuCompactFailureReopens();
    void menuRefusedWhileBusy();

    void chooseCancelled();
    void chooseUnusableFile_data();
    void chooseUnusableFile();
    void chooseOtherDatabase();
    void fileDialogOffersTheAccessFilter();

private:
    struct Menu {
        AppState state;
        QWidget parent;
        QStringList log;
        bool busy = false;
        QTimer timerCom, timerSend;
        std::unique_ptr<DatabaseMenu> menu;
    };
    std::unique_ptr<Menu> makeMenu(const QString &dbPath);

    QTemporaryDir m_dir;
    QString m_template;
    QString m_db;
};

void TestCompact::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_template = freshDatabase(m_dir, QStringLiteral("template.mdb"));
    const auto connection = openDatabase(m_template);
    const QString insert =
        QStringLiteral("INSERT INTO Katalog (Bruker, Etternavn, Fornavn) VALUES (?, ?, ?)");
    for (int i = 0; i < 300; ++i)
        connection->exec(insert, {QStringLiteral("+47%1").arg(90000000 + i),
                                  QStringLiteral("Etternavn %1 ").arg(i).repeated(8),
                                  i % 7 ? QVariant(QStringLiteral("Fornavn")) : QVariant()});
    // Holes in the key sequence and free pages for VACUUM to take away.
    connection->exec(QStringLiteral("DELETE FROM Katalog WHERE rid % 3 = 0"));
}

void TestCompact::init()
{
    m_db = copyOf(m_template, m_dir, QStringLiteral("Brimo02.mdb"));
    QFile::remove(m_dir.filePath(QStringLiteral("Brimo02BAK.mdb")));
    QFile::remove(m_dir.filePath(QStringLiteral("Brimo02TMP.mdb")));
}

void TestCompact::compactKeepsDataAndMakesTheBackup()
{
    const QString before = catalogueRows(*openDatabase(m_db));
    const QByteArray bytesBefore = fileBytes(m_db);
    const QString backup = m_dir.filePath(QStringLiteral("Brimo02BAK.mdb"));
    const auto idle = openDatabase(m_db); // another workstation, open but idle

    DbMaintenance::compact(m_db, backup);

    QCOMPARE(fileBytes(backup), bytesBefore);
    QVERIFY(fileBytes(m_db).size() < bytesBefore.size());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Brimo02TMP.mdb"))));
    QCOMPARE(catalogueRows(*openDatabase(m_db)), before);
    QCOMPARE(catalogueRows(*openDatabase(backup)), before);
    QCOMPARE(catalogueRows(*idle), before);
}

void TestCompact::compactReplacesAnOldBackup()
{
    const QString backup = m_dir.filePath(QStringLiteral("Brimo02BAK.mdb"));
    {
        QFile old(backup);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an old backup");
    }
    const QByteArray bytesBefore = fileBytes(m_db);
    DbMaintenance::compact(m_db, backup);
    QCOMPARE(fileBytes(backup), bytesBefore);
}

void TestCompact::compactRefusedWhileAnotherConnectionReads()
{
    const QString before = catalogueRows(*openDatabase(m_db));
    const QByteArray bytesBefore = fileBytes(m_db);
    const auto other = openDatabase(m_db);
    other->exec(QStringLiteral("BEGIN"));
    other->scalar(QStringLiteral("SELECT count(*) FROM Katalog"));
    try {
        DbMaintenance::compact(m_db, m_dir.filePath(QStringLiteral("Brimo02BAK.mdb")));
        QFAIL("compacted under another connection's transaction");
    } catch (const Error &e) {
        QCOMPARE(e.description(),
                 QStringLiteral("Databasen «%1» er i bruk på en annen arbeidsstasjon. Prøv igjen.")
                     .arg(QFileInfo(m_db).absoluteFilePath()));
    }
    other->exec(QStringLiteral("COMMIT"));
    QCOMPARE(fileBytes(m_db), bytesBefore);
    QCOMPARE(catalogueRows(*openDatabase(m_db)), before);
}

void TestCompact::backupFailureLeavesTheFileAsItWas()
{
    const QByteArray bytesBefore = fileBytes(m_db);
    // A folder where the backup should go cannot be replaced by a file.
    const QString backup = m_dir.filePath(QStringLiteral("Brimo02BAK.mdb"));
    QVERIFY(QDir().mkpath(backup + QStringLiteral("/inside")));
    try {
        DbMaintenance::compact(m_db, backup);
        QFAIL("compacted without a backup");
    } catch (const Error &e) {
        QVERIFY2(
            e.description().startsWith(
                QStringLiteral("Sikkerhetskopien %2 ble ikke laget av %1: ").arg(m_db, backup)),
            qPrintable(e.description()));
    }
    QCOMPARE(fileBytes(m_db), bytesBefore);
    // The read lock was given back: the file can be written at once.
    openDatabase(m_db)->exec(QStringLiteral("INSERT INTO Katalog (Bruker) VALUES ('after')"));
    QDir(backup).removeRecursively();
}

void TestCompact::killedAtEachStepKeepsABackup_data()
{
    using Step = DbMaintenance::Step;
    QTest::addColumn<int>("killAt");
    QTest::addColumn<bool>("newBackup");
    QTest::newRow("copy started") << int(Step::CopyStarted) << false;
    QTest::newRow("copy written, not yet in place") << int(Step::CopyWritten) << false;
    QTest::newRow("backup replaced") << int(Step::BackupReplaced) << true;
    QTest::newRow("compacted") << int(Step::Compacted) << true;
}

// The process dies at a step of the compaction: a whole backup is always there (the previous
// one until the new one has its name), and the database is sound.
void TestCompact::killedAtEachStepKeepsABackup()
{
    QFETCH(int, killAt);
    QFETCH(bool, newBackup);
    const QString backup = m_dir.filePath(QStringLiteral("Brimo02BAK.mdb"));
    QVERIFY(QFile::copy(m_db, backup));
    const QByteArray oldBackup = fileBytes(backup);
    openDatabase(m_db)->exec(QStringLiteral("INSERT INTO Katalog (Bruker) VALUES ('+4712345678')"));
    const QString rows = catalogueRows(*openDatabase(m_db));
    const QByteArray current = fileBytes(m_db);

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        try {
            DbMaintenance::compact(m_db, backup, [killAt](DbMaintenance::Step s) {
                if (int(s) == killAt)
                    raise(SIGKILL);
            });
        } catch (...) {
        }
        _exit(3);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the compaction was not stopped");

    QCOMPARE(fileBytes(backup), newBackup ? current : oldBackup);
    QCOMPARE(catalogueRows(*openDatabase(m_db)), rows);
    // A copy cut short stays beside the backup under a name of its own.
    const QStringList left = QDir(m_dir.path()).entryList({QStringLiteral("Brimo02BAK*")});
    for (const QString &name : left) {
        if (name != QStringLiteral("Brimo02BAK.mdb"))
            QFile::remove(m_dir.filePath(name));
    }
}

std::unique_ptr<TestCompact::Menu> TestCompact::makeMenu(const QString &dbPath)
{
    auto m = std::make_unique<Menu>();
    setDatabasePath(m->state, dbPath);
    m->state.SharedConnection = Connection::open(m->state.ConnectionString);
    m->timerCom.setInterval(1000);
    m->timerCom.start();
    m->timerSend.setInterval(60000);
    Menu *raw = m.get();
    auto note = [raw](const char *what) {
        raw->log << QString::fromLatin1(what) +
                        (raw->timerCom.isActive() ? QStringLiteral(" (timer running)") : QString());
    };
    DatabaseMenuHooks hooks;
    hooks.busy = [raw] { return raw->busy; };
    hooks.timers = [raw] { return QList<QTimer *>{&raw->timerCom, &raw->timerSend}; };
    hooks.texts = [] { return kTexts; };
    hooks.OpenMainRecordsets = [note] { note("OpenMainRecordsets"); };
    hooks.ShowKeyUsers = [note] { note("ShowKeyUsers"); };
    hooks.releaseModemRow = [note] { note("releaseModemRow"); };
    hooks.claimModemAfterChange = [note] { note("claimModemAfterChange"); };
    m->menu = std::make_unique<DatabaseMenu>(m->state, &m->parent, hooks);
    return m;
}

void TestCompact::menuCompacts()
{
    ScriptedDialogs boxes;
    auto m = makeMenu(m_db);
    const auto before = m->state.SharedConnection;
    const QByteArray bytesBefore = fileBytes(m_db);
    boxes.answer(Dialogs::Answer::Ok);
    m->menu->mnuFileCompactDatabase_Click();

    QCOMPARE(boxes.texts(), (QStringList{kTexts.CompactWarningText, kTexts.CompactDoneText}));
    QCOMPARE(boxes.calls().at(0).buttons, Dialogs::Buttons::OkCancel);
    QCOMPARE(fileBytes(m->state.BackupDatabasePath), bytesBefore);
    QCOMPARE(m->log, (QStringList{"OpenMainRecordsets", "ShowKeyUsers"}));
    QVERIFY(!m->menu->CompactRequested);
    QVERIFY(!m->menu->CompactFailed);
    QVERIFY(m->state.SharedConnection != before);
    QVERIFY(
        m->state.SharedConnection->scalar(QStringLiteral("select count(*) from Katalog")).toInt() >
        0);
    QVERIFY(m->timerCom.isActive());
    QCOMPARE(m->timerCom.interval(), 1000);
    QVERIFY(!m->timerSend.isActive());
    QCOMPARE(m->timerSend.interval(), 60000);

    // A later plain open does not compact again.
    QFile::remove(m->state.BackupDatabasePath);
    m->menu->OpenDatabase();
    QVERIFY(!QFile::exists(m->state.BackupDatabasePath));
}

void TestCompact::menuCompactCancelled()
{
    ScriptedDialogs boxes;
    auto m = makeMenu(m_db);
    const auto before = m->state.SharedConnection;
    boxes.answer(Dialogs::Answer::Cancel);
    m->menu->mnuFileCompactDatabase_Click();
    QCOMPARE(boxes.texts(), QStringList{kTexts.CompactWarningText});
    QVERIFY(!QFile::exists(m->state.BackupDatabasePath));
    QVERIFY(m->log.isEmpty());
    QCOMPARE(m->state.SharedConnection, before);
    QVERIFY(m->timerCom.isActive());
}

void TestCompact::menuCompactFailureReopens()
{
    ScriptedDialogs boxes;
    auto m = makeMenu(m_db);
    const QString before = catalogueRows(*openDatabase(m_db));
    const auto other = openDatabase(m_db);
    other->exec(QStringLiteral("BEGIN"));
    other->scalar(QStringLiteral("SELECT count(*) FROM Katalog"));
    boxes.answer(Dialogs::Answer::Ok);
    m->menu->mnuFileCompactDatabase_Click();
    other->exec(QStringLiteral("COMMIT"));

    QCOMPARE(boxes.texts(),
             (QStringList{kTexts.CompactWarningText,
                          QStringLiteral("Databasen «%1» er i bruk på en annen arbeidsstasjon. "
                                         "Prøv igjen.")
                              .arg(QFileInfo(m_db).absoluteFilePath()),
                          kTexts.CompactFailedText}));
    QCOMPARE(m->log, (QStringList{"OpenMainRecordsets", "ShowKeyUsers"}));
    QVERIFY(!m->menu->CompactRequested);
    QVERIFY(!m->menu->CompactFailed); // the plain open after the failure worked
    QCOMPARE(catalogueRows(*m->state.SharedConnection), before);
    QVERIFY(m->timerCom.isActive());
}

void TestCompact::menuRefusedWhileBusy()
{
    ScriptedDialogs boxes;
    auto m = makeMenu(m_db);
    m->busy = true;
    m->menu->mnuFileCompactDatabase_Click();
    m->menu->mnuFileDatabase_Click();
    QCOMPARE(boxes.texts(), (QStringList{kTexts.WaitForSendingText, kTexts.WaitForSendingText}));
    QVERIFY(m->log.isEmpty());
    QVERIFY(!QFile::exists(m->state.BackupDatabasePath));
    QVERIFY(m->timerCom.isActive());
}

void TestCompact::chooseCancelled()
{
    ScriptedDialogs boxes;
    auto m = makeMenu(m_db);
    const AppState before = m->state;
    QString offered;
    m->menu->setFileChooser([&](QWidget *, const QString &current) {
        offered = current;
        return QString();
    });
    m->menu->mnuFileDatabase_Click();
    QCOMPARE(offered, m_db);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral(
                                "Ingen fil er valgt, så databasen er ikke byttet.\rDB Find")});
    QCOMPARE(m->state.DBPath, before.DBPath);
    QCOMPARE(m->state.ConnectionString, before.ConnectionString);
    QCOMPARE(m->state.SharedConnection, before.SharedConnection);
    QVERIFY(m->log.isEmpty());
    QVERIFY(m->timerCom.isActive());
}

void TestCompact::chooseUnusableFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("reloads");
    QTest::newRow("missing") << "missing.mdb"
                             << "Databasefilen «%1» finnes ikke eller kan ikke åpnes." << true;
    QTest::newRow("other key") << "otherkey.mdb"
                               << "Filen «%1» er ikke en database for dette programmet, eller den "
                                  "har et annet passord."
                               << true;
    QTest::newRow("too short")
        << ""
        << "Databasenavnet «%1» er for kort til at sikkerhetskopien kan få navn "
           "etter det, så ingenting er gjort.\rDB Find"
        << false;
}

void TestCompact::chooseUnusableFile()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QFETCH(bool, reloads);
    const QString otherKey = m_dir.filePath(QStringLiteral("otherkey.mdb"));
    if (!QFile::exists(otherKey))
        Connection::create(otherKey, QStringLiteral("not the key"))
            ->exec(QStringLiteral("CREATE TABLE t (a)"));
    const QString chosen = file.isEmpty() ? QStringLiteral("x.m") : m_dir.filePath(file);

    ScriptedDialogs boxes;
    auto m = makeMenu(m_db);
    const AppState before = m->state;
    m->state.ModemReady = true;
    m->menu->setFileChooser([&](QWidget *, const QString &) { return chosen; });
    m->menu->mnuFileDatabase_Click();

    QCOMPARE(boxes.texts(), QStringList{QString(message).replace("%1", chosen)});
    QCOMPARE(m->state.DBPath, before.DBPath);
    QCOMPARE(m->state.TempDatabasePath, before.TempDatabasePath);
    QCOMPARE(m->state.BackupDatabasePath, before.BackupDatabasePath);
    QCOMPARE(m->state.ConnectionString, before.ConnectionString);
    QCOMPARE(m->state.SharedConnection, before.SharedConnection);
    QVERIFY(m->state.SharedConnection->isOpen());
    const QStringList reloaded =
        reloads ? QStringList{"OpenMainRecordsets", "ShowKeyUsers"} : QStringList();
    QCOMPARE(m->log, reloaded);
    if (file == QLatin1String("missing.mdb"))
        QVERIFY(!QFile::exists(chosen));
    QVERIFY(m->timerCom.isActive());
}

void TestCompact::chooseOtherDatabase()
{
    const QString other = copyOf(m_template, m_dir, QStringLiteral("Annen.mdb"));
    ScriptedDialogs boxes;
    auto m = makeMenu(m_db);
    std::weak_ptr<Connection> old = m->state.SharedConnection;
    // A view still open on the old connection, as a report window would hold one.
    const auto view =
        Recordset::open(m->state.SharedConnection, QStringLiteral("select Bruker from Katalog"));
    m->state.ModemReady = true;
    m->menu->setFileChooser([&](QWidget *, const QString &) { return other; });
    m->menu->mnuFileDatabase_Click();
    QVERIFY(!old.expired());
    QVERIFY(old.lock()->isOpen());
    view->Requery();
    QVERIFY(view->RecordCount() > 0);

    QCOMPARE(boxes.calls().size(), 0);
    QCOMPARE(m->state.DBPath, other);
    QCOMPARE(m->state.BackupDatabasePath, m_dir.filePath(QStringLiteral("AnnenBAK.mdb")));
    QCOMPARE(m->state.TempDatabasePath, m_dir.filePath(QStringLiteral("AnnenTMP.mdb")));
    QCOMPARE(parseConnectionString(m->state.ConnectionString).dataSource, other);
    QVERIFY(m->state.SharedConnection != old.lock());
    QCOMPARE(m->state.SharedConnection->path(), other);
    // The old row goes back before the new recordsets replace the old ones; timers held still.
    QCOMPARE(m->log, (QStringList{"releaseModemRow", "OpenMainRecordsets", "claimModemAfterChange",
                                  "ShowKeyUsers"}));
    QVERIFY(!QFile::exists(m->state.BackupDatabasePath));
    QVERIFY(m->timerCom.isActive());

    // Without a ready modem nothing is released or claimed.
    m->log.clear();
    m->state.ModemReady = false;
    m->menu->setFileChooser([&](QWidget *, const QString &) { return m_db; });
    m->menu->mnuFileDatabase_Click();
    QCOMPARE(m->log, (QStringList{"OpenMainRecordsets", "ShowKeyUsers"}));
    QCOMPARE(m->state.DBPath, m_db);
}

void TestCompact::fileDialogOffersTheAccessFilter()
{
    QStringList filters, selectedFiles;
    QString selectedFilter;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        filters = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        selectedFiles = dialog->selectedFiles();
        dialog->reject();
    });
    poll.start();
    QCOMPARE(DatabaseMenu::chooseDatabaseFile(nullptr, m_db), QString());
    QCOMPARE(filters, (QStringList{"Access (*.mdb)", "All (*.*)"}));
    QCOMPARE(selectedFilter, QStringLiteral("Access (*.mdb)"));
    QCOMPARE(selectedFiles, QStringList{m_db});
}

QTEST_MAIN(TestCompact)
#include "tst_compact.moc"
