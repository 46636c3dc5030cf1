#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/vb/Error.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

using namespace portiva;

namespace
{

// Runs fn on the first modal dialog that appears, once the nested loop is running.
template <class Fn> void onModal(Fn fn)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, fn]() {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            fn(modal);
        }
    });
    poll->start(10);
}

} // namespace

class TestUiDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Portiva3")); }

    void renderedLineBreaks_data();
    void renderedLineBreaks();
    void productionMessageBox_data();
    void productionMessageBox();
    void productionInputBox_data();
    void productionInputBox();
    void inputBoxWideEnoughForItsTitle();

    void scriptedRecordsTextsAsBuilt();
    void scriptedAnswersInOrderAndRunsMeanwhile();
    void unscriptedOkCancelFails();
    void scriptedRestoresPrevious();

    void guardedShowsDescriptionAndStep_data();
    void guardedShowsDescriptionAndStep();
    void guardedSuccessShowsNothing();
    void skipOnErrorIsSilent();
};

void TestUiDialogs::renderedLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("cr") << "desc\rForm Load"
                        << "desc\nForm Load";
    QTest::newRow("crlf is one break") << "a\r\nb"
                                       << "a\nb";
    QTest::newRow("lf") << "a\nb"
                        << "a\nb";
    QTest::newRow("lf cr is two") << "a\n\rb"
                                  << "a\n\nb";
    QTest::newRow("outer blanks kept") << "  a \r"
                                       << "  a \n";
}

void TestUiDialogs::renderedLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(renderDialogText(text), shown);
}

void TestUiDialogs::productionMessageBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<int>("expected");
    const int ok = int(Dialogs::Answer::Ok);
    const int cancel = int(Dialogs::Answer::Cancel);
    const int okOnly = int(Dialogs::Buttons::Ok);
    const int okCancel = int(Dialogs::Buttons::OkCancel);
    QTest::newRow("ok, default title") << okOnly << QString() << false << ok;
    QTest::newRow("ok alone, escape = ok") << okOnly << "Login" << true << ok;
    QTest::newRow("ok/cancel, enter = ok") << okCancel << "DELETE KEY" << false << ok;
    QTest::newRow("ok/cancel, escape = cancel") << okCancel << QString() << true << cancel;
}

void TestUiDialogs::productionMessageBox()
{
    QFETCH(int, buttons);
    QFETCH(QString, title);
    QFETCH(bool, escape);
    QFETCH(int, expected);
    QString seenTitle, seenText;
    int seenButtons = -1;
    bool iconless = false;
    Qt::TextFormat format = Qt::AutoText;
    onModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenButtons = int(box->buttons().size());
        iconless = box->icon() == QMessageBox::NoIcon;
        format = box->textFormat();
        QTest::keyClick(box, escape ? Qt::Key_Escape : Qt::Key_Return);
    });
    QtDialogs service;
    const auto answer =
        service.msgBox(QStringLiteral("<b>x</b>\rStep"), Dialogs::Buttons(buttons), title);
    QCOMPARE(int(answer), expected);
    QCOMPARE(seenTitle, title.isEmpty() ? QStringLiteral("Portiva3") : title);
    QCOMPARE(seenText, QStringLiteral("<b>x</b>\nStep"));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(seenButtons, buttons == int(Dialogs::Buttons::Ok) ? 1 : 2);
    QVERIFY(iconless);
}

void TestUiDialogs::productionInputBox_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("typed");
    QTest::newRow("ok with typed text") << true << "COM7";
    QTest::newRow("ok with the default") << true << QString();
    QTest::newRow("cancel") << false << "ignored";
}

void TestUiDialogs::productionInputBox()
{
    QFETCH(bool, accept);
    QFETCH(QString, typed);
    QString seenTitle, seenLabel, seenDefault;
    onModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        QVERIFY(dialog);
        seenTitle = dialog->windowTitle();
        seenLabel = dialog->labelText();
        seenDefault = dialog->textValue();
        if (!typed.isEmpty()) {
            dialog->setTextValue(typed);
        }
        accept ? dialog->accept() : dialog->reject();
    });
    QtDialogs service;
    const auto answer = service.inputBox(QStringLiteral("Port?\rOne line"),
                                         QStringLiteral("Com Port"), QStringLiteral("1"));
    QCOMPARE(seenTitle, QStringLiteral("Com Port"));
    QCOMPARE(seenLabel, QStringLiteral("Port?\nOne line"));
    QCOMPARE(seenDefault, QStringLiteral("1"));
    if (!accept) {
        QVERIFY(!answer.has_value());
    } else {
        QCOMPARE(answer.value(), typed.isEmpty() ? QStringLiteral("1") : typed);
    }
}

// The title names the recipient of a free SMS; the box must not be so narrow that the frame
// cuts the number.
void TestUiDialogs::inputBoxWideEnoughForItsTitle()
{
    const QString title = QStringLiteral("Send SMS til :+46701234567");
    int width = 0;
    int titleWidth = 0;
    onModal([&](QWidget *modal) {
        QFont bold = modal->font();
        bold.setBold(true);
        titleWidth = QFontMetrics(bold).horizontalAdvance(title);
        width = modal->width();
        static_cast<QDialog *>(modal)->reject();
    });
    QtDialogs service;
    service.inputBox(QStringLiteral("Skriv meldingstekst"), title, QString());
    QVERIFY2(width >= titleWidth + 100,
             qPrintable(QStringLiteral("%1 < %2").arg(width).arg(titleWidth)));
}

