#include "StartFixture.h"

#include "core/LoginCheck.h"
#include "core/frmLogin.h"
#include "platform/db/Recordset.h"
#include "platform/settings/Settings.h"
#include "programstate/AppState.h"
#include "tests/support/ScriptedDialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace portiva;
using namespace portiva::test;

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void verify_data();
    void verify();
    void verifyReportsALookUpFailure();

    void controlsAndCaptions();
    void rightPasswordLogsIn();
    void wrongPasswordKeepsTheWindow();
    void nullLevelGetsNoProfile();
    void unreachableDatabaseIsReportedAndNeverLetsIn_data();
    void unreachableDatabaseIsReportedAndNeverLetsIn();
    void commandLineDatabaseWinsOverTheSetting();
    void cancelEndsTheLogin();

private:
    struct Window {
        std::unique_ptr<Settings> settings;
        std::unique_ptr<frmLogin> login;
    };
    Window openLogin(AppState &state, const QString &commandLine, const QString &settingPath = {});
    static void typeAndPressOk(frmLogin &login, const QString &name, const QString &password);

    QTemporaryDir m_dir;
    QString m_database;
};

void TestLogin::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_database = freshDatabase(m_dir, QStringLiteral("login.mdb"));
    const auto connection = openDatabase(m_database);
    connection->exec(QStringLiteral("DELETE FROM Passwords"));
    const QString insert =
        QStringLiteral("INSERT INTO Passwords (USER_ID, Password, SecurityLevel) VALUES (?, ?, ?)");
    const QVariant null;
    const QList<QVariantList> rows = {
        {QStringLiteral("Forvaltermann"), QStringLiteral("Hemmelig"), QStringLiteral("6")},
        {QStringLiteral("Ola"), QStringLiteral("pw7"), 7}, // a level written as a number
        {QStringLiteral("Kari"), null, QStringLiteral("5")},
        {QStringLiteral("Tom"), QString(""), QStringLiteral("4")},
        {QStringLiteral("Nils"), QStringLiteral("nils"), null},
        {QStringLiteral("dup"), QStringLiteral("first"), QStringLiteral("5")},
        {QStringLiteral("DUP"), QStringLiteral("second"), QStringLiteral("6")},
        {QStringLiteral("D'Arcy"), QStringLiteral("quote"), QStringLiteral("4")},
    };
    for (const QVariantList &row : rows)
        connection->exec(insert, row);
}

void TestLogin::verify_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("detail"); // level when accepted, description when failed

    const int accepted = int(LoginResult::Outcome::Accepted);
    const int refused = int(LoginResult::Outcome::Refused);
    const int failed = int(LoginResult::Outcome::Failed);
    QTest::newRow("exact") << "Forvaltermann"
                           << "Hemmelig" << accepted << "6";
    QTest::newRow("name in other case") << "FORVALTERMANN"
                                        << "Hemmelig" << accepted << "6";
    QTest::newRow("password in other case") << "Forvaltermann"
                                            << "hemmelig" << refused << "";
    QTest::newRow("password with a blank") << "Forvaltermann"
                                           << "Hemmelig " << refused << "";
    QTest::newRow("name with a blank") << "Forvaltermann "
                                       << "Hemmelig" << refused << "";
    QTest::newRow("unknown name") << "Per"
                                  << "Hemmelig" << refused << "";
    QTest::newRow("level stored as number") << "Ola"
                                            << "pw7" << accepted << "7";
    QTest::newRow("stored Null password, empty typed") << "Kari"
                                                       << "" << refused << "";
    QTest::newRow("empty against empty") << "Tom"
                                         << "" << accepted << "4";
    QTest::newRow("typed against empty") << "Tom"
                                         << "x" << refused << "";
    QTest::newRow("Null level") << "Nils"
                                << "nils" << accepted << "";
    QTest::newRow("apostrophe, unknown") << "O'Brien"
                                         << "x" << refused << "";
    QTest::newRow("apostrophe, stored") << "d'arcy"
                                        << "quote" << accepted << "4";
    QTest::newRow("duplicate: first after sort") << "Dup"
                                                 << "first" << accepted << "5";
    QTest::newRow("duplicate: second not reached") << "Dup"
                                                   << "second" << refused << "";
    QTest::newRow("empty name") << ""
                                << "" << refused << "";
}

void TestLogin::verify()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, outcome);
    QFETCH(QString, detail);

    const auto rs =
        Recordset::open(openDatabase(m_database),
                        QStringLiteral("select USER_ID,Password,SecurityLevel from Passwords"));
    rs->setSort(QStringLiteral("USER_ID"));
    rs->MoveLast(); // the check starts from the first row wherever the cursor stands
    const LoginResult result = LoginCheck::verify(*rs, name, password);
    QCOMPARE(int(result.outcome), outcome);
    if (result.outcome == LoginResult::Outcome::Accepted)
        QCOMPARE(result.level, detail);
    if (result.outcome == LoginResult::Outcome::Failed)
        QCOMPARE(result.description, detail);
}

