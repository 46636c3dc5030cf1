#include "gridprint/VeskDGPrinterL.h"

#include "gridprint/Module.h"
#include "gridprint/engine/frmPREVIEW.h"
#include "platform/com/ComRegistry.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"

#include <QApplication>
#include <QImageReader>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QThread>
#include <memory>

namespace portiva::gridprint
{

using com::E_POINTER_;
using com::S_OK_;

namespace
{

void store(int16_t &to, VBool v)
{
    to = v;
}
void store(int32_t &to, int32_t v)
{
    to = v;
}
void store(float &to, float v)
{
    to = v;
}
void store(QString &to, const char16_t *v)
{
    to = com::toQString(v);
}

void give(int16_t v, VBool *out)
{
    *out = v;
}
void give(int32_t v, int32_t *out)
{
    *out = v;
}
void give(float v, float *out)
{
    *out = v;
}
void give(const QString &v, BStr *out)
{
    *out = com::bstrFrom(v);
}

SharedPrintSettings &shared()
{
    return moduleState().settings;
}

} // namespace

VeskDGPrinterL::VeskDGPrinterL()
{
    ++g_objects;
}

VeskDGPrinterL::~VeskDGPrinterL()
{
    --g_objects;
}

HResult VeskDGPrinterL::initialize()
{
    int32_t value = 0;
    HResult hr = get_Orientation(&value);
    if (com::succeeded(hr) && value == 0)
        hr = put_Orientation(Portrait);
    if (com::failed(hr))
        return hr;
    value = 0;
    if (com::succeeded(get_PaperSize(&value)) && value == 0)
        put_PaperSize(Letter); // a refusing printer says so; creation goes on
    SharedPrintSettings &s = shared();
    s.Headers = com::VTrue;
    s.Grid = c_ALL;
    s.PaperSize = Letter;
    moduleState().layout.layoutHeld = false;
    moduleState().layout.drawTarget = 1;
    return S_OK_;
}

template <class F> HResult VeskDGPrinterL::entry(F &&body)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return com::CO_E_NOTINITIALIZED_;
    if (QThread::currentThread() != app->thread())
        return com::RPC_E_WRONG_THREAD_;
    m_lastHr = 0;
    m_lastText.clear();
    HResult hr = S_OK_;
    try {
        hr = body();
        if (com::failed(hr))
            m_lastText = com::describe(hr);
    } catch (const Error &e) {
        hr = e.number() ? com::runtimeError(e.number()) : com::E_FAIL_;
        m_lastText = e.description();
    } catch (const std::exception &e) {
        hr = com::E_FAIL_;
        m_lastText = QString::fromLocal8Bit(e.what());
    }
    if (com::failed(hr))
        m_lastHr = hr;
    return hr;
}

template <class T, class Out>
HResult VeskDGPrinterL::getEntry(T PropertyValues::*member, Out out, bool copy)
{
    return entry([&] {
        if (!out)
            return E_POINTER_;
        give(m_values.*member, out);
        // Reading makes this instance's value the active one.
        if (copy)
            static_cast<PropertyValues &>(shared()).*member = m_values.*member;
        return S_OK_;
    });
}

template <class T, class In> HResult VeskDGPrinterL::putEntry(T PropertyValues::*member, In value)
{
    return entry([&] {
        store(m_values.*member, value);
        store(static_cast<PropertyValues &>(shared()).*member, value);
        return S_OK_;
    });
}

template <class T, class Out>
HResult VeskDGPrinterL::getShared(T SharedPrintSettings::*member, Out out)
{
    return entry([&] {
        if (!out)
            return E_POINTER_;
        give(shared().*member, out);
        return S_OK_;
    });
}

template <class T, class In>
HResult VeskDGPrinterL::putShared(T SharedPrintSettings::*member, In value)
{
    return entry([&] {
        store(shared().*member, value);
        return S_OK_;
    });
}

