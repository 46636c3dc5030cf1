#pragma once

// The boundary types of the in-process component layer. Nothing here is a Qt type except the
// conversion helpers, so that an interface declared with them means the same on both sides of a
// dlopen()ed library built by another compiler run.

#include <QString>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace portiva::com
{

using HResult = int32_t;
using VBool = int16_t;
using BStr = char16_t *;

inline constexpr VBool VTrue = -1;
inline constexpr VBool VFalse = 0;

inline constexpr HResult S_OK_ = 0;
inline constexpr HResult S_FALSE_ = 1;
inline constexpr HResult E_NOTIMPL_ = HResult(0x80004001);
inline constexpr HResult E_NOINTERFACE_ = HResult(0x80004002);
inline constexpr HResult E_POINTER_ = HResult(0x80004003);
inline constexpr HResult E_FAIL_ = HResult(0x80004005);
inline constexpr HResult CLASS_E_NOAGGREGATION_ = HResult(0x80040110);
inline constexpr HResult CLASS_E_CLASSNOTAVAILABLE_ = HResult(0x80040111);
inline constexpr HResult REGDB_E_CLASSNOTREG_ = HResult(0x80040154);
inline constexpr HResult SELFREG_E_CLASS_ = HResult(0x80040201);
inline constexpr HResult CO_E_NOTINITIALIZED_ = HResult(0x800401F0);
inline constexpr HResult CO_E_ERRORINDLL_ = HResult(0x800401F9);
inline constexpr HResult E_MODULE_NOT_FOUND_ = HResult(0x8007007E);
inline constexpr HResult RPC_E_WRONG_THREAD_ = HResult(0x8001010E);

inline constexpr bool failed(HResult hr)
{
    return hr < 0;
}
inline constexpr bool succeeded(HResult hr)
{
    return hr >= 0;
}
// The runtime's own errors travel as FACILITY_CONTROL codes carrying the error number.
inline constexpr HResult runtimeError(int number)
{
    return HResult(0x800A0000u | (number & 0xFFFF));
}

struct Guid {
    uint32_t d1 = 0;
    uint16_t d2 = 0, d3 = 0;
    uint8_t d4[8] = {};

    friend bool operator==(const Guid &a, const Guid &b)
    {
        return a.d1 == b.d1 && a.d2 == b.d2 && a.d3 == b.d3 && std::memcmp(a.d4, b.d4, 8) == 0;
    }

    // Braces optional, any case; an unreadable text gives the null guid and ok false.
    static Guid parse(const QString &text, bool *ok = nullptr)
    {
        QString t = text.trimmed();
        if (t.startsWith(u'{') && t.endsWith(u'}'))
            t = t.mid(1, t.size() - 2);
        Guid g;
        bool good =
            t.size() == 36 && t[8] == u'-' && t[13] == u'-' && t[18] == u'-' && t[23] == u'-';
        const QString hex = QString(t).remove(u'-');
        good = good && hex.size() == 32;
        for (QChar c : hex)
            good = good && c.unicode() < 128 && std::isxdigit(c.unicode());
        if (good) {
            g.d1 = hex.mid(0, 8).toUInt(nullptr, 16);
            g.d2 = uint16_t(hex.mid(8, 4).toUInt(nullptr, 16));
            g.d3 = uint16_t(hex.mid(12, 4).toUInt(nullptr, 16));
            for (int i = 0; i < 8; ++i)
                g.d4[i] = uint8_t(hex.mid(16 + 2 * i, 2).toUInt(nullptr, 16));
        } else {
            g = Guid();
        }
        if (ok)
            *ok = good;
        return g;
    }

    // Upper case, without braces: the form registry keys carry.
    QString toKey() const
    {
        auto h = [](uint64_t v, int w) {
            return QStringLiteral("%1").arg(v, w, 16, QLatin1Char('0')).toUpper();
        };
        QString s =
            h(d1, 8) + u'-' + h(d2, 4) + u'-' + h(d3, 4) + u'-' + h(d4[0], 2) + h(d4[1], 2) + u'-';
        for (int i = 2; i < 8; ++i)
            s += h(d4[i], 2);
        return s;
    }
    QString toString() const { return u'{' + toKey() + u'}'; }
};

// Automation strings: UTF-16, NUL-terminated, the byte length in the four bytes before the
// pointer. Both modules use the process's C heap, so either side may free what the other made.
inline BStr bstrAlloc(const char16_t *text, uint32_t chars)
{
    auto *block = static_cast<char *>(std::malloc(sizeof(uint32_t) + (chars + 1) * 2));
    if (!block)
        return nullptr;
    const uint32_t bytes = chars * 2;
    std::memcpy(block, &bytes, sizeof bytes);
    auto *s = reinterpret_cast<char16_t *>(block + sizeof(uint32_t));
    if (text && chars)
        std::memcpy(s, text, bytes);
    s[chars] = 0;
    return s;
}
inline void bstrFree(BStr s)
{
    if (s)
        std::free(reinterpret_cast<char *>(s) - sizeof(uint32_t));
}
inline uint32_t bstrLen(const char16_t *s)
{
    if (!s)
        return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<const char *>(s) - sizeof(uint32_t), sizeof bytes);
    return bytes / 2;
}
inline BStr bstrFrom(const QString &s)
{
    return bstrAlloc(reinterpret_cast<const char16_t *>(s.utf16()), uint32_t(s.size()));
}
// For puts, which take plain NUL-terminated text (null is the empty text).
inline QString toQString(const char16_t *s)
{
    return s ? QString::fromUtf16(s) : QString();
}
// Takes the text out of a string the callee allocated and frees it.
inline QString takeBStr(BStr &s)
{
    QString t = s ? QString::fromUtf16(s, bstrLen(s)) : QString();
    bstrFree(s);
    s = nullptr;
    return t;
}

