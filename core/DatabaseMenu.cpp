#include "core/DatabaseMenu.h"

#include "core/DatabasePaths.h"
#include "core/DbMaintenance.h"
#include "database/CreateDatabase.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "programstate/AppState.h"
#include "programstate/Phrase.h"

#include <QFileDialog>
#include <exception>
#include <memory>
#include <vector>

namespace portiva
{

namespace
{

// Holds the given timers still and gives each back its interval and running state, however
// the handler ends.
class TimerPause
{
public:
    explicit TimerPause(const QList<QTimer *> &timers)
    {
        for (QTimer *timer : timers) {
            if (!timer)
                continue;
            m_saved.push_back({timer, timer->isActive(), timer->interval()});
            timer->stop();
        }
    }
    ~TimerPause()
    {
        for (const Saved &s : m_saved) {
            if (!s.timer)
                continue;
            s.timer->setInterval(s.interval);
            if (s.active)
                s.timer->start();
        }
    }
    TimerPause(const TimerPause &) = delete;
    TimerPause &operator=(const TimerPause &) = delete;

private:
    struct Saved {
        QPointer<QTimer> timer;
        bool active;
        int interval;
    };
    std::vector<Saved> m_saved;
};

template <class Fn> void callHook(const std::function<Fn> &hook)
{
    if (hook)
        hook();
}

} // namespace

DatabaseMenu::DatabaseMenu(AppState &state, QWidget *parent, DatabaseMenuHooks hooks)
    : m_state(state), m_parent(parent), m_hooks(std::move(hooks)),
      m_fileChooser(&DatabaseMenu::chooseDatabaseFile)
{
}

QString DatabaseMenu::chooseDatabaseFile(QWidget *parent, const QString &currentPath)
{
    QString selected = QStringLiteral("Access (*.mdb)");
    return QFileDialog::getOpenFileName(parent, QString(), currentPath,
                                        QStringLiteral("Access (*.mdb);;All (*.*)"), &selected);
}

void DatabaseMenu::OpenDatabase()
{
    CompactFailed = false;
    try {
        if (CompactRequested)
            DbMaintenance::compact(m_state.DBPath, m_state.BackupDatabasePath);
        m_state.ConnectionString = buildConnectionString(m_state.DBPath, databasePassword());
        // Replace the shared connection only once the new one is open; the old one is
        // released, not closed, so recordsets still on it stay valid until they go.
        std::shared_ptr<Connection> opened = Connection::open(m_state.ConnectionString);
        rebuildTextIndexes(opened);
        addIndexes(opened);
        opened->addChangeCounters();
        m_state.SharedConnection = std::move(opened);
    } catch (const std::exception &e) {
        dialogs().msgBox(errorDescription(e));
        CompactFailed = true;
    }
}

bool DatabaseMenu::refusedWhileBusy()
{
    if (!m_hooks.busy || !m_hooks.busy())
        return false;
    dialogs().msgBox(m_hooks.texts ? m_hooks.texts().WaitForSendingText : QString());
    return true;
}

void DatabaseMenu::runWithTimersPaused(const QString &stepWord, void (DatabaseMenu::*work)())
{
    if (refusedWhileBusy())
        return;
    TimerPause pause(m_hooks.timers ? m_hooks.timers() : QList<QTimer *>());
    guarded(stepWord, [this, work] { (this->*work)(); });
    // Never left set: the next plain open must not compact unasked.
    CompactRequested = false;
}

void DatabaseMenu::mnuFileCompactDatabase_Click()
{
    runWithTimersPaused(QStringLiteral("COMPACT DB"), &DatabaseMenu::compactDatabase);
}

void DatabaseMenu::compactDatabase()
{
    const DatabaseMenuTexts texts = m_hooks.texts ? m_hooks.texts() : DatabaseMenuTexts{};
    if (dialogs().msgBox(texts.CompactWarningText, Dialogs::Buttons::OkCancel) !=
        Dialogs::Answer::Ok)
        return;
    if (refusedWhileBusy())
        return;
    CompactRequested = true;
    OpenDatabase();
    if (CompactFailed) {
        dialogs().msgBox(texts.CompactFailedText);
        CompactRequested = false;
        OpenDatabase();
        callHook(m_hooks.OpenMainRecordsets);
        callHook(m_hooks.ShowKeyUsers);
        return;
    }
    callHook(m_hooks.OpenMainRecordsets);
    callHook(m_hooks.ShowKeyUsers);
    CompactRequested = false;
    dialogs().msgBox(texts.CompactDoneText);
}

void DatabaseMenu::mnuFileDatabase_Click()
{
    runWithTimersPaused(QStringLiteral("DB Find"), &DatabaseMenu::changeDatabase);
}

void DatabaseMenu::changeDatabase()
{
    const QString chosen = m_fileChooser ? m_fileChooser(m_parent, m_state.DBPath) : QString();
    if (chosen.isEmpty())
        throw Error(phrase(u"Ingen fil er valgt, så databasen er ikke byttet.",
                           u"Ingen fil er valgt, så databasen er ikke skiftet.",
                           u"Ingen fil valdes, så databasen har inte bytts."),
                    32755);

    struct Previous {
        QString DBPath, TempDatabasePath, BackupDatabasePath, ConnectionString;
        std::shared_ptr<Connection> SharedConnection;
    };
    const Previous previous{m_state.DBPath, m_state.TempDatabasePath, m_state.BackupDatabasePath,
                            m_state.ConnectionString, m_state.SharedConnection};

    setDatabasePath(m_state, chosen);
    OpenDatabase();
    if (CompactFailed) {
        // A file that cannot be opened must not become the database saved for the next start.
        m_state.DBPath = previous.DBPath;
        m_state.TempDatabasePath = previous.TempDatabasePath;
        m_state.BackupDatabasePath = previous.BackupDatabasePath;
        m_state.ConnectionString = previous.ConnectionString;
        m_state.SharedConnection = previous.SharedConnection;
        callHook(m_hooks.OpenMainRecordsets);
        callHook(m_hooks.ShowKeyUsers);
        return;
    }

    m_state.DBPathForThisRun = false; // the operator's own choice is kept for the next start
    const bool modemWasReady = m_state.ModemReady;
    if (modemWasReady && m_hooks.releaseModemRow)
        skipOnError([this] { m_hooks.releaseModemRow(); });
    callHook(m_hooks.OpenMainRecordsets);
    if (modemWasReady)
        callHook(m_hooks.claimModemAfterChange);
    callHook(m_hooks.ShowKeyUsers);
}

} // namespace portiva
