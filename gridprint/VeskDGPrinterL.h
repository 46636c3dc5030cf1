#pragma once

#include "gridprint/Tabulon.h"
#include "gridprint/engine/PrintState.h"

#include <QString>
#include <atomic>

namespace portiva::gridprint
{

// The component's one public class. Every property is kept in the instance and in the thread's
// shared settings; the engine reads only the shared ones.
class VeskDGPrinterL final : public I_VeskDGPrinterL,
                             public IErrorInfoLike,
                             public ITabulonTestHooks
{
public:
    VeskDGPrinterL();
    // The start-up defaults; a failure here fails the creation.
    HResult initialize();

    HResult queryInterface(const com::Guid &iid, void **out) override;
    uint32_t addRef() override;
    uint32_t release() override;

    HResult getTypeInfoCount(uint32_t *count) override;
    HResult getTypeInfo(uint32_t, uint32_t, void **) override;
    HResult getIDsOfNames(const com::Guid &, char16_t **, uint32_t, uint32_t, int32_t *) override;
    HResult invoke(int32_t, const com::Guid &, uint32_t, uint16_t, void *, com::VariantLike *,
                   void *, uint32_t *) override;

#define TABULON_PROP(N, K, F)                                                                      \
    HResult get_##N(K::Out out) override;                                                          \
    HResult put_##N(K::In value) override;
#define TABULON_PROP_SHARED(N, K) TABULON_PROP(N, K, Plain)
#define TABULON_GET(N, K, F) HResult get_##N(K::Out out) override;
#define TABULON_PUT(N, K, F) HResult put_##N(K::In value) override;
#define TABULON_METHOD(N, P) HResult N P override;
#include "gridprint/entries.def"
#undef TABULON_PROP
#undef TABULON_PROP_SHARED
#undef TABULON_GET
#undef TABULON_PUT
#undef TABULON_METHOD

    HResult getLastError(int32_t *number, BStr *description) override;

    HResult usePdfOutput(const char16_t *path, int32_t dpi, float marginsPt) override;
    HResult answerPrintDialog(VBool accept, int32_t from, int32_t to) override;
    HResult captureMessages(VBool on) override;
    HResult takeMessages(BStr *joined) override;
    HResult simulatePaperRefusal(VBool on) override;
    HResult printableArea(float *left, float *top, float *width, float *height) override;
    HResult printerPage(int32_t *orientation, int32_t *pageSizeId) override;
    HResult layoutHeld(VBool *held) override;

private:
    ~VeskDGPrinterL();

    // Runs one entry on the GUI thread, turning thrown errors into its result and last error.
    template <class F> HResult entry(F &&body);

    template <class T, class Out> HResult getEntry(T PropertyValues::*member, Out out, bool copy);
    template <class T, class In> HResult putEntry(T PropertyValues::*member, In value);
    template <class T, class Out> HResult getShared(T SharedPrintSettings::*member, Out out);
    template <class T, class In> HResult putShared(T SharedPrintSettings::*member, In value);
    HResult runPrint(com::IUnknownLike *grid);

    std::atomic<uint32_t> m_refs{1};
    PropertyValues m_values;
    HResult m_lastHr = 0;
    QString m_lastText;
};

} // namespace portiva::gridprint
