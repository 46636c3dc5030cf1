#pragma once

#include <QString>
#include <optional>

namespace portiva
{

// The program's only way to talk to the operator in a box. Windows build their texts
// exactly as the operator should read them ("desc" + "\r" + "Form Load"); the service
// turns the line-break characters into breaks only when it shows them, so tests can
// compare the texts as built.
class Dialogs
{
public:
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    // An empty title means the application's own name ("Portiva3").
    virtual Answer msgBox(const QString &text, Buttons buttons = Buttons::Ok,
                          const QString &title = {}) = 0;
    // std::nullopt when the operator cancels.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title = {},
                                            const QString &defaultText = {}) = 0;
    virtual void beep() = 0;
    virtual ~Dialogs() = default;
};

// Production service: QMessageBox without icon and QInputDialog, parented to the active
// registered program window.
class QtDialogs : public Dialogs
{
public:
    Answer msgBox(const QString &text, Buttons buttons = Buttons::Ok,
                  const QString &title = {}) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title = {},
                                    const QString &defaultText = {}) override;
    void beep() override;
};

// The service every window uses. Until something is installed it is a process-wide
// QtDialogs.
Dialogs &dialogs();
// Installs a service (tests install a scripted one) and returns the one it replaces;
// nullptr goes back to the production service. The caller keeps ownership.
Dialogs *setDialogs(Dialogs *service);

// The title a box gets when the caller gives none.
QString defaultDialogTitle();
// "\r\n", "\r" and "\n" each become one line break; everything else, outer blanks
// included, stays as it is.
QString renderDialogText(const QString &text);

} // namespace portiva
