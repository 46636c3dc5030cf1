#pragma once

#include "modem/ModemHost.h"

namespace portiva
{

class frmMain;

// The main window as the modem dialogue sees it.
class ModemWindowHost : public ModemHost
{
public:
    explicit ModemWindowHost(frmMain &window) : m_window(window) {}
    void Write2StatusBox(const QString &MessageEntry) override;
    void setStatusPanel(int panel, const QString &text) override;
    void setModemResponse(const QString &text) override;
    QString modemOwnerShown() const override;
    void OpenMainRecordsets() override;
    void ProcessNewUsers() override;
    void setWaitCursor(bool on) override;

private:
    frmMain &m_window;
};

} // namespace portiva