enum VarType : uint16_t {
    VT_EMPTY_ = 0,
    VT_NULL_ = 1,
    VT_I2_ = 2,
    VT_I4_ = 3,
    VT_R4_ = 4,
    VT_R8_ = 5,
    VT_DATE_ = 7,
    VT_BSTR_ = 8,
    VT_BOOL_ = 11,
    VT_I8_ = 20,
};

struct VariantLike {
    uint16_t vt = VT_EMPTY_;
    union {
        VBool b;
        int16_t i2;
        int32_t i4;
        int64_t i8;
        float r4;
        double r8;
        double date;
        char16_t *bstr;
    };
    VariantLike() : i8(0) {}
};

inline void variantClear(VariantLike *v)
{
    if (v->vt == VT_BSTR_)
        bstrFree(v->bstr);
    v->vt = VT_EMPTY_;
    v->i8 = 0;
}

// Interfaces: pure virtual functions only, base first, and a protected non-virtual destructor
// (a virtual one would add vtable slots and shift every entry the callers bind to by position).
struct IUnknownLike {
    virtual HResult queryInterface(const Guid &iid, void **out) = 0;
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;

protected:
    ~IUnknownLike() = default;
};

struct IDispatchLike : IUnknownLike {
    virtual HResult getTypeInfoCount(uint32_t *count) = 0;
    virtual HResult getTypeInfo(uint32_t index, uint32_t lcid, void **info) = 0;
    virtual HResult getIDsOfNames(const Guid &riid, char16_t **names, uint32_t count, uint32_t lcid,
                                  int32_t *ids) = 0;
    virtual HResult invoke(int32_t id, const Guid &riid, uint32_t lcid, uint16_t flags,
                           void *params, VariantLike *result, void *excepInfo,
                           uint32_t *argErr) = 0;

protected:
    ~IDispatchLike() = default;
};

struct IClassFactoryLike : IUnknownLike {
    virtual HResult createInstance(IUnknownLike *outer, const Guid &iid, void **out) = 0;
    virtual HResult lockServer(VBool lock) = 0;

protected:
    ~IClassFactoryLike() = default;
};

// The well-known identifiers of the three base interfaces.
inline constexpr Guid IID_IUnknownLike{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid IID_IDispatchLike{
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr Guid IID_IClassFactoryLike{
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// One counted reference, released when the holder goes.
template <class T> class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adopts a reference the caller already holds (as an out-parameter gives it).
    static ComPtr adopt(T *p)
    {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    // Takes a new reference of its own.
    static ComPtr share(T *p)
    {
        if (p)
            p->addRef();
        return adopt(p);
    }
    ComPtr(const ComPtr &o) : m_p(o.m_p)
    {
        if (m_p)
            m_p->addRef();
    }
    ComPtr(ComPtr &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr &operator=(ComPtr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (T *p = std::exchange(m_p, nullptr))
            p->release();
    }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: releases what was held first.
    T **put()
    {
        reset();
        return &m_p;
    }
    void **putVoid() { return reinterpret_cast<void **>(put()); }
    T *detach() { return std::exchange(m_p, nullptr); }

private:
    T *m_p = nullptr;
};

// Asks any object for another of its interfaces.
template <class T> ComPtr<T> queryAs(IUnknownLike *unk, const Guid &iid, HResult *hr = nullptr)
{
    ComPtr<T> out;
    HResult r = unk ? unk->queryInterface(iid, out.putVoid()) : E_POINTER_;
    if (hr)
        *hr = r;
    if (failed(r))
        out.detach();
    return out;
}

} // namespace portiva::com
