#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QWindow;

namespace portiva
{

// Every program form, in creation order, and which of them is the program's active form.
// Message, input and file dialogs are never registered, so a box shown over a form leaves
// the active form as it was: formActivated/formDeactivated fire only when the operator
// moves between the program's own forms (Qt's own activation events fire around every box).
class WindowRegistry : public QObject
{
    Q_OBJECT
public:
    static WindowRegistry &instance();

    // Registers a top-level form; it leaves the registry by itself when destroyed.
    void registerForm(QWidget *form);
    void unregisterForm(QWidget *form);
    bool isRegistered(const QWidget *widget) const;
    // Live registered forms, first created first.
    QList<QWidget *> forms() const;

    // The last registered form that was active; nullptr before any.
    QWidget *activeForm() const { return m_active; }
    // Makes form the active form. A form that is not registered (or nullptr) is ignored,
    // and so is the form already active. Focus changes end up here.
    void setActiveForm(QWidget *form);

signals:
    void formDeactivated(QWidget *form);
    void formActivated(QWidget *form);

private:
    WindowRegistry();
    void followFocus();
    void onFocusWindowChanged(QWindow *window);
    void onFormDestroyed(QObject *object);
    QWidget *formOf(const QWindow *window) const;

    QList<QObject *> m_forms;
    QPointer<QWidget> m_active;
    QPointer<QObject> m_followed;
};

// Shorthand for WindowRegistry::instance().registerForm(form).
void registerForm(QWidget *form);

} // namespace portiva
