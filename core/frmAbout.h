#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

namespace portiva
{

// The about window of the Help menu; created for each showing, exec()'d with the main window as
// parent and deleted by its caller afterwards.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    // Starts a program found on PATH; false when it could not be started.
    using Launcher = std::function<bool(const QString &program)>;

    explicit frmAbout(QWidget *parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();

    // The programs tried for "System Info", first found wins (the build's list by default).
    void setSysInfoPrograms(const QStringList &programs) { m_sysInfoPrograms = programs; }
    void setLauncher(Launcher launcher) { m_launcher = std::move(launcher); }

private:
    QStringList m_sysInfoPrograms;
    Launcher m_launcher;
};

} // namespace portiva