void TestUiDialogs::scriptedRecordsTextsAsBuilt()
{
    ScriptedDialogs script;
    QCOMPARE(&dialogs(), static_cast<Dialogs *>(&script));
    dialogs().msgBox(QStringLiteral("desc\rForm Load"));
    script.answerInput(QStringLiteral("7"));
    QCOMPARE(
        dialogs().inputBox(QStringLiteral("Port"), QStringLiteral("Com Port"), QStringLiteral("1")),
        std::optional<QString>(QStringLiteral("7")));
    dialogs().beep();
    dialogs().beep();
    QCOMPARE(script.calls().size(), 2);
    const auto &box = script.calls().at(0);
    QCOMPARE(box.kind, ScriptedDialogs::Kind::MsgBox);
    QCOMPARE(box.text, QStringLiteral("desc\rForm Load"));
    QCOMPARE(box.title, QString());
    QCOMPARE(box.buttons, Dialogs::Buttons::Ok);
    const auto &input = script.calls().at(1);
    QCOMPARE(input.kind, ScriptedDialogs::Kind::InputBox);
    QCOMPARE(input.title, QStringLiteral("Com Port"));
    QCOMPARE(input.defaultText, QStringLiteral("1"));
    QCOMPARE(script.beeps(), 2);
}

void TestUiDialogs::scriptedAnswersInOrderAndRunsMeanwhile()
{
    ScriptedDialogs script;
    int step = 0;
    int seenAt = -1;
    script.answer(Dialogs::Answer::Cancel, [&] { seenAt = step; });
    script.answer(Dialogs::Answer::Ok);
    script.answerInput(std::nullopt);
    step = 1;
    QCOMPARE(dialogs().msgBox(QStringLiteral("a"), Dialogs::Buttons::OkCancel),
             Dialogs::Answer::Cancel);
    QCOMPARE(seenAt, 1);
    // An OK-only box in between takes no scripted answer.
    QCOMPARE(dialogs().msgBox(QStringLiteral("info")), Dialogs::Answer::Ok);
    QCOMPARE(dialogs().msgBox(QStringLiteral("b"), Dialogs::Buttons::OkCancel),
             Dialogs::Answer::Ok);
    QVERIFY(!dialogs().inputBox(QStringLiteral("c")).has_value());
    QCOMPARE(script.pendingAnswers(), 0);
}

void TestUiDialogs::unscriptedOkCancelFails()
{
    ScriptedDialogs script;
    QEXPECT_FAIL("", "an OK/Cancel box nobody scripted must fail the test", Continue);
    const auto answer =
        dialogs().msgBox(QStringLiteral("Er Du sikker?"), Dialogs::Buttons::OkCancel);
    QCOMPARE(answer, Dialogs::Answer::Cancel);
    QCOMPARE(script.calls().size(), 1);
}

void TestUiDialogs::scriptedRestoresPrevious()
{
    Dialogs *production = &dialogs();
    {
        ScriptedDialogs outer;
        {
            ScriptedDialogs inner;
            QCOMPARE(&dialogs(), static_cast<Dialogs *>(&inner));
        }
        QCOMPARE(&dialogs(), static_cast<Dialogs *>(&outer));
    }
    QCOMPARE(&dialogs(), production);
}

void TestUiDialogs::guardedShowsDescriptionAndStep_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("portivaError");
    QTest::addColumn<QString>("shown");
    QTest::newRow("error and step") << "Form Load" << true << "No current row.\rForm Load";
    QTest::newRow("no step word") << QString() << true << "No current row.";
    QTest::newRow("std exception") << "COMPACT DB" << false << "disk full\rCOMPACT DB";
}

void TestUiDialogs::guardedShowsDescriptionAndStep()
{
    QFETCH(QString, step);
    QFETCH(bool, portivaError);
    QFETCH(QString, shown);
    ScriptedDialogs script;
    bool after = false;
    const bool ran = guarded(step, [&] {
        if (portivaError) {
            throw Error(QStringLiteral("No current row."), 3021);
        }
        throw std::runtime_error("disk full");
        after = true;
    });
    QVERIFY(!ran);
    QVERIFY(!after);
    QCOMPARE(script.texts(), QStringList{shown});
    QCOMPARE(script.calls().first().title, QString());
    QCOMPARE(script.calls().first().buttons, Dialogs::Buttons::Ok);
}

void TestUiDialogs::guardedSuccessShowsNothing()
{
    ScriptedDialogs script;
    int runs = 0;
    QVERIFY(guarded(QStringLiteral("Prev"), [&] { ++runs; }));
    QVERIFY(guarded([&] { ++runs; }));
    QCOMPARE(runs, 2);
    QVERIFY(script.calls().isEmpty());
    QVERIFY(!guardedWith([](const QString &d) { return d + QStringLiteral(" DB QUERY ERROR"); },
                         [] { throw Error(QStringLiteral("no such table: Brukere")); }));
    QCOMPARE(script.lastText(), QStringLiteral("no such table: Brukere DB QUERY ERROR"));
}

void TestUiDialogs::skipOnErrorIsSilent()
{
    ScriptedDialogs script;
    QVERIFY(!skipOnError([] { throw Error(QStringLiteral("x")); }));
    QVERIFY(!skipOnError([] { throw 42; }));
    QVERIFY(skipOnError([] {}));
    QVERIFY(script.calls().isEmpty());
}

QTEST_MAIN(TestUiDialogs)
#include "tst_uidialogs.moc"
