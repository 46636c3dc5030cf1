#pragma once

#include "platform/ui/WindowRegistry.h"

#include <QApplication>
#include <QList>
#include <QWidget>

namespace portiva::test
{

// The program's forms of one name, oldest first, as the menus opened them.
inline QList<QWidget *> formsNamed(const QString &objectName)
{
    QList<QWidget *> found;
    for (QWidget *form : WindowRegistry::instance().forms())
        if (form->objectName() == objectName)
            found << form;
    return found;
}

// The newest form of a window class, or nullptr.
template <class Window> Window *newestForm()
{
    Window *newest = nullptr;
    for (QWidget *form : WindowRegistry::instance().forms())
        if (auto *w = qobject_cast<Window *>(form))
            newest = w;
    return newest;
}

// Closes the forms and lets their deferred deletion run, so the next test starts without them.
inline void closeForms(const QList<QWidget *> &forms)
{
    for (QWidget *w : forms)
        w->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace portiva::test
