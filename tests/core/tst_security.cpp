// Security-level profiles on the main window's menus and controls.

#include "core/SecurityProfile.h"
#include "core/mainwindow/frmMain.h"
#include "programstate/AppState.h"

#include <QAction>
#include <QWidget>
#include <QtTest>

using namespace portiva;

namespace
{

// Visible after the profile, in the order of securityControlledNames():
// CmdSMSDoor CommandSendSMS mnuDatafrmPassWords mnuDatafrmKey mnuDatafrmKeyOppsett mnuComPort
// mnuSpråk mnuFileDatabase mnuFileCompactDatabase mnuDatafrmKeyLogg mnuFilePrintLogg
// mnuFilePrintKEY mnuSMSSendingsbekreftelse SMSIDLBL SMSFROMLBL SMSDATELBL lblInnkommendeSMS
// SMSTXTLBL UpDown2 SMSRectxt(0..4). "1" shown, "0" hidden.
const char *const kLevel7 = "000010011111100001000000";
const char *const kLevel6 = "111111111111111111111111";
const char *const kLevel5 = "110111111111111111111111";
const char *const kLevel4 = "111101111001011111111111";
const char *const kOther = "000100000000000000000000";

bool isShown(QObject *window, const QString &name)
{
    if (auto *action = window->findChild<QAction *>(name))
        return action->isVisible();
    auto *widget = window->findChild<QWidget *>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return !widget->isHidden();
}

} // namespace

class SecurityTest : public QObject
{
    Q_OBJECT
private slots:
    void profileOnTheWindow_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("shown");
        QTest::newRow("7") << "7" << kLevel7;
        QTest::newRow("6") << "6" << kLevel6;
        QTest::newRow("5") << "5" << kLevel5;
        QTest::newRow("4") << "4" << kLevel4;
        QTest::newRow("3") << "3" << kOther;
        QTest::newRow("07") << "07" << kOther;
        QTest::newRow("7 blank") << "7 " << kOther;
        QTest::newRow("empty") << "" << kOther;
    }
    void profileOnTheWindow()
    {
        QFETCH(QString, level);
        QFETCH(QString, shown);
        AppState state;
        frmMain window(state);
        applySecurityProfile(&window, level);
        const QStringList names = securityControlledNames();
        QCOMPARE(names.size(), shown.size());
        for (int i = 0; i < names.size(); ++i) {
            const bool expected = shown[i] == QLatin1Char('1');
            if (isShown(&window, names[i]) != expected)
                QFAIL(qPrintable(QStringLiteral("%1 at level '%2': expected %3")
                                     .arg(names[i], level, expected ? "shown" : "hidden")));
        }
        // Menus no profile touches stay visible at every level.
        for (const char *name :
             {"mnuFilePrintBrukere", "mnuFilePrintKatalog", "mnuFileExit", "mnuKatalog",
              "mnuSMSSent", "mnuSMSReceived", "mnuSMSUnSent", "mnuHelp"})
            QVERIFY2(isShown(&window, name), name);
    }

    void untouchedCellsAreLeftAlone()
    {
        // Level 7 leaves the properties menu as it is, the others leave the key list.
        const auto seven = profileFor("7");
        const auto five = profileFor("5");
        auto cell = [](const SecurityProfile &p, const QString &name) {
            for (const auto &[n, v] : p) {
                if (n == name)
                    return v;
            }
            return std::optional<bool>(false);
        };
        QVERIFY(!cell(seven, "mnuDatafrmKeyOppsett").has_value());
        QVERIFY(!cell(five, "mnuDatafrmKey").has_value());
        QCOMPARE(cell(seven, "mnuDatafrmKey"), std::optional<bool>(false));
    }
};

QTEST_MAIN(SecurityTest)
#include "tst_security.moc"
