#include "platform/db/FileKey.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <openssl/evp.h>

namespace portiva::dbdetail
{

namespace
{

// The cipher's own stretching of a password: PBKDF2 with SHA-1 over the file's salt. Should
// the library stretch otherwise, the key comes out wrong, the cipher refuses it and the open
// goes by the password as before.
constexpr int SaltBytes = 16;
constexpr int KeyBytes = 32;
constexpr int Iterations = 64000;

struct Keys {
    QMutex mutex;
    QHash<QByteArray, std::optional<QByteArray>> byFile; // nullopt: refused
};

Keys &keys()
{
    static Keys k;
    return k;
}

std::optional<QByteArray> saltOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray salt = file.read(SaltBytes);
    if (salt.size() != SaltBytes || salt.startsWith("SQLite format 3"))
        return std::nullopt;
    return salt;
}

// The salt and a digest of the password: the map never holds the password itself.
QByteArray entryName(const QByteArray &salt, const QString &password)
{
    return salt + QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Sha256);
}

} // namespace

std::optional<QByteArray> rawFileKey(const QString &path, const QString &password)
{
    const std::optional<QByteArray> salt = saltOf(path);
    if (!salt)
        return std::nullopt;
    const QByteArray name = entryName(*salt, password);
    Keys &k = keys();
    QMutexLocker lock(&k.mutex);
    const auto known = k.byFile.constFind(name);
    if (known != k.byFile.constEnd())
        return *known;
    const QByteArray secret = password.toUtf8();
    QByteArray key(KeyBytes, Qt::Uninitialized);
    if (PKCS5_PBKDF2_HMAC_SHA1(secret.constData(), int(secret.size()),
                               reinterpret_cast<const unsigned char *>(salt->constData()),
                               SaltBytes, Iterations, KeyBytes,
                               reinterpret_cast<unsigned char *>(key.data())) != 1)
        return std::nullopt;
    const QByteArray raw = "x'" + key.toHex() + '\'';
    k.byFile.insert(name, raw);
    return raw;
}

void rawFileKeyRefused(const QString &path, const QString &password)
{
    const std::optional<QByteArray> salt = saltOf(path);
    if (!salt)
        return;
    Keys &k = keys();
    QMutexLocker lock(&k.mutex);
    k.byFile.insert(entryName(*salt, password), std::nullopt);
}

} // namespace portiva::dbdetail
