// Registers or unregisters an in-process component library by calling its own export.
//   portiva-comreg [-u] [--system] LIBRARY
// Without --system the registration is the current user's; with it, it goes into the registry
// of the installation this tool belongs to, which every user's program reads after their own.

#include "platform/com/ComRegistry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <dlfcn.h>

using portiva::com::HResult;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool unregister = false, system = false;
    QString library;
    const QStringList args = app.arguments().mid(1);
    static const char usage[] = "usage: portiva-comreg [-u] [--system] LIBRARY\n";
    for (const QString &a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::printf("%s"
                        "Registers (or with -u unregisters) the in-process component LIBRARY by "
                        "calling its own export.\n"
                        "  -u        unregister\n"
                        "  --system  in the installation's registry, which every user's program "
                        "reads after their own\n"
                        "  --version the version of this tool\n",
                        usage);
            return 0;
        }
        if (a == QLatin1String("--version")) {
            std::printf("portiva-comreg %s\n", PORTIVA_VERSION);
            return 0;
        }
        if (a == QLatin1String("-u"))
            unregister = true;
        else if (a == QLatin1String("--system"))
            system = true;
        else if (library.isEmpty() && !a.startsWith(u'-'))
            library = a;
        else {
            std::fprintf(stderr, "portiva-comreg: unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }
    if (library.isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (system) {
        // Only an installed copy has an installation beside it; a build tree has none.
        const QString file = portiva::com::installationRegistryFile();
        if (!QFileInfo(QFileInfo(file).absolutePath()).isDir()) {
            std::fprintf(stderr, "portiva-comreg: no installation beside this program (%s)\n",
                         qPrintable(QFileInfo(file).absolutePath()));
            return 1;
        }
        qputenv("PORTIVA_COM_REGISTRY", QFile::encodeName(file));
    }
    // A bare file name would make the loader search the system's library paths, and register
    // whatever it found there, instead of the file in the current directory.
    if (QFileInfo(library).isFile())
        library = QFileInfo(library).absoluteFilePath();
    void *handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "portiva-comreg: %s\n", dlerror());
        return 1;
    }
    const char *name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<HResult (*)()>(dlsym(handle, name));
    if (!fn) {
        std::fprintf(stderr, "portiva-comreg: %s has no %s\n", qPrintable(library), name);
        return 1;
    }
    const HResult hr = fn();
    std::printf("%s: 0x%08X\n", name, unsigned(hr));
    return hr < 0 ? 1 : 0;
}
