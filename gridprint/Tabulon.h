#pragma once

// Tabulon's public interfaces, as its callers see them. Only boundary types appear here.

#include "gridprint/ids.h"
#include "platform/com/com.h"

namespace portiva::gridprint
{

using com::BStr;
using com::HResult;
using com::VBool;

// How each kind of property crosses the boundary and how it is stored.
struct KBool {
    using In = VBool;
    using Out = VBool *;
};
struct KLong {
    using In = int32_t;
    using Out = int32_t *;
};
struct KFloat {
    using In = float;
    using Out = float *;
};
struct KStr {
    using In = const char16_t *; // null is the empty text; the callee copies
    using Out = BStr *;          // the caller frees
};

enum enumOrientation : int32_t { Portrait = 1, Landscape = 2 };
enum enumPaperSize : int32_t { Letter = 1, Legal = 5, A4 = 9, A3 = 8 };
enum enumGridStyle : int32_t { c_None = 0, c_ALL = 1, c_Horizontal = 2, c_Vertical = 3 };
enum enumAlign : int32_t { c_Left = 1, c_Right = 2, c_Center = 3 };
enum monAlignConst : int32_t {
    AlignLeft_Page = 1,
    AlignCenter_Page = 2,
    AlignRight_Page = 3,
    AlignLeft_Object = 4,
    AlignCenter_Object = 5,
    AlignRight_Object = 6
};
enum KnownCharset : int32_t {
    ANSI_CHARSET = 0,
    DEFAULT_CHARSET = 1,
    SYMBOL_CHARSET = 2,
    SHIFTJIS_CHARSET = 128,
    HANGEUL_CHARSET = 129,
    GB2312_CHARSET = 134,
    CHINESEBIG5_CHARSET = 136,
    OEM_CHARSET = 255,
    JOHAB_CHARSET = 130,
    HEBREW_CHARSET = 177,
    ARABIC_CHARSET = 178,
    GREEK_CHARSET = 161,
    TURKISH_CHARSET = 162,
    VIETNAMESE_CHARSET = 163,
    THAI_CHARSET = 222,
    EASTEUROPE_CHARSET = 238,
    RUSSIAN_CHARSET = 204,
    MAC_CHARSET = 77,
    BALTIC_CHARSET = 186
};

// 7 dispatch slots, then the 83 entries of entries.def.
inline constexpr int kVeskDGPrinterLSlots = 90;

struct I_VeskDGPrinterL : com::IDispatchLike {
#define TABULON_PROP(N, K, F)                                                                      \
    virtual HResult get_##N(K::Out out) = 0;                                                       \
    virtual HResult put_##N(K::In value) = 0;
#define TABULON_PROP_SHARED(N, K) TABULON_PROP(N, K, Plain)
#define TABULON_GET(N, K, F) virtual HResult get_##N(K::Out out) = 0;
#define TABULON_PUT(N, K, F) virtual HResult put_##N(K::In value) = 0;
#define TABULON_METHOD(N, P) virtual HResult N P = 0;
#include "gridprint/entries.def"
#undef TABULON_PROP
#undef TABULON_PROP_SHARED
#undef TABULON_GET
#undef TABULON_PUT
#undef TABULON_METHOD

protected:
    ~I_VeskDGPrinterL() = default;
};

// A recordset handed over for printing (the program side adapts its own recordsets).
struct IRecordsetLike : com::IUnknownLike {
    virtual HResult clone(IRecordsetLike **out) = 0;
    virtual HResult recordCount(int32_t *out) = 0;
    virtual HResult fieldCount(int32_t *out) = 0;
    virtual HResult fieldName(int32_t index, BStr *out) = 0;
    virtual HResult moveFirst() = 0;
    virtual HResult moveNext() = 0;
    virtual HResult isEOF(VBool *out) = 0;
    virtual HResult fieldValue(int32_t index, com::VariantLike *out) = 0;

protected:
    ~IRecordsetLike() = default;
};

// The data grid whose columns are printed.
struct IGridLike : com::IUnknownLike {
    virtual HResult typeName(BStr *out) = 0;
    virtual HResult columnCount(int32_t *out) = 0;
    virtual HResult columnWidthTwips(int32_t index, float *out) = 0;

protected:
    ~IGridLike() = default;
};

// The result code and text of the instance's last failed entry.
struct IErrorInfoLike : com::IUnknownLike {
    virtual HResult getLastError(int32_t *number, BStr *description) = 0;

protected:
    ~IErrorInfoLike() = default;
};

// Inert unless called; lets the library's own tests print to a PDF and answer its dialogs.
struct ITabulonTestHooks : com::IUnknownLike {
    virtual HResult usePdfOutput(const char16_t *path, int32_t dpi, float marginsPt) = 0;
    // from 0: the whole range ("All"); accept false: cancel.
    virtual HResult answerPrintDialog(VBool accept, int32_t from, int32_t to) = 0;
    virtual HResult captureMessages(VBool on) = 0;
    virtual HResult takeMessages(BStr *joined) = 0;
    virtual HResult simulatePaperRefusal(VBool on) = 0;
    virtual HResult printableArea(float *left, float *top, float *width, float *height) = 0;
    // QPageLayout orientation (0 portrait, 1 landscape) and QPageSize id of the printer.
    virtual HResult printerPage(int32_t *orientation, int32_t *pageSizeId) = 0;
    virtual HResult layoutHeld(VBool *held) = 0;

protected:
    ~ITabulonTestHooks() = default;
};

} // namespace portiva::gridprint
