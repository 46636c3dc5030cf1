#pragma once

// The class-id registry (which library serves which class), self-registration of a server
// library, and creation of an instance by class id.

#include "platform/com/com.h"

#include <QString>
#include <QStringList>

namespace portiva::com
{

// The per-user registry file, or $PORTIVA_COM_REGISTRY when that is set.
QString userRegistryFile();
// The registry of the installation this program belongs to, beside the installed component:
// written when the program is installed, read by every user's program after their own file.
QString installationRegistryFile();
// The system-wide registry files of the desktop's configuration folders, read last.
QStringList systemRegistryFiles();

// The library registered for a class: the per-user file first, then the installation's, then
// the system-wide ones; empty when none names it.
QString inprocServerFor(const Guid &clsid);

// What a server library records about itself when it registers.
struct ServerRegistration {
    Guid clsid;
    Guid iid;
    Guid libid;
    QString className;
    QString interfaceName;
    int numMethods = 0;
    QString typeLibName;
    QString typeLibVersion;
    QString libraryPath; // absolute
};

// Writes the class, interface and type library into the per-user file (or the file that
// $PORTIVA_COM_REGISTRY names).
HResult registerServer(const ServerRegistration &reg);
// Removes them again, but only when the class is registered to this same library.
HResult unregisterServer(const ServerRegistration &reg);

// The absolute, resolved path of the shared object that holds the given address.
QString modulePathOf(const void *address);

// Loads the registered library (once per path, never unloaded), asks it for its class factory
// and creates one instance with the given interface.
HResult createInstance(const Guid &clsid, const Guid &iid, void **out);
// The loader's message for the last library that could not be loaded.
QString lastErrorText();

// A description for an operator message box.
QString describe(HResult hr);

} // namespace portiva::com
