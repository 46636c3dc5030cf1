// The interface contract of VeskDGPrinterL: every entry at its slot, and where values live.

#include "helper_gridprint.h"
#include "platform/vb/Vb.h"

#include <QApplication>
#include <QPageSize>
#include <QTest>

using namespace portiva::com;
using namespace portiva::gridprint;
using namespace portiva::gridprint::test;

namespace
{

enum Kind { Bool, Long, Float, Str };

// Written by hand from the published entry table: get slot, put slot, kind, a value to store.
struct SlotCase {
    const char *name;
    int get, put;
    Kind kind;
    double number;
    const char16_t *text;
};

const SlotCase kSlots[] = {
    {"ShowPreview", 7, 8, Bool, 0, nullptr},
    {"AlignHeaders", 9, 10, Long, 3, nullptr},
    {"HeaderFontBold", 11, 12, Bool, -1, nullptr},
    {"HeaderFontItalic", 13, 14, Bool, 13, nullptr},
    {"PageNumbering", 15, 16, Bool, 15, nullptr},
    {"AlignPageNumbering", 17, 20, Long, 6, nullptr},
    {"PageNumberingText", 18, 19, Str, 0, u"Side ofTotal"},
    {"PageNumberFontName", 21, 22, Str, 0, u"Arial"},
    {"PageNumberFontBold", 23, 24, Bool, 23, nullptr},
    {"PageNumberFontItalic", 25, 26, Bool, 25, nullptr},
    {"PageNumberFontSize", 27, 28, Long, 11, nullptr},
    {"maxLines", 29, 30, Long, 55, nullptr},
    {"Headers", 31, 32, Bool, 31, nullptr},
    {"cellLeft", 33, 34, Float, 0.33, nullptr},
    {"cellTop", 35, 36, Float, 0.35, nullptr},
    {"TitleFontName", 37, 38, Str, 0, u"Times New Roman"},
    {"TitleFontBold", 39, 40, Bool, 39, nullptr},
    {"TitleFontItalic", 41, 42, Bool, 41, nullptr},
    {"TitleFontSize", 43, 44, Long, 12, nullptr},
    {"lineHeight", 45, 46, Float, 0.45, nullptr},
    {"centerObjectHorizontal", 47, 48, Bool, 0, nullptr},
    {"objectLeft", 49, 50, Float, 0.49, nullptr},
    {"objectTop", 51, 52, Float, 0.51, nullptr},
    {"Title", 53, 54, Bool, 53, nullptr},
    {"TitleText", 55, 56, Str, 0, u"Oversikt Nøkler"},
    {"TitleTop", 57, 58, Float, 0.57, nullptr},
    {"AlignTitle", 59, 60, Long, 5, nullptr},
    {"Orientation", 61, 62, Long, 2, nullptr},
    {"FontName", 63, 64, Str, 0, u"Tahoma"},
    {"FontBold", 65, 66, Bool, 65, nullptr},
    {"FontItalic", 67, 68, Bool, 67, nullptr},
    {"FontSize", 69, 70, Float, 10.5, nullptr},
    {"WordPAGE", 71, 72, Str, 0, u"Side"},
    {"WordOF", 73, 74, Str, 0, u"av"},
    {"Grid", 76, 77, Long, 3, nullptr},
    {"PreviewCaption", 78, 79, Str, 0, u"Brukere"},
    {"PreviewICONpath", 80, 81, Str, 0, u"/nowhere/icon.png"},
    {"PaperSize", 82, 83, Long, 9, nullptr},
    {"Charset", 84, 85, Long, 204, nullptr},
    {"ShowPrinterDialog", 88, 89, Bool, 88, nullptr},
};

void *slot(void *object, int index)
{
    return (*reinterpret_cast<void ***>(object))[index];
}

HResult putBySlot(void *o, const SlotCase &c)
{
    switch (c.kind) {
    case Bool:
        return reinterpret_cast<HResult (*)(void *, VBool)>(slot(o, c.put))(o, VBool(c.number));
    case Long:
        return reinterpret_cast<HResult (*)(void *, int32_t)>(slot(o, c.put))(o, int32_t(c.number));
    case Float:
        return reinterpret_cast<HResult (*)(void *, float)>(slot(o, c.put))(o, float(c.number));
    case Str:
        return reinterpret_cast<HResult (*)(void *, const char16_t *)>(slot(o, c.put))(o, c.text);
    }
    return E_FAIL_;
}

// The value read back, as text, so one comparison serves every kind.
QString getBySlot(void *o, const SlotCase &c)
{
    switch (c.kind) {
    case Bool: {
        VBool v = 0;
        reinterpret_cast<HResult (*)(void *, VBool *)>(slot(o, c.get))(o, &v);
        return QString::number(v);
    }
    case Long: {
        int32_t v = 0;
        reinterpret_cast<HResult (*)(void *, int32_t *)>(slot(o, c.get))(o, &v);
        return QString::number(v);
    }
    case Float: {
        float v = 0;
        reinterpret_cast<HResult (*)(void *, float *)>(slot(o, c.get))(o, &v);
        return QString::number(v);
    }
    case Str: {
        BStr v = nullptr;
        reinterpret_cast<HResult (*)(void *, BStr *)>(slot(o, c.get))(o, &v);
        return takeBStr(v);
    }
    }
    return {};
}

QString expected(const SlotCase &c)
{
    switch (c.kind) {
    case Bool:
        return QString::number(VBool(c.number));
    case Long:
        return QString::number(int32_t(c.number));
    case Float:
        return QString::number(float(c.number));
    case Str:
        return QString::fromUtf16(c.text);
    }
    return {};
}

} // namespace

