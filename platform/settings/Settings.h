#pragma once

#include <QString>
#include <QVariant>
#include <memory>

class QSettings;

namespace portiva
{

// The per-user settings store: INI file, group "Settings", values kept as text. Key names are
// matched without regard to case, as the program spells them differently when reading and
// writing ("DBpath" / "DBPath"); a write replaces every case variant of the key.
class Settings
{
public:
    // The user's store (organisation and application "Portiva3"), or the file named by the
    // environment variable PORTIVA_SETTINGS_FILE, so end-to-end runs never touch the user's own.
    Settings();
    // An explicit INI file (tests, tools).
    explicit Settings(const QString &filePath);
    ~Settings();
    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    static constexpr const char *FileEnvironmentVariable = "PORTIVA_SETTINGS_FILE";

    bool contains(const QString &key) const;
    // Absent → the default given; present → converted by the runtime's rules, failing with
    // "Type mismatch" (13) or, for byteValue outside 0…255, "Overflow" (6).
    QString text(const QString &key, const QString &defaultValue = {}) const;
    double number(const QString &key, double defaultValue) const;
    quint8 byteValue(const QString &key, quint8 defaultValue) const;
    bool boolean(const QString &key, bool defaultValue) const;

    void setText(const QString &key, const QString &value);
    void setNumber(const QString &key, double value); // whole numbers without decimals
    void setBoolean(const QString &key, bool value);  // "True" / "False"
    void remove(const QString &key);

    void sync();
    QString fileName() const;

    // The program's defaults for its settings; an invalid QVariant for an unknown key.
    static QVariant defaultValue(const QString &key);

private:
    QString storedKey(const QString &key) const;

    std::unique_ptr<QSettings> m_store;
};

// Defaults of the settings the program keeps (window geometry in twips).
namespace SettingDefaults
{
constexpr int MainLeft = 1000;
constexpr int MainTop = 1000;
constexpr int MainWidth = 6500;
constexpr int MainHeight = 6500;
constexpr const char *KeySelect = "1";
constexpr int LastComPort = 0;
constexpr bool SMSREPORT = false;
constexpr const char *CountryCode = "47";
constexpr const char *LogoCountryCode = "0";
constexpr const char *HostName = "127.0.0.1";
constexpr const char *Port = "23";
constexpr const char *DBpath = "Brimo02.mdb";
} // namespace SettingDefaults

// Window geometry and grid widths are stored in twips, 1440 to the logical inch.
int twipsToPixels(int twips, qreal dpi);
int pixelsToTwips(int pixels, qreal dpi);

} // namespace portiva
