#pragma once

#include <QString>

namespace portiva
{

// The Modem row names the workstation that holds the modem, but every program started on one
// computer under one name reads as that workstation. Among those programs this lock decides:
// one lock file per database in the computer's temporary folder, held with flock(2), which the
// system lifts when its holder ends, however it ends.
class ModemLock
{
public:
    ModemLock() = default;
    ~ModemLock();
    ModemLock(const ModemLock &) = delete;
    ModemLock &operator=(const ModemLock &) = delete;

    // True when this program holds the lock of that database now (it may have held it already).
    bool tryLock(const QString &databasePath);
    void unlock();
    // Whether another program of this computer holds the lock of that database.
    bool heldByAnother(const QString &databasePath) const;

private:
    static QString lockFileFor(const QString &databasePath);

    int m_fd = -1;
    QString m_file;
};

} // namespace portiva
