#pragma once

#include <QString>
#include <memory>

namespace portiva
{

class Connection;

// The program-wide variables, one object owned by main() and handed to every window.
// Members keep the names the rest of the program knows them by. Subsystems append
// their own members below their heading; nothing else is program-wide.
struct AppState {
    // Application core
    QString CountryCode = QStringLiteral("47");
    QString LogoCountryCode = QStringLiteral("0");
    QString DBPath = QStringLiteral("Brimo02.mdb");
    // Set while DBPath is the command line's --database file, which is for one run: the unload
    // then leaves the stored DBPath as it was. A database chosen from the File menu clears it.
    bool DBPathForThisRun = false;
    QString TempDatabasePath;
    QString BackupDatabasePath;
    QString ConnectionString;
    std::shared_ptr<Connection> SharedConnection;
    QString CurrentUserName;
    QString CurrentComputerName;
    QString CurrentSecurityLevel;
    QString SelectedUserTab; // caption of the selected user tab
    QString SelectedKeyNummer;
    QString SelectedKeyName;
    bool ShowSentSMS = false;
    bool ReloadRequested = false;

    // Modem communication
    int LastComPort = 0; // 0 none, 1-254 serial, 255 network
    int OtherComPort = 5;
    bool ModemReady = false;
    bool SMSREPORT = false;
    QString CmgsResult;
    int CurrentSMSIndex = -1;
    QString CurrentModemManufacturer;
    QString CurrentModemName;
    QString CurrentModemIMEI;
    QString HostName = QStringLiteral("127.0.0.1");
    QString Port = QStringLiteral("23");

    // Received SMS
    QString CurrentSMSSender; // the sender of the entry being handled, as the modem wrote it
};

} // namespace portiva
