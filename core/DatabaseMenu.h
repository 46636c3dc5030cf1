#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QWidget;

namespace portiva
{

struct AppState;

// The main window's message texts these handlers show (its language table may replace them).
struct DatabaseMenuTexts {
    QString WaitForSendingText;
    QString CompactWarningText;
    QString CompactDoneText;
    QString CompactFailedText;
};

// What the handlers need of the main window; it fills these when it builds its menus.
struct DatabaseMenuHooks {
    // True while the send worker, the message reader or a modem exchange is running: the
    // handlers are refused then.
    std::function<bool()> busy;
    // The timers held still while a handler runs (TimerCom, TimerSEND_SMS).
    std::function<QList<QTimer *>()> timers;
    std::function<DatabaseMenuTexts()> texts;
    std::function<void()> OpenMainRecordsets;
    std::function<void()> ShowKeyUsers;
    // With ModemReady: gives back this workstation's Modem row through the recordsets still
    // open on the old database (as the unload does).
    std::function<void()> releaseModemRow;
    // With ModemReady before the change: the load's ownership test on the new database's row
    // (free: initialise the modem; taken: close the link).
    std::function<void()> claimModemAfterChange;
};

// OpenDatabase and the File menu's "&Database" and "&Compact Database" handlers. The main
// window owns one, forwards its OpenDatabase to it and wires the two menu actions to it.
class DatabaseMenu
{
public:
    // Asks for a database file; an empty result means the operator cancelled.
    using FileChooser = std::function<QString(QWidget *parent, const QString &currentPath)>;

    DatabaseMenu(AppState &state, QWidget *parent, DatabaseMenuHooks hooks);

    bool CompactRequested = false;
    bool CompactFailed = false;

    // Compacts first when CompactRequested, then opens DBPath as the new SharedConnection. A
    // failure is shown (description alone) and sets CompactFailed; SharedConnection is then
    // still the previous, open connection.
    void OpenDatabase();
    void mnuFileCompactDatabase_Click();
    void mnuFileDatabase_Click();

    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // The production chooser: an Open dialog on currentPath with the Access filter selected.
    static QString chooseDatabaseFile(QWidget *parent, const QString &currentPath);

private:
    bool refusedWhileBusy();
    // Refused while busy; otherwise runs work under the step word with the timers held still.
    void runWithTimersPaused(const QString &stepWord, void (DatabaseMenu::*work)());
    void compactDatabase();
    void changeDatabase();

    AppState &m_state;
    QPointer<QWidget> m_parent;
    DatabaseMenuHooks m_hooks;
    FileChooser m_fileChooser;
};

} // namespace portiva