#define TABULON_GET_Plain(N, K)                                                                    \
    HResult VeskDGPrinterL::get_##N(K::Out out)                                                    \
    {                                                                                              \
        return getEntry(&PropertyValues::N, out, true);                                            \
    }
#define TABULON_GET_NoCopy(N, K)                                                                   \
    HResult VeskDGPrinterL::get_##N(K::Out out)                                                    \
    {                                                                                              \
        return getEntry(&PropertyValues::N, out, false);                                           \
    }
#define TABULON_GET_Custom(N, K) TABULON_GET_Plain(N, K)
#define TABULON_PUT_Plain(N, K)                                                                    \
    HResult VeskDGPrinterL::put_##N(K::In value)                                                   \
    {                                                                                              \
        return putEntry(&PropertyValues::N, value);                                                \
    }
#define TABULON_PUT_NoCopy(N, K) TABULON_PUT_Plain(N, K)
#define TABULON_PUT_Custom(N, K)
#define TABULON_PROP(N, K, F) TABULON_GET_##F(N, K) TABULON_PUT_##F(N, K)
#define TABULON_PROP_SHARED(N, K)                                                                  \
    HResult VeskDGPrinterL::get_##N(K::Out out)                                                    \
    {                                                                                              \
        return getShared(&SharedPrintSettings::N, out);                                            \
    }                                                                                              \
    HResult VeskDGPrinterL::put_##N(K::In value)                                                   \
    {                                                                                              \
        return putShared(&SharedPrintSettings::N, value);                                          \
    }
#define TABULON_GET(N, K, F) TABULON_GET_##F(N, K)
#define TABULON_PUT(N, K, F) TABULON_PUT_##F(N, K)
#define TABULON_METHOD(N, P)
#include "gridprint/entries.def"
#undef TABULON_GET_Plain
#undef TABULON_GET_NoCopy
#undef TABULON_GET_Custom
#undef TABULON_PUT_Plain
#undef TABULON_PUT_NoCopy
#undef TABULON_PUT_Custom
#undef TABULON_PROP
#undef TABULON_PROP_SHARED
#undef TABULON_GET
#undef TABULON_PUT
#undef TABULON_METHOD

HResult VeskDGPrinterL::put_objectLeft(float value)
{
    VBool centred = com::VFalse;
    const HResult hr = get_centerObjectHorizontal(&centred);
    if (com::failed(hr))
        return hr;
    if (centred)
        return S_OK_; // a centred table places itself
    return putEntry(&PropertyValues::objectLeft, value);
}

HResult VeskDGPrinterL::put_Orientation(int32_t value)
{
    return entry([&] {
        m_values.Orientation = value;
        shared().Orientation = value;
        applyOrientation(moduleState().printer(), value);
        return S_OK_;
    });
}

HResult VeskDGPrinterL::put_PaperSize(int32_t value)
{
    return entry([&] {
        m_values.PaperSize = value;
        shared().PaperSize = value;
        ModuleState &state = moduleState();
        QPrinter &printer = state.printer();
        const QPageSize::PageSizeId id = QPageSize::id(int(value));
        bool refused = id == QPageSize::Custom || state.simulatePaperRefusal;
        if (!refused && !printer.printerName().isEmpty()) {
            const QList<QPageSize> sizes = QPrinterInfo(printer).supportedPageSizes();
            bool found = sizes.isEmpty();
            for (const QPageSize &size : sizes)
                found = found || size.id() == id;
            refused = !found;
        }
        if (!refused)
            refused = !printer.setPageSize(QPageSize(id));
        if (refused)
            state.showMessage(QStringLiteral("The selected printer - ") + printer.printerName() +
                              QStringLiteral(" - does not support paper size - ") +
                              QString::number(value) + QStringLiteral(" - "));
        return S_OK_;
    });
}

