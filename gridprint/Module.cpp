#include "gridprint/Module.h"

#include "gridprint/VeskDGPrinterL.h"
#include "gridprint/engine/frmPREVIEW.h"
#include "platform/com/ComRegistry.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPrinter>
#include <QThread>

#define TABULON_EXPORT extern "C" __attribute__((visibility("default")))

namespace portiva::gridprint
{

std::atomic<int> g_objects{0};
std::atomic<int> g_locks{0};

bool ScriptedPrintDialog::exec(QPrinter &, QWidget *, int, int, PrintChoice &choice)
{
    if (!accept)
        return false;
    if (from == 0) {
        choice.range = PrintChoice::All;
    } else {
        choice.range = PrintChoice::FromTo;
        choice.from = from;
        choice.to = to;
    }
    return true;
}

double PrinterMeasurer::widthInches(const QString &text, const QFont &font)
{
    QPrinter &printer = moduleState().printer();
    return QFontMetricsF(font, &printer).horizontalAdvance(text) / printer.resolution();
}

ModuleState &moduleState()
{
    // Never destroyed: a printer or window torn down after QApplication is gone would crash,
    // so they are dropped when the application quits and the rest simply stays.
    static ModuleState *state = [] {
        auto *s = new ModuleState;
        if (auto *app = QCoreApplication::instance()) {
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [s] {
                delete s->preview.data();
                s->printerObject.reset();
            });
        }
        return s;
    }();
    return *state;
}

QPrinter &ModuleState::printer()
{
    if (!printerObject)
        printerObject = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printerObject;
}

PrintDialogProvider &ModuleState::dialog()
{
    if (scriptedDialog)
        return scripted;
    return realDialog;
}

void ModuleState::showMessage(const QString &text)
{
    if (captureMessages) {
        capturedMessages << text;
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tabulon"), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

PrintEngine ModuleState::engine()
{
    return PrintEngine(
        settings, layout, [this](const QString &t) { showMessage(t); }, measurer);
}

namespace
{

// The one class object; its counts never delete it.
class ClassFactory final : public com::IClassFactoryLike
{
public:
    HResult queryInterface(const com::Guid &iid, void **out) override
    {
        if (!out)
            return com::E_POINTER_;
        if (iid == com::IID_IUnknownLike || iid == com::IID_IClassFactoryLike) {
            *out = static_cast<com::IClassFactoryLike *>(this);
            return com::S_OK_;
        }
        *out = nullptr;
        return com::E_NOINTERFACE_;
    }
    uint32_t addRef() override { return 2; }
    uint32_t release() override { return 1; }

    HResult createInstance(com::IUnknownLike *outer, const com::Guid &iid, void **out) override
    {
        if (outer)
            return com::CLASS_E_NOAGGREGATION_;
        if (!out)
            return com::E_POINTER_;
        *out = nullptr;
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return com::CO_E_NOTINITIALIZED_;
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            return com::RPC_E_WRONG_THREAD_;
        auto *object = new VeskDGPrinterL;
        HResult hr = object->initialize();
        if (com::succeeded(hr))
            hr = object->queryInterface(iid, out);
        object->release();
        return hr;
    }
    HResult lockServer(VBool lock) override
    {
        if (lock)
            ++g_locks;
        else if (g_locks > 0)
            --g_locks;
        return com::S_OK_;
    }
};

ClassFactory s_factory;

} // namespace

} // namespace portiva::gridprint

using namespace portiva;
using namespace portiva::gridprint;

TABULON_EXPORT HResult DllGetClassObject(const com::Guid &clsid, const com::Guid &iid, void **out);
TABULON_EXPORT HResult DllCanUnloadNow();
TABULON_EXPORT HResult DllRegisterServer();
TABULON_EXPORT HResult DllUnregisterServer();

static com::ServerRegistration registration()
{
    com::ServerRegistration r;
    r.clsid = CLSID_VeskDGPrinterL;
    r.iid = IID__VeskDGPrinterL;
    r.libid = LIBID_Tabulon;
    r.className = QStringLiteral("VeskDGPrinterL");
    r.interfaceName = QStringLiteral("_VeskDGPrinterL");
    r.numMethods = kVeskDGPrinterLSlots;
    r.typeLibName = QStringLiteral("Tabulon");
    r.typeLibVersion = QStringLiteral("1.0");
    r.libraryPath = com::modulePathOf(reinterpret_cast<const void *>(&DllRegisterServer));
    return r;
}

HResult DllGetClassObject(const com::Guid &clsid, const com::Guid &iid, void **out)
{
    if (!out)
        return com::E_POINTER_;
    *out = nullptr;
    if (!(clsid == CLSID_VeskDGPrinterL))
        return com::CLASS_E_CLASSNOTAVAILABLE_;
    return s_factory.queryInterface(iid, out);
}

HResult DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? com::S_OK_ : com::S_FALSE_;
}

HResult DllRegisterServer()
{
    const com::ServerRegistration r = registration();
    if (r.libraryPath.isEmpty())
        return com::SELFREG_E_CLASS_;
    return com::registerServer(r);
}

HResult DllUnregisterServer()
{
    return com::unregisterServer(registration());
}
