#include "platform/ui/WindowRegistry.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>

using namespace portiva;

namespace
{

// The registry's notices as one readable log: "-A +B".
class ActivationLog : public QObject
{
public:
    ActivationLog()
    {
        auto &registry = WindowRegistry::instance();
        connect(&registry, &WindowRegistry::formDeactivated, this,
                [this](QWidget *w) { entries << "-" + w->objectName(); });
        connect(&registry, &WindowRegistry::formActivated, this,
                [this](QWidget *w) { entries << "+" + w->objectName(); });
    }
    QString take() { return std::exchange(entries, {}).join(' '); }
    QStringList entries;
};

std::unique_ptr<QWidget> makeForm(const QString &name, bool registered = true)
{
    auto form = std::make_unique<QWidget>();
    form->setObjectName(name);
    form->resize(200, 100);
    if (registered) {
        registerForm(form.get());
    }
    return form;
}

bool activate(QWidget *w)
{
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

} // namespace

class TestUiRegistry : public QObject
{
    Q_OBJECT
private slots:
    void formsInCreationOrder();
    void explicitActivationRules();
    void focusDrivesActivation();
    void boxOverFormFiresNothing();
    void destroyedActiveFormIsForgotten();
};

void TestUiRegistry::formsInCreationOrder()
{
    auto main = makeForm("frmMain");
    auto login = makeForm("frmLogin");
    auto loose = makeForm("loose", false);
    auto key = makeForm("frmKEY");
    registerForm(main.get()); // twice is once
    auto &registry = WindowRegistry::instance();
    QCOMPARE(registry.forms(), (QList<QWidget *>{main.get(), login.get(), key.get()}));
    QVERIFY(!registry.isRegistered(loose.get()));
    login.reset();
    QCOMPARE(registry.forms(), (QList<QWidget *>{main.get(), key.get()}));
    registry.unregisterForm(key.get());
    QCOMPARE(registry.forms(), QList<QWidget *>{main.get()});
}

void TestUiRegistry::explicitActivationRules()
{
    auto main = makeForm("frmMain");
    auto key = makeForm("frmKEY");
    auto loose = makeForm("loose", false);
    auto &registry = WindowRegistry::instance();
    ActivationLog log;
    registry.setActiveForm(main.get());
    QCOMPARE(log.take(), QStringLiteral("+frmMain"));
    registry.setActiveForm(main.get());
    registry.setActiveForm(nullptr);
    registry.setActiveForm(loose.get());
    QCOMPARE(log.take(), QString());
    QCOMPARE(registry.activeForm(), main.get());
    registry.setActiveForm(key.get());
    QCOMPARE(log.take(), QStringLiteral("-frmMain +frmKEY"));
    registry.setActiveForm(main.get());
    QCOMPARE(log.take(), QStringLiteral("-frmKEY +frmMain"));
}

void TestUiRegistry::focusDrivesActivation()
{
    auto main = makeForm("frmMain");
    auto key = makeForm("frmKEY");
    auto loose = makeForm("loose", false);
    ActivationLog log;
    QVERIFY(activate(main.get()));
    QCOMPARE(log.take(), QStringLiteral("+frmMain"));
    QVERIFY(activate(key.get()));
    QCOMPARE(log.take(), QStringLiteral("-frmMain +frmKEY"));
    // A window that is not a program form keeps the last active form.
    QVERIFY(activate(loose.get()));
    QCOMPARE(log.take(), QString());
    QCOMPARE(WindowRegistry::instance().activeForm(), key.get());
    QVERIFY(activate(main.get()));
    QCOMPARE(log.take(), QStringLiteral("-frmKEY +frmMain"));
}

void TestUiRegistry::boxOverFormFiresNothing()
{
    auto main = makeForm("frmMain");
    QVERIFY(activate(main.get()));
    ActivationLog log;
    WindowRegistry::instance().setActiveForm(main.get());
    log.take();

    QMessageBox box(QMessageBox::NoIcon, "Portiva3", "text", QMessageBox::Ok, main.get());
    QVERIFY(activate(&box));
    box.close();
    QVERIFY(activate(main.get()));

    QInputDialog input(main.get());
    QVERIFY(activate(&input));
    input.close();
    QVERIFY(activate(main.get()));

    QCOMPARE(log.take(), QString());
    QCOMPARE(WindowRegistry::instance().activeForm(), main.get());
}

void TestUiRegistry::destroyedActiveFormIsForgotten()
{
    auto main = makeForm("frmMain");
    auto key = makeForm("frmKEY");
    auto &registry = WindowRegistry::instance();
    registry.setActiveForm(main.get());
    registry.setActiveForm(key.get());
    ActivationLog log;
    key.reset();
    QCOMPARE(registry.activeForm(), nullptr);
    // Coming back to the main window after the other form closed is an activation.
    registry.setActiveForm(main.get());
    QCOMPARE(log.take(), QStringLiteral("+frmMain"));
}

QTEST_MAIN(TestUiRegistry)
#include "tst_uiregistry.moc"
