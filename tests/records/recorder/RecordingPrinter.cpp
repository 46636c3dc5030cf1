#include "RecordingPrinter.h"

#include "gridprint/Tabulon.h"

#include <atomic>

using namespace portiva::com;
using namespace portiva::gridprint;
using portiva::test::PrinterRecording;

namespace
{

PrinterRecording g_state;

QString valueText(VBool v)
{
    return QString::number(v);
}
QString valueText(int32_t v)
{
    return QString::number(v);
}
QString valueText(float v)
{
    return QString::number(double(v));
}
QString valueText(const char16_t *v)
{
    return toQString(v);
}

QString cellText(const VariantLike &v)
{
    switch (v.vt) {
    case VT_NULL_:
        return QStringLiteral("<Null>");
    case VT_BSTR_:
        return QString::fromUtf16(v.bstr, bstrLen(v.bstr));
    case VT_I4_:
        return QString::number(v.i4);
    case VT_I8_:
        return QString::number(v.i8);
    case VT_R8_:
        return QString::number(v.r8);
    default:
        return QStringLiteral("<vt %1>").arg(v.vt);
    }
}

class Recorder final : public I_VeskDGPrinterL, public IErrorInfoLike
{
public:
    Recorder() : m_id(++g_state.instancesCreated) { ++g_state.instancesAlive; }

    HResult queryInterface(const Guid &iid, void **out) override
    {
        if (iid == IID_IUnknownLike || iid == IID_IDispatchLike || iid == IID__VeskDGPrinterL)
            *out = static_cast<I_VeskDGPrinterL *>(this);
        else if (iid == IID_IErrorInfoLike)
            *out = static_cast<IErrorInfoLike *>(this);
        else
            return (*out = nullptr), E_NOINTERFACE_;
        addRef();
        return S_OK_;
    }
    uint32_t addRef() override { return ++m_refs; }
    uint32_t release() override
    {
        const uint32_t left = --m_refs;
        if (left == 0) {
            --g_state.instancesAlive;
            if (m_rows)
                m_rows->release();
            delete this;
        }
        return left;
    }
    HResult getTypeInfoCount(uint32_t *) override { return E_NOTIMPL_; }
    HResult getTypeInfo(uint32_t, uint32_t, void **) override { return E_NOTIMPL_; }
    HResult getIDsOfNames(const Guid &, char16_t **, uint32_t, uint32_t, int32_t *) override
    {
        return E_NOTIMPL_;
    }
    HResult invoke(int32_t, const Guid &, uint32_t, uint16_t, void *, VariantLike *, void *,
                   uint32_t *) override
    {
        return E_NOTIMPL_;
    }

#define TABULON_GET(N, K, F)                                                                       \
    HResult get_##N(K::Out) override                                                               \
    {                                                                                              \
        return E_NOTIMPL_;                                                                         \
    }
#define TABULON_PUT(N, K, F)                                                                       \
    HResult put_##N(K::In value) override                                                          \
    {                                                                                              \
        return record(#N, valueText(value));                                                       \
    }
#define TABULON_PROP(N, K, F) TABULON_GET(N, K, F) TABULON_PUT(N, K, F)
#define TABULON_PROP_SHARED(N, K) TABULON_PROP(N, K, Plain)
#define TABULON_METHOD(N, P)
#include "gridprint/entries.def"
#undef TABULON_PROP
#undef TABULON_PROP_SHARED
#undef TABULON_GET
#undef TABULON_PUT
#undef TABULON_METHOD

    HResult changeColumnWidths(int16_t *index, float *size) override
    {
        return record("changeColumnWidths",
                      QString::number(*index) + u',' + QString::number(double(*size)));
    }
    HResult putref_DataGridRecordset(IUnknownLike *rs) override
    {
        void *out = nullptr;
        if (!rs || failed(rs->queryInterface(IID_IRecordsetLike, &out)))
            return E_POINTER_;
        auto *handed = static_cast<IRecordsetLike *>(out);
        IRecordsetLike *copy = nullptr;
        const HResult hr = handed->clone(&copy);
        handed->release();
        if (failed(hr))
            return hr;
        if (m_rows)
            m_rows->release();
        m_rows = copy;
        return record("DataGridRecordset", QString());
    }
    HResult printDBGRID(IUnknownLike **grid) override
    {
        record("printDBGRID", QString());
        recordRows();
        recordGrid(grid ? *grid : nullptr);
        if (!g_state.failPrint.isEmpty()) {
            m_lastError = g_state.failPrint;
            return runtimeError(482);
        }
        return S_OK_;
    }
    HResult getLastError(int32_t *number, BStr *description) override
    {
        *number = 482;
        *description = bstrFrom(m_lastError);
        return S_OK_;
    }

private:
    HResult record(const char *member, const QString &value)
    {
        g_state.calls << QStringLiteral("%1:%2=%3").arg(m_id).arg(QLatin1String(member), value);
        return S_OK_;
    }
    void recordRows()
    {
        if (!m_rows)
            return;
        int32_t fields = 0;
        m_rows->fieldCount(&fields);
        QStringList names;
        for (int32_t f = 0; f < fields; ++f) {
            BStr name = nullptr;
            m_rows->fieldName(f, &name);
            names << takeBStr(name);
        }
        record("rows", names.join(u'|'));
        VBool eof = VFalse;
        for (m_rows->moveFirst(); m_rows->isEOF(&eof), !eof; m_rows->moveNext()) {
            QStringList cells;
            for (int32_t f = 0; f < fields; ++f) {
                VariantLike v;
                m_rows->fieldValue(f, &v);
                cells << cellText(v);
                variantClear(&v);
            }
            record("row", cells.join(u'|'));
        }
    }
    void recordGrid(IUnknownLike *grid)
    {
        void *out = nullptr;
        if (!grid || failed(grid->queryInterface(IID_IGridLike, &out)))
            return;
        auto *g = static_cast<IGridLike *>(out);
        BStr type = nullptr;
        int32_t columns = 0;
        g->typeName(&type);
        g->columnCount(&columns);
        record("grid", takeBStr(type) + u'/' + QString::number(columns));
        g->release();
    }

    const int m_id;
    std::atomic<uint32_t> m_refs{1};
    IRecordsetLike *m_rows = nullptr;
    QString m_lastError;
};

class Factory final : public IClassFactoryLike
{
public:
    HResult queryInterface(const Guid &iid, void **out) override
    {
        if (iid != IID_IUnknownLike && iid != IID_IClassFactoryLike)
            return (*out = nullptr), E_NOINTERFACE_;
        *out = this;
        return S_OK_;
    }
    uint32_t addRef() override { return 2; }
    uint32_t release() override { return 1; }
    HResult createInstance(IUnknownLike *outer, const Guid &iid, void **out) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION_;
        auto *r = new Recorder;
        const HResult hr = r->queryInterface(iid, out);
        r->release();
        return hr;
    }
    HResult lockServer(VBool) override { return S_OK_; }
};

Factory g_factory;

} // namespace

extern "C" __attribute__((visibility("default"))) HResult
DllGetClassObject(const Guid &clsid, const Guid &iid, void **out)
{
    if (!(clsid == CLSID_VeskDGPrinterL))
        return CLASS_E_CLASSNOTAVAILABLE_;
    return g_factory.queryInterface(iid, out);
}

extern "C" __attribute__((visibility("default"))) PrinterRecording *recordingPrinterState()
{
    return &g_state;
}
