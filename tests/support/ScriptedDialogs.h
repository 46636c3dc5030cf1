#pragma once

#include "platform/ui/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace portiva
{

// A dialog service for tests: records every box, answers OK-only boxes itself and answers
// OK/Cancel and input boxes from a script. A box nothing was scripted for fails the
// running test at once (and is answered Cancel, the answer that starts nothing).
// Installed for its lifetime; the service it replaced comes back afterwards.
class ScriptedDialogs : public Dialogs
{
public:
    enum class Kind { MsgBox, InputBox };
    struct Call {
        Kind kind = Kind::MsgBox;
        QString text; // message or prompt, exactly as the caller built it
        QString title;
        Buttons buttons = Buttons::Ok;
        QString defaultText;
    };
    // Runs while the box is "open", before its answer is returned: a test pumps events
    // or acts there to see what happens under a box.
    using Meanwhile = std::function<void()>;

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    // The answer of the next OK/Cancel box.
    void answer(Answer answer, Meanwhile meanwhile = {});
    // The answer of the next input box; std::nullopt = Cancel.
    void answerInput(const std::optional<QString> &text, Meanwhile meanwhile = {});
    // Run while the next OK-only box is open (OK-only boxes still answer themselves).
    void whileNextOkBox(Meanwhile meanwhile);

    const QList<Call> &calls() const { return m_calls; }
    QStringList texts() const;
    // The last call's text; empty when there was none.
    QString lastText() const;
    int beeps() const { return m_beeps; }
    // Scripted answers not used yet.
    int pendingAnswers() const { return int(m_script.size()); }
    void clear();

    Answer msgBox(const QString &text, Buttons buttons = Buttons::Ok,
                  const QString &title = {}) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title = {},
                                    const QString &defaultText = {}) override;
    void beep() override { ++m_beeps; }

private:
    struct Scripted {
        Kind kind;
        Answer answer = Answer::Cancel;
        std::optional<QString> input;
        Meanwhile meanwhile;
    };
    bool takeScripted(Kind kind, const QString &text, Scripted &out);

    QList<Call> m_calls;
    QList<Scripted> m_script;
    Meanwhile m_okMeanwhile;
    int m_beeps = 0;
    Dialogs *m_previous = nullptr;
};

} // namespace portiva
