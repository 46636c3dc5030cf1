#include "platform/settings/Settings.h"

#include "platform/vb/Vb.h"

#include <QSettings>
#include <QStringList>
#include <cmath>

namespace portiva
{

namespace
{

const QString Group = QStringLiteral("Settings");

std::unique_ptr<QSettings> openDefaultStore()
{
    const QString redirected = qEnvironmentVariable(Settings::FileEnvironmentVariable);
    if (!redirected.isEmpty())
        return std::make_unique<QSettings>(redirected, QSettings::IniFormat);
    auto store =
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                    QStringLiteral("Portiva3"), QStringLiteral("Portiva3"));
    // The settings are the operator's own: a system-wide or organisation-wide file must neither
    // be read in their place nor keep a key alive that a write has just replaced.
    store->setFallbacksEnabled(false);
    return store;
}

} // namespace

Settings::Settings() : m_store(openDefaultStore())
{
    m_store->beginGroup(Group);
}

Settings::Settings(const QString &filePath)
    : m_store(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    m_store->beginGroup(Group);
}

Settings::~Settings() = default;

QString Settings::storedKey(const QString &key) const
{
    const QStringList keys = m_store->childKeys();
    for (const QString &k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    }
    return {};
}

bool Settings::contains(const QString &key) const
{
    return !storedKey(key).isEmpty();
}

QString Settings::text(const QString &key, const QString &defaultValue) const
{
    const QString k = storedKey(key);
    if (k.isEmpty())
        return defaultValue;
    const QVariant v = m_store->value(k);
    // An unquoted comma in a hand-edited file makes the INI reader split the value.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

double Settings::number(const QString &key, double defaultValue) const
{
    return contains(key) ? vb::CDbl(text(key)) : defaultValue;
}

quint8 Settings::byteValue(const QString &key, quint8 defaultValue) const
{
    return contains(key) ? vb::CByte(text(key)) : defaultValue;
}

bool Settings::boolean(const QString &key, bool defaultValue) const
{
    return contains(key) ? vb::CBool(text(key)) : defaultValue;
}

void Settings::remove(const QString &key)
{
    const QStringList keys = m_store->childKeys();
    for (const QString &k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            m_store->remove(k);
    }
}

void Settings::setText(const QString &key, const QString &value)
{
    remove(key);
    m_store->setValue(key, value);
}

void Settings::setNumber(const QString &key, double value)
{
    setText(key, vb::numberText(value));
}

void Settings::setBoolean(const QString &key, bool value)
{
    setText(key, vb::boolText(value));
}

void Settings::sync()
{
    m_store->sync();
}

QString Settings::fileName() const
{
    return m_store->fileName();
}

QVariant Settings::defaultValue(const QString &key)
{
    using namespace SettingDefaults;
    static const QList<std::pair<QString, QVariant>> table = {
        {QStringLiteral("MainLeft"), MainLeft},
        {QStringLiteral("MainTop"), MainTop},
        {QStringLiteral("MainWidth"), MainWidth},
        {QStringLiteral("MainHeight"), MainHeight},
        {QStringLiteral("KeySelect"), QString::fromLatin1(KeySelect)},
        {QStringLiteral("LastComPort"), LastComPort},
        {QStringLiteral("SMSREPORT"), SMSREPORT},
        {QStringLiteral("CountryCode"), QString::fromLatin1(CountryCode)},
        {QStringLiteral("LogoCountryCode"), QString::fromLatin1(LogoCountryCode)},
        {QStringLiteral("HostName"), QString::fromLatin1(HostName)},
        {QStringLiteral("Port"), QString::fromLatin1(Port)},
        {QStringLiteral("DBpath"), QString::fromLatin1(DBpath)},
    };
    for (const auto &[name, value] : table) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

int twipsToPixels(int twips, qreal dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int pixelsToTwips(int pixels, qreal dpi)
{
    return dpi > 0 ? static_cast<int>(std::lround(pixels * 1440.0 / dpi)) : 0;
}

} // namespace portiva
