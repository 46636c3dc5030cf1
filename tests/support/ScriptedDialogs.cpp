#include "tests/support/ScriptedDialogs.h"

#include <QTest>

namespace portiva
{

ScriptedDialogs::ScriptedDialogs() : m_previous(setDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs()
{
    setDialogs(m_previous);
}

void ScriptedDialogs::answer(Answer answer, Meanwhile meanwhile)
{
    m_script.append({Kind::MsgBox, answer, std::nullopt, std::move(meanwhile)});
}

void ScriptedDialogs::answerInput(const std::optional<QString> &text, Meanwhile meanwhile)
{
    m_script.append({Kind::InputBox, Answer::Cancel, text, std::move(meanwhile)});
}

void ScriptedDialogs::whileNextOkBox(Meanwhile meanwhile)
{
    m_okMeanwhile = std::move(meanwhile);
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Call &call : m_calls) {
        out.append(call.text);
    }
    return out;
}

QString ScriptedDialogs::lastText() const
{
    return m_calls.isEmpty() ? QString() : m_calls.last().text;
}

void ScriptedDialogs::clear()
{
    m_calls.clear();
    m_script.clear();
    m_okMeanwhile = {};
    m_beeps = 0;
}

bool ScriptedDialogs::takeScripted(Kind kind, const QString &text, Scripted &out)
{
    const char *what = kind == Kind::MsgBox ? "OK/Cancel box" : "input box";
    if (m_script.isEmpty()) {
        const QByteArray message = QByteArray("Unscripted ") + what + ": \"" + text.toUtf8() + '"';
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        return false;
    }
    if (m_script.first().kind != kind) {
        const QByteArray message = QByteArray("The next scripted answer is not for an ") + what +
                                   ": \"" + text.toUtf8() + '"';
        QTest::qFail(message.constData(), __FILE__, __LINE__);
        return false;
    }
    out = m_script.takeFirst();
    return true;
}

Dialogs::Answer ScriptedDialogs::msgBox(const QString &text, Buttons buttons, const QString &title)
{
    m_calls.append({Kind::MsgBox, text, title, buttons, QString()});
    if (buttons == Buttons::Ok) {
        if (Meanwhile meanwhile = std::exchange(m_okMeanwhile, {})) {
            meanwhile();
        }
        return Answer::Ok;
    }
    Scripted scripted;
    if (!takeScripted(Kind::MsgBox, text, scripted)) {
        return Answer::Cancel;
    }
    if (scripted.meanwhile) {
        scripted.meanwhile();
    }
    return scripted.answer;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString &prompt, const QString &title,
                                                 const QString &defaultText)
{
    m_calls.append({Kind::InputBox, prompt, title, Buttons::Ok, defaultText});
    Scripted scripted;
    if (!takeScripted(Kind::InputBox, prompt, scripted)) {
        return std::nullopt;
    }
    if (scripted.meanwhile) {
        scripted.meanwhile();
    }
    return scripted.input;
}

} // namespace portiva