void TestLogin::verifyReportsALookUpFailure()
{
    const auto rs =
        Recordset::open(openDatabase(m_database), QStringLiteral("select USER_ID from Passwords"));
    const LoginResult result =
        LoginCheck::verify(*rs, QStringLiteral("Forvaltermann"), QStringLiteral("Hemmelig"));
    QCOMPARE(int(result.outcome), int(LoginResult::Outcome::Failed));
    QVERIFY(!result.description.isEmpty());
}

TestLogin::Window TestLogin::openLogin(AppState &state, const QString &commandLine,
                                       const QString &settingPath)
{
    Window window;
    window.settings = std::make_unique<Settings>(m_dir.filePath(QStringLiteral("settings.ini")));
    window.settings->remove(QStringLiteral("DBpath"));
    if (!settingPath.isEmpty())
        window.settings->setText(QStringLiteral("DBPath"), settingPath);
    window.login = std::make_unique<frmLogin>(state, *window.settings, commandLine);
    window.login->show();
    return window;
}

void TestLogin::typeAndPressOk(frmLogin &login, const QString &name, const QString &password)
{
    login.findChild<QLineEdit *>(QStringLiteral("txtUserName"))->setText(name);
    login.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
    QTest::mouseClick(login.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
}

void TestLogin::controlsAndCaptions()
{
    ScriptedDialogs boxes;
    AppState state;
    Window w = openLogin(state, m_database);
    frmLogin &login = *w.login;
    QCOMPARE(login.windowTitle(), QStringLiteral("Login"));
    QCOMPARE(boxes.calls().size(), 0);
    const QStringList captions = {"User ID:", "Password:", "Machine ID:"};
    for (int i = 0; i < 3; ++i) {
        auto *label = login.findChild<QLabel *>(QStringLiteral("lblLabels(%1)").arg(i));
        QVERIFY(label);
        QCOMPARE(label->text(), captions.at(i));
    }
    auto *password = login.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QVERIFY(login.findChild<QPushButton *>(QStringLiteral("cmdOK"))->isDefault());
    QCOMPARE(login.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("Cancel"));
    QVERIFY(!login.findChild<QLineEdit *>(QStringLiteral("txtComputerName"))->text().isEmpty());
    QVERIFY(!login.LoginSucceeded);
    // The login opened the database: paths and connection are in place.
    QCOMPARE(state.DBPath, m_database);
    QVERIFY(state.BackupDatabasePath.endsWith(QStringLiteral("loginBAK.mdb")));
    QVERIFY(state.SharedConnection && state.SharedConnection->isOpen());
}

void TestLogin::rightPasswordLogsIn()
{
    ScriptedDialogs boxes;
    AppState state;
    Window w = openLogin(state, m_database);
    w.login->findChild<QLineEdit *>(QStringLiteral("txtComputerName"))
        ->setText(QStringLiteral("WS-7"));
    typeAndPressOk(*w.login, QStringLiteral("forvaltermann"), QStringLiteral("Hemmelig"));
    QCOMPARE(boxes.calls().size(), 0);
    QVERIFY(w.login->LoginSucceeded);
    QCOMPARE(w.login->result(), int(QDialog::Accepted));
    QVERIFY(!w.login->isVisible());
    QCOMPARE(state.CurrentSecurityLevel, QStringLiteral("6"));
    QCOMPARE(state.CurrentUserName, QStringLiteral("forvaltermann"));
    QCOMPARE(state.CurrentComputerName, QStringLiteral("WS-7"));
}

void TestLogin::wrongPasswordKeepsTheWindow()
{
    ScriptedDialogs boxes;
    AppState state;
    Window w = openLogin(state, m_database);
    const auto firstConnection = state.SharedConnection;
    typeAndPressOk(*w.login, QStringLiteral("Forvaltermann"), QStringLiteral("hemmelig"));
    QCOMPARE(boxes.calls().size(), 1);
    QCOMPARE(boxes.calls().at(0).text, QStringLiteral("Invalid Password, try again!"));
    QCOMPARE(boxes.calls().at(0).title, QStringLiteral("Login"));
    QCOMPARE(boxes.calls().at(0).buttons, Dialogs::Buttons::Ok);
    QVERIFY(!w.login->LoginSucceeded);
    QVERIFY(w.login->isVisible());
    auto *password = w.login->findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    QCOMPARE(password->selectedText(), QStringLiteral("hemmelig"));
    QCOMPARE(w.login->focusWidget(), password);
    QVERIFY(state.CurrentSecurityLevel.isEmpty());
    // The table was read again after the refusal.
    QVERIFY(state.SharedConnection != firstConnection);

    // A password changed elsewhere after the table was read counts from the next try on.
    openDatabase(m_database)
        ->exec(QStringLiteral("UPDATE Passwords SET Password = 'hemmelig' WHERE USER_ID = 'Ola'"));
    typeAndPressOk(*w.login, QStringLiteral("Ola"), QStringLiteral("hemmelig"));
    QCOMPARE(boxes.calls().size(), 2);
    typeAndPressOk(*w.login, QStringLiteral("Ola"), QStringLiteral("hemmelig"));
    openDatabase(m_database)
        ->exec(QStringLiteral("UPDATE Passwords SET Password = 'pw7' WHERE USER_ID = 'Ola'"));
    QCOMPARE(boxes.calls().size(), 2);
    QVERIFY(w.login->LoginSucceeded);
    QCOMPARE(state.CurrentSecurityLevel, QStringLiteral("7"));
}

void TestLogin::nullLevelGetsNoProfile()
{
    ScriptedDialogs boxes;
    AppState state;
    state.CurrentSecurityLevel = QStringLiteral("7");
    Window w = openLogin(state, m_database);
    typeAndPressOk(*w.login, QStringLiteral("Nils"), QStringLiteral("nils"));
    QVERIFY(boxes.texts().isEmpty());
    QVERIFY(w.login->LoginSucceeded);
    QVERIFY(state.CurrentSecurityLevel.isEmpty());
}

void TestLogin::unreachableDatabaseIsReportedAndNeverLetsIn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // written to the file first unless empty
    QTest::addColumn<QString>("first"); // the message's first line, %1 the file; "" names it only
    QTest::newRow("no such file") << "missing.mdb" << QByteArray() << "Databasen %1 finnes ikke.";
    QTest::newRow("a path too short") << "a" << QByteArray() << "Databasen %1 finnes ikke.";
    QTest::newRow("not a database") << "garbage.mdb" << QByteArray(4096, 'x') << "";
}