HResult VeskDGPrinterL::putref_DataGridRecordset(com::IUnknownLike *rs)
{
    return entry([&] {
        if (!rs)
            return E_POINTER_;
        HResult hr = S_OK_;
        com::ComPtr<IRecordsetLike> source =
            com::queryAs<IRecordsetLike>(rs, IID_IRecordsetLike, &hr);
        if (!source)
            return com::failed(hr) ? hr : com::E_NOINTERFACE_;
        com::ComPtr<IRecordsetLike> clone;
        hr = source->clone(clone.put());
        if (com::failed(hr) || !clone)
            return com::failed(hr) ? hr : com::E_FAIL_;
        int32_t rows = 0, fields = 0;
        clone->recordCount(&rows);
        clone->fieldCount(&fields);
        SharedPrintSettings &s = shared();
        s.recordset = std::move(clone); // the previous clone goes with this
        s.rowCount = rows;
        s.fieldCount = fields;
        return S_OK_;
    });
}

HResult VeskDGPrinterL::changeColumnWidths(int16_t *index, float *ColumnSize)
{
    return entry([&] {
        if (!index || !ColumnSize)
            return E_POINTER_;
        if (*index < 1)
            vb::raise(vb::SubscriptOutOfRange);
        std::vector<float> &list = shared().columnWidthList;
        list.resize(size_t(*index), 0.f);
        list[size_t(*index - 1)] = *ColumnSize;
        return S_OK_;
    });
}

HResult VeskDGPrinterL::printDBGRID(com::IUnknownLike **DBGRID)
{
    // The preview runs a nested event loop; a release made inside it must not end the object
    // while this call still runs.
    addRef();
    const HResult hr = entry([&] {
        if (!DBGRID)
            return E_POINTER_;
        return runPrint(*DBGRID);
    });
    release();
    return hr;
}

HResult VeskDGPrinterL::runPrint(com::IUnknownLike *grid)
{
    ModuleState &state = moduleState();
    SharedPrintSettings &s = state.settings;
    PageLayout &L = state.layout;
    QPrinter &printer = state.printer();
    PrintEngine engine = state.engine();
    if (L.layoutHeld)
        return S_OK_; // a preview of this thread is open and holds its layout
    applyOrientation(printer, s.Orientation);
    engine.measurePrinter(printer);
    if (!engine.BuildGridPages(grid))
        return S_OK_;
    // Whatever ends the run, the next print must not find the layout held.
    const std::unique_ptr<PageLayout, void (*)(PageLayout *)> release(
        &L, [](PageLayout *l) { l->layoutHeld = false; });

    VBool preview = com::VFalse;
    get_ShowPreview(&preview);
    if (preview) {
        int32_t orientation = 0;
        get_Orientation(&orientation);
        if (!s.PreviewICONpath.isEmpty() && !QImageReader(s.PreviewICONpath).canRead())
            vb::raise(vb::InvalidPicture);
        frmPREVIEW::Services services{engine,
                                      s,
                                      L,
                                      printer,
                                      state.dialog(),
                                      [&state](const QString &t) { state.showMessage(t); }};
        auto *window = new frmPREVIEW(services);
        state.preview = window;
        window->setWindowTitle(s.PreviewCaption);
        window->exec();
        delete window;
        return S_OK_;
    }
    QList<int> pages;
    L.pageFrom = 1;
    L.pageTo = L.pages;
    L.copies = 1;
    if (s.ShowPrinterDialog) {
        int copies = 1;
        VeskprintDLG dialog(state.dialog());
        if (!dialog.retShowPrinterVals(printer, QApplication::activeWindow(), 1, L.pages, pages,
                                       copies))
            return S_OK_;
    } else {
        for (int p = 1; p <= L.pages; ++p)
            pages << p;
    }
    engine.PrintPages(printer, pages);
    return S_OK_;
}

HResult VeskDGPrinterL::queryInterface(const com::Guid &iid, void **out)
{
    if (!out)
        return E_POINTER_;
    if (iid == com::IID_IUnknownLike || iid == com::IID_IDispatchLike || iid == IID__VeskDGPrinterL)
        *out = static_cast<I_VeskDGPrinterL *>(this);
    else if (iid == IID_IErrorInfoLike)
        *out = static_cast<IErrorInfoLike *>(this);
    else if (iid == IID_ITabulonTestHooks)
        *out = static_cast<ITabulonTestHooks *>(this);
    else {
        *out = nullptr;
        return com::E_NOINTERFACE_;
    }
    addRef();
    return S_OK_;
}

