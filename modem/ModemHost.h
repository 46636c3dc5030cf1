#pragma once

#include <QString>

namespace portiva
{

// What the modem dialogue needs of the window that owns it. Every call has a harmless
// default so that headless code and tests override only what they look at.
class ModemHost
{
public:
    virtual ~ModemHost() = default;
    // Appends to the status box (txtMessages).
    virtual void Write2StatusBox(const QString &MessageEntry) { (void)MessageEntry; }
    // Status bar panel 1-based as the window numbers them (2 receive, 3 send).
    virtual void setStatusPanel(int panel, const QString &text)
    {
        (void)panel;
        (void)text;
    }
    // The ModemResponse caption (not dispatched from here).
    virtual void setModemResponse(const QString &text) { (void)text; }
    // Modemdata(3): the owner of the Modem row as the window shows it.
    virtual QString modemOwnerShown() const { return {}; }
    // Reloads the main window's recordsets and the modem display.
    virtual void OpenMainRecordsets() {}
    virtual void ProcessNewUsers() {}
    virtual void setWaitCursor(bool on) { (void)on; }
    // A message box could not be shown headless; windows route it to the dialog service.
    virtual void beep() {}
};

} // namespace portiva
