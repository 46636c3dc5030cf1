#include "platform/com/ComRegistry.h"

#include "portiva/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace portiva::com
{

namespace
{

const QString kFileName = QStringLiteral("/portiva/com-registry.ini");

QString s_lastError;

QString classKey(const Guid &clsid, const QString &leaf)
{
    return QStringLiteral("CLSID/") + clsid.toKey() + u'/' + leaf;
}

using GetClassObjectFn = HResult (*)(const Guid &, const Guid &, void **);

} // namespace

QString userRegistryFile()
{
    const QByteArray env = qgetenv("PORTIVA_COM_REGISTRY");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kFileName;
}

QString installationRegistryFile()
{
    if (!QCoreApplication::instance())
        return {}; // the program's folder is not known yet
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' +
                           QLatin1String(layout::ComponentDirFromProgram) + u'/' +
                           QLatin1String(layout::RegistryFileName));
}

QStringList systemRegistryFiles()
{
    QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    if (!dirs.isEmpty())
        dirs.removeFirst(); // the per-user location
    QStringList files;
    for (const QString &d : dirs)
        files << d + kFileName;
    return files;
}

QString inprocServerFor(const Guid &clsid)
{
    const QStringList files =
        QStringList{userRegistryFile(), installationRegistryFile()} + systemRegistryFiles();
    const QString key = classKey(clsid, QStringLiteral("InprocServer"));
    for (const QString &f : files) {
        if (f.isEmpty() || !QFileInfo::exists(f))
            continue;
        QSettings ini(f, QSettings::IniFormat);
        const QString v = ini.value(key).toString();
        if (!v.isEmpty())
            return v;
    }
    return {};
}

HResult registerServer(const ServerRegistration &reg)
{
    const QString file = userRegistryFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings ini(file, QSettings::IniFormat);
    const QString libid = reg.libid.toString();
    ini.setValue(classKey(reg.clsid, QStringLiteral("InprocServer")), reg.libraryPath);
    ini.setValue(classKey(reg.clsid, QStringLiteral("ThreadingModel")),
                 QStringLiteral("Apartment"));
    ini.setValue(classKey(reg.clsid, QStringLiteral("Name")), reg.className);
    ini.setValue(classKey(reg.clsid, QStringLiteral("TypeLib")), libid);
    const QString itf = QStringLiteral("Interface/") + reg.iid.toKey() + u'/';
    ini.setValue(itf + QStringLiteral("Name"), reg.interfaceName);
    ini.setValue(itf + QStringLiteral("NumMethods"), reg.numMethods);
    ini.setValue(itf + QStringLiteral("TypeLib"), libid);
    const QString lib = QStringLiteral("TypeLib/") + reg.libid.toKey() + u'/';
    ini.setValue(lib + QStringLiteral("Name"), reg.typeLibName);
    ini.setValue(lib + QStringLiteral("Version"), reg.typeLibVersion);
    ini.setValue(lib + QStringLiteral("Path"), reg.libraryPath);
    ini.sync();
    return ini.status() == QSettings::NoError ? S_OK_ : SELFREG_E_CLASS_;
}

HResult unregisterServer(const ServerRegistration &reg)
{
    const QString file = userRegistryFile();
    if (!QFileInfo::exists(file))
        return S_OK_;
    QSettings ini(file, QSettings::IniFormat);
    const QString current =
        ini.value(classKey(reg.clsid, QStringLiteral("InprocServer"))).toString();
    // Another install's registration is never removed by this one.
    if (current.isEmpty() || current != reg.libraryPath)
        return S_OK_;
    ini.remove(QStringLiteral("CLSID/") + reg.clsid.toKey());
    ini.remove(QStringLiteral("Interface/") + reg.iid.toKey());
    ini.remove(QStringLiteral("TypeLib/") + reg.libid.toKey());
    ini.sync();
    return ini.status() == QSettings::NoError ? S_OK_ : SELFREG_E_CLASS_;
}

QString modulePathOf(const void *address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname)
        return {};
    // dladdr gives back whatever text dlopen was called with, relative paths included.
    char resolved[PATH_MAX];
    if (!realpath(info.dli_fname, resolved))
        return QString::fromLocal8Bit(info.dli_fname);
    return QString::fromLocal8Bit(resolved);
}

HResult createInstance(const Guid &clsid, const Guid &iid, void **out)
{
    if (!out)
        return E_POINTER_;
    *out = nullptr;
    const QString path = inprocServerFor(clsid);
    if (path.isEmpty())
        return REGDB_E_CLASSNOTREG_;

    static QHash<QString, void *> loaded;
    void *handle = loaded.value(path);
    if (!handle) {
        handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char *why = dlerror();
            s_lastError = why ? QString::fromLocal8Bit(why) : path;
            return E_MODULE_NOT_FOUND_;
        }
        loaded.insert(path, handle); // never closed: the library owns widgets and static state
    }
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    if (!getClassObject) {
        s_lastError = path + QStringLiteral(": DllGetClassObject is missing");
        return CO_E_ERRORINDLL_;
    }
    IClassFactoryLike *factory = nullptr;
    HResult hr = getClassObject(clsid, IID_IClassFactoryLike, reinterpret_cast<void **>(&factory));
    if (failed(hr) || !factory)
        return failed(hr) ? hr : E_FAIL_;
    hr = factory->createInstance(nullptr, iid, out);
    factory->release();
    return hr;
}

QString lastErrorText()
{
    return s_lastError;
}

QString describe(HResult hr)
{
    const QString code = QStringLiteral("0x") +
                         QStringLiteral("%1").arg(uint32_t(hr), 8, 16, QLatin1Char('0')).toUpper();
    switch (hr) {
    case REGDB_E_CLASSNOTREG_:
        return QStringLiteral("Class not registered (") + code + u')';
    case E_MODULE_NOT_FOUND_:
        return QStringLiteral("The component's library could not be loaded: ") + s_lastError;
    case CO_E_ERRORINDLL_:
        return QStringLiteral("Error in the component's library: ") + s_lastError;
    case E_NOINTERFACE_:
        return QStringLiteral("No such interface supported (") + code + u')';
    default:
        return QStringLiteral("Component error ") + code;
    }
}

} // namespace portiva::com