class TestContract : public QObject
{
    Q_OBJECT
    RegisteredTabulon *m_reg = nullptr;

private slots:
    void initTestCase()
    {
        m_reg = new RegisteredTabulon;
        QVERIFY(m_reg->ok());
    }
    void cleanupTestCase() { delete m_reg; }

    void everyEntryAtItsSlot()
    {
        I_VeskDGPrinterL *p = createPrinter();
        QVERIFY(p);
        hooksOf(p)->captureMessages(VTrue);
        for (const SlotCase &c : kSlots)
            QVERIFY2(putBySlot(p, c) == S_OK_, c.name);
        for (const SlotCase &c : kSlots)
            QVERIFY2(getBySlot(p, c) == expected(c), c.name);

        auto method = [p](int index) { return slot(p, index); };
        QCOMPARE(reinterpret_cast<HResult (*)(void *, IUnknownLike **)>(method(75))(p, nullptr),
                 E_POINTER_);
        QCOMPARE(reinterpret_cast<HResult (*)(void *, IUnknownLike *)>(method(86))(p, nullptr),
                 E_POINTER_);
        int16_t index = 0;
        float width = 1;
        QCOMPARE(reinterpret_cast<HResult (*)(void *, int16_t *, float *)>(method(87))(p, &index,
                                                                                       &width),
                 runtimeError(9));
        uint32_t count = 7;
        QCOMPARE(p->getTypeInfoCount(&count), S_OK_);
        QCOMPARE(count, 0u);
        QCOMPARE(p->getTypeInfo(0, 0, nullptr), E_NOTIMPL_);
        p->release();
    }

    void readsMakeTheInstanceValueActive()
    {
        I_VeskDGPrinterL *a = createPrinter();
        I_VeskDGPrinterL *b = createPrinter();
        QVERIFY(a && b);
        putText(a, &I_VeskDGPrinterL::put_WordOF, "av");
        BStr s = nullptr;
        b->get_WordOF(&s);
        QCOMPARE(takeBStr(s), QStringLiteral("av")); // kept once, for everyone

        putText(a, &I_VeskDGPrinterL::put_TitleText, "x");
        putText(b, &I_VeskDGPrinterL::put_TitleText, "y");
        a->get_TitleText(&s);
        QCOMPARE(takeBStr(s), QStringLiteral("x"));
        a->release();
        b->release();
    }

    void orientationOutsideTheTableIsRefused()
    {
        I_VeskDGPrinterL *p = createPrinter();
        QCOMPARE(p->put_Orientation(3), HResult(0x800A017C));
        void *out = nullptr;
        p->queryInterface(IID_IErrorInfoLike, &out);
        auto *info = static_cast<IErrorInfoLike *>(out);
        int32_t number = 0;
        BStr text = nullptr;
        info->getLastError(&number, &text);
        QCOMPARE(number, HResult(0x800A017C));
        QCOMPARE(takeBStr(text), portiva::vb::errorDescription(portiva::vb::InvalidPropertyValue));
        info->release();
        int32_t o = 0;
        p->get_Orientation(&o);
        QCOMPARE(o, 3);
        p->put_Orientation(1);
        p->release();
    }

    void refusedPaperSizeIsShownAndKept()
    {
        I_VeskDGPrinterL *p = createPrinter();
        ITabulonTestHooks *h = hooksOf(p);
        h->captureMessages(VTrue);
        h->simulatePaperRefusal(VTrue);
        QCOMPARE(p->put_PaperSize(8), S_OK_);
        h->simulatePaperRefusal(VFalse);
        QVERIFY(takeMessages(p).startsWith("The selected printer - "));
        int32_t v = 0;
        p->get_PaperSize(&v);
        QCOMPARE(v, 8);
        QCOMPARE(p->put_PaperSize(8), S_OK_);
        QCOMPARE(takeMessages(p), QString());
        int32_t orientation = -1, id = -1;
        h->printerPage(&orientation, &id);
        QCOMPARE(id, int32_t(QPageSize::A3));
        p->put_PaperSize(1);
        p->release();
    }

    void objectLeftIgnoredWhileCentred()
    {
        I_VeskDGPrinterL *p = createPrinter();
        p->put_objectLeft(1.0f);
        p->put_centerObjectHorizontal(VTrue);
        p->put_objectLeft(2.0f);
        float left = 0;
        p->get_objectLeft(&left);
        QCOMPARE(left, 1.0f);
        p->put_centerObjectHorizontal(VFalse);
        p->put_objectLeft(2.0f);
        p->get_objectLeft(&left);
        QCOMPARE(left, 2.0f);
        p->release();
    }

    void newInstanceStartsPortraitLetter()
    {
        I_VeskDGPrinterL *a = createPrinter();
        a->put_Orientation(2);
        a->put_PaperSize(9);
        putText(a, &I_VeskDGPrinterL::put_TitleFontName, "Times New Roman");
        a->put_maxLines(42);
        I_VeskDGPrinterL *b = createPrinter();
        int32_t o = 0, paper = 0, lines = 0;
        b->get_Orientation(&o);
        b->get_PaperSize(&paper);
        QCOMPARE(o, 1);
        QCOMPARE(paper, 1);
        int32_t printerOrientation = -1, id = -1;
        hooksOf(b)->printerPage(&printerOrientation, &id);
        QCOMPARE(printerOrientation, 0);
        QCOMPARE(id, int32_t(QPageSize::Letter));
        // b's own copies are empty: only a read through a would show a's values, so look at
        // what a still holds and what a fresh read of the shared words gives.
        a->get_maxLines(&lines);
        QCOMPARE(lines, 42);
        a->release();
        b->release();
    }
};

QTEST_MAIN(TestContract)
#include "tst_contract.moc"
