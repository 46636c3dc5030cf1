#include "platform/ui/WindowRegistry.h"

#include <QGuiApplication>
#include <QWindow>

namespace portiva
{

WindowRegistry &WindowRegistry::instance()
{
    static WindowRegistry *registry = new WindowRegistry;
    registry->followFocus();
    return *registry;
}

WindowRegistry::WindowRegistry() = default;

void WindowRegistry::followFocus()
{
    // The registry may be reached before the application object exists.
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (app && m_followed != app) {
        m_followed = app;
        connect(app, &QGuiApplication::focusWindowChanged, this,
                &WindowRegistry::onFocusWindowChanged);
    }
}

void registerForm(QWidget *form)
{
    WindowRegistry::instance().registerForm(form);
}

void WindowRegistry::registerForm(QWidget *form)
{
    if (!form || m_forms.contains(form)) {
        return;
    }
    m_forms.append(form);
    connect(form, &QObject::destroyed, this, &WindowRegistry::onFormDestroyed);
    // A form registered after it was shown and activated counts as active at once.
    if (QWindow *focus = QGuiApplication::focusWindow(); focus && formOf(focus) == form) {
        setActiveForm(form);
    }
}

void WindowRegistry::unregisterForm(QWidget *form)
{
    if (m_forms.removeAll(form) == 0) {
        return;
    }
    disconnect(form, &QObject::destroyed, this, &WindowRegistry::onFormDestroyed);
    if (m_active == form) {
        m_active = nullptr;
    }
}

void WindowRegistry::onFormDestroyed(QObject *object)
{
    // The widget part is gone already: only its address is used here.
    m_forms.removeAll(object);
    if (m_active.isNull() || static_cast<QObject *>(m_active.data()) == object) {
        m_active = nullptr;
    }
}

bool WindowRegistry::isRegistered(const QWidget *widget) const
{
    return widget && m_forms.contains(const_cast<QWidget *>(widget));
}

QList<QWidget *> WindowRegistry::forms() const
{
    QList<QWidget *> out;
    out.reserve(m_forms.size());
    for (QObject *form : m_forms) {
        out.append(static_cast<QWidget *>(form));
    }
    return out;
}

void WindowRegistry::setActiveForm(QWidget *form)
{
    if (!isRegistered(form) || form == m_active) {
        return;
    }
    QPointer<QWidget> previous = m_active;
    m_active = form;
    if (previous) {
        emit formDeactivated(previous);
    }
    // A deactivation handler may have moved on already; report only what still holds.
    if (m_active == form) {
        emit formActivated(form);
    }
}

QWidget *WindowRegistry::formOf(const QWindow *window) const
{
    if (!window) {
        return nullptr;
    }
    for (QObject *object : m_forms) {
        auto *form = static_cast<QWidget *>(object);
        if (form->windowHandle() == window) {
            return form;
        }
    }
    return nullptr;
}

void WindowRegistry::onFocusWindowChanged(QWindow *window)
{
    if (QWidget *form = formOf(window)) {
        setActiveForm(form);
    }
}

} // namespace portiva