uint32_t VeskDGPrinterL::addRef()
{
    return ++m_refs;
}

uint32_t VeskDGPrinterL::release()
{
    const uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HResult VeskDGPrinterL::getTypeInfoCount(uint32_t *count)
{
    if (!count)
        return E_POINTER_;
    *count = 0;
    return S_OK_;
}

HResult VeskDGPrinterL::getTypeInfo(uint32_t, uint32_t, void **)
{
    return com::E_NOTIMPL_;
}

HResult VeskDGPrinterL::getIDsOfNames(const com::Guid &, char16_t **, uint32_t, uint32_t, int32_t *)
{
    return com::E_NOTIMPL_;
}

HResult VeskDGPrinterL::invoke(int32_t, const com::Guid &, uint32_t, uint16_t, void *,
                               com::VariantLike *, void *, uint32_t *)
{
    return com::E_NOTIMPL_;
}

HResult VeskDGPrinterL::getLastError(int32_t *number, BStr *description)
{
    if (!number || !description)
        return E_POINTER_;
    *number = m_lastHr;
    *description = com::bstrFrom(m_lastText);
    return S_OK_;
}

HResult VeskDGPrinterL::usePdfOutput(const char16_t *path, int32_t dpi, float marginsPt)
{
    return entry([&] {
        QPrinter &p = moduleState().printer();
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(com::toQString(path));
        if (dpi > 0)
            p.setResolution(dpi);
        if (marginsPt >= 0)
            p.setPageMargins(QMarginsF(marginsPt, marginsPt, marginsPt, marginsPt),
                             QPageLayout::Point);
        return S_OK_;
    });
}

HResult VeskDGPrinterL::answerPrintDialog(VBool accept, int32_t from, int32_t to)
{
    ModuleState &state = moduleState();
    state.scriptedDialog = true;
    state.scripted.accept = accept != 0;
    state.scripted.from = from;
    state.scripted.to = to;
    return S_OK_;
}

HResult VeskDGPrinterL::captureMessages(VBool on)
{
    moduleState().captureMessages = on != 0;
    return S_OK_;
}

HResult VeskDGPrinterL::takeMessages(BStr *joined)
{
    if (!joined)
        return E_POINTER_;
    QStringList &messages = moduleState().capturedMessages;
    *joined = com::bstrFrom(messages.join(u'\n'));
    messages.clear();
    return S_OK_;
}

HResult VeskDGPrinterL::simulatePaperRefusal(VBool on)
{
    moduleState().simulatePaperRefusal = on != 0;
    return S_OK_;
}

HResult VeskDGPrinterL::printableArea(float *left, float *top, float *width, float *height)
{
    if (!left || !top || !width || !height)
        return E_POINTER_;
    const PageLayout &L = moduleState().layout;
    *left = L.printableLeft;
    *top = L.printableTop;
    *width = L.printableWidth;
    *height = L.printableHeight;
    return S_OK_;
}

HResult VeskDGPrinterL::printerPage(int32_t *orientation, int32_t *pageSizeId)
{
    if (!orientation || !pageSizeId)
        return E_POINTER_;
    const QPageLayout layout = moduleState().printer().pageLayout();
    *orientation = layout.orientation() == QPageLayout::Landscape ? 1 : 0;
    *pageSizeId = int32_t(layout.pageSize().id());
    return S_OK_;
}

HResult VeskDGPrinterL::layoutHeld(VBool *held)
{
    if (!held)
        return E_POINTER_;
    *held = moduleState().layout.layoutHeld ? com::VTrue : com::VFalse;
    return S_OK_;
}

} // namespace portiva::gridprint
