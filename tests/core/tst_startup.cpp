#include "StartFixture.h"

#include "core/Version.h"
#include "core/frmLogin.h"
#include "core/mainwindow/Main.h"
#include "platform/settings/Settings.h"
#include "programstate/AppState.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace portiva;
using namespace portiva::test;

namespace
{

// Records every top-level window shown, by object name.
class ShownWindows : public QObject
{
public:
    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    QStringList names;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow())
            names << watched->objectName();
        return false;
    }
};

// Acts on the login window once it is up and modal.
void whenLoginShown(std::function<void(frmLogin &)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto *login = qobject_cast<frmLogin *>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            act(*login);
        }
    });
    poll->start();
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cancelAtLoginEndsBeforeAnythingElse();
    void countrySettingsAreRead();
    void wrongThenRightPasswordReachesTheMainWindow();

private:
    QTemporaryDir m_dir;
    QString m_database;
};

void TestStartup::initTestCase()
{
    setApplicationIdentity();
    QVERIFY(m_dir.isValid());
    m_database = freshDatabase(m_dir, QStringLiteral("start.mdb"), QStringLiteral("demo"));
}

void TestStartup::cancelAtLoginEndsBeforeAnythingElse()
{
    ScriptedDialogs boxes;
    ShownWindows shown;
    const QString settingsFile = m_dir.filePath(QStringLiteral("cancel.ini"));
    const QByteArray databaseBefore = fileBytes(m_database);
    int result = -1;
    {
        Settings settings(settingsFile);
        AppState state;
        whenLoginShown([](frmLogin &login) {
            login.findChild<QLineEdit *>(QStringLiteral("txtPassword"))
                ->setText(QStringLiteral("demo"));
            QTest::mouseClick(login.findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                              Qt::LeftButton);
        });
        result = Main(state, settings, m_database);
        QCOMPARE(state.CurrentSecurityLevel, QString());
    }
    QCOMPARE(result, 0);
    QCOMPARE(shown.names, QStringList{QStringLiteral("frmLogin")});
    QCOMPARE(boxes.calls().size(), 0);
    QVERIFY(!QFile::exists(settingsFile) || Settings(settingsFile).text("DBPath").isEmpty());
    QCOMPARE(fileBytes(m_database), databaseBefore);
}

void TestStartup::countrySettingsAreRead()
{
    ScriptedDialogs boxes;
    const QString settingsFile = m_dir.filePath(QStringLiteral("country.ini"));
    for (bool present : {false, true}) {
        Settings settings(settingsFile);
        if (present) {
            settings.setText(QStringLiteral("countrycode"), QStringLiteral("46"));
            settings.setText(QStringLiteral("LOGOCOUNTRYCODE"), QStringLiteral("45"));
        }
        AppState state;
        state.CountryCode = state.LogoCountryCode = QStringLiteral("unset");
        whenLoginShown([](frmLogin &login) { login.reject(); });
        QCOMPARE(Main(state, settings, m_database), 0);
        QCOMPARE(state.CountryCode, present ? QStringLiteral("46") : QStringLiteral("47"));
        QCOMPARE(state.LogoCountryCode, present ? QStringLiteral("45") : QStringLiteral("0"));
    }
}

void TestStartup::wrongThenRightPasswordReachesTheMainWindow()
{
    ScriptedDialogs boxes;
    ShownWindows shown;
    Settings settings(m_dir.filePath(QStringLiteral("login.ini")));
    AppState state;
    bool stayedOpen = false;
    whenLoginShown([&](frmLogin &login) {
        auto *name = login.findChild<QLineEdit *>(QStringLiteral("txtUserName"));
        auto *password = login.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
        auto *ok = login.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        name->setText(QStringLiteral("Forvaltermann"));
        password->setText(QStringLiteral("Demo"));
        QTest::mouseClick(ok, Qt::LeftButton);
        stayedOpen = login.isVisible() && !login.LoginSucceeded;
        password->setText(QStringLiteral("demo"));
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    // The main window follows the splash; closing it ends the program's event loop.
    QTimer closer;
    closer.setInterval(50);
    connect(&closer, &QTimer::timeout, &closer, [] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("frmMain") && window->isVisible())
                window->close();
        }
    });
    closer.start();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Main(state, settings, m_database), 0);
    QVERIFY(stayedOpen);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Invalid Password, try again!")});
    QCOMPARE(state.CurrentSecurityLevel, QStringLiteral("6"));
    QCOMPARE(state.DBPath, m_database);
    QCOMPARE(shown.names.mid(0, 3),
             (QStringList{QStringLiteral("frmLogin"), QStringLiteral("frmSplash"),
                          QStringLiteral("frmMain")}));
    // The main window's load ran after the login: it set the first tab's caption.
    QVERIFY(state.SelectedUserTab != QLatin1String("1"));
    QVERIFY(clock.elapsed() >= 2950); // the splash stayed its three seconds
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