void TestLogin::unreachableDatabaseIsReportedAndNeverLetsIn()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, first);
    const QString hint = QStringLiteral(
        "Start programmet med «Portiva3 --database FILE» for å åpne en annen database, eller lag "
        "en ny med «Portiva3 --create-database FILE».");
    ScriptedDialogs boxes;
    AppState state;
    const QString path = m_dir.filePath(name);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    // A bare name is looked for in the working folder, and the message names it there.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    Window w = openLogin(state, name);
    QDir::setCurrent(previous);
    QCOMPARE(boxes.calls().size(), 1);
    const QStringList lines = boxes.lastText().split(u'\n');
    QCOMPARE(lines.size(), 2);
    if (first.isEmpty())
        QVERIFY2(lines[0].contains(path), qPrintable(lines[0]));
    else
        QCOMPARE(lines[0], first.arg(path));
    QCOMPARE(lines[1], hint);
    QVERIFY(w.login->isVisible());
    QCOMPARE(QFile::exists(path), !content.isEmpty()); // never made by opening it

    typeAndPressOk(*w.login, QStringLiteral("Forvaltermann"), QStringLiteral("Hemmelig"));
    QCOMPARE(boxes.calls().size(), 2);
    QCOMPARE(boxes.calls().at(1).text.split(u'\n').value(1), hint);
    QVERIFY(!w.login->LoginSucceeded);
    QVERIFY(w.login->isVisible());
    QVERIFY(state.CurrentSecurityLevel.isEmpty());
    auto *password = w.login->findChild<QLineEdit *>(QStringLiteral("txtPassword"));
    QCOMPARE(w.login->focusWidget(), password);
}

void TestLogin::commandLineDatabaseWinsOverTheSetting()
{
    ScriptedDialogs boxes;
    AppState fromSetting;
    Window a = openLogin(fromSetting, QString(), m_database);
    QCOMPARE(boxes.calls().size(), 0);
    QCOMPARE(fromSetting.DBPath, m_database);
    QVERIFY(!fromSetting.DBPathForThisRun);

    AppState fromCommandLine;
    Window b = openLogin(fromCommandLine, m_database, m_dir.filePath(QStringLiteral("nope.mdb")));
    QCOMPARE(boxes.calls().size(), 0);
    QCOMPARE(fromCommandLine.DBPath, m_database);
    QVERIFY(fromCommandLine.DBPathForThisRun); // the unload leaves the setting alone
}

void TestLogin::cancelEndsTheLogin()
{
    ScriptedDialogs boxes;
    AppState state;
    Window w = openLogin(state, m_database);
    typeAndPressOk(*w.login, QStringLiteral("Forvaltermann"), QStringLiteral("Hemmelig"));
    QVERIFY(w.login->LoginSucceeded);

    Window c = openLogin(state, m_database);
    QTest::mouseClick(c.login->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                      Qt::LeftButton);
    QVERIFY(!c.login->LoginSucceeded);
    QCOMPARE(c.login->result(), int(QDialog::Rejected));

    Window e = openLogin(state, m_database);
    QTest::keyClick(e.login.get(), Qt::Key_Escape);
    QVERIFY(!e.login->LoginSucceeded);
    QVERIFY(!e.login->isVisible());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
