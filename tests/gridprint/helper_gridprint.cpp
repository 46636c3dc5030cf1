#include "helper_gridprint.h"

#include "platform/com/ComRegistry.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>

namespace portiva::gridprint::test
{

using namespace portiva::com;

FakeRecordset::FakeRecordset(QStringList f, QList<QVariantList> r)
    : fields(std::move(f)), rows(std::move(r))
{
}

HResult FakeRecordset::queryInterface(const Guid &iid, void **out)
{
    if (iid == IID_IUnknownLike || iid == IID_IRecordsetLike) {
        *out = static_cast<IRecordsetLike *>(this);
        addRef();
        return S_OK_;
    }
    *out = nullptr;
    return E_NOINTERFACE_;
}

uint32_t FakeRecordset::release()
{
    const uint32_t left = --refs;
    if (left == 0) {
        if (isClone && releasedClones)
            ++*releasedClones;
        delete this;
    }
    return left;
}

HResult FakeRecordset::clone(IRecordsetLike **out)
{
    if (failClone)
        return runtimeError(3251);
    auto *c = new FakeRecordset(fields, rows);
    c->reportedCount = reportedCount;
    c->releasedClones = releasedClones;
    c->isClone = true;
    *out = c;
    return S_OK_;
}

HResult FakeRecordset::recordCount(int32_t *out)
{
    *out = reportedCount == -2 ? int32_t(rows.size()) : reportedCount;
    return S_OK_;
}

HResult FakeRecordset::fieldCount(int32_t *out)
{
    *out = int32_t(fields.size());
    return S_OK_;
}

HResult FakeRecordset::fieldName(int32_t index, BStr *out)
{
    if (index < 0 || index >= fields.size())
        return runtimeError(3265);
    *out = bstrFrom(fields[index]);
    return S_OK_;
}

HResult FakeRecordset::moveFirst()
{
    position = 0;
    return S_OK_;
}

HResult FakeRecordset::moveNext()
{
    if (position < rows.size())
        ++position;
    return S_OK_;
}

HResult FakeRecordset::isEOF(VBool *out)
{
    *out = position >= rows.size() ? VTrue : VFalse;
    return S_OK_;
}

HResult FakeRecordset::fieldValue(int32_t index, VariantLike *out)
{
    if (position >= rows.size() || index < 0 || index >= fields.size())
        return runtimeError(3265);
    const QVariant v = index < rows[position].size() ? rows[position][index] : QVariant();
    if (v.isNull()) {
        out->vt = VT_NULL_;
    } else if (v.typeId() == QMetaType::Int) {
        out->vt = VT_I4_;
        out->i4 = v.toInt();
    } else if (v.typeId() == QMetaType::Double) {
        out->vt = VT_R8_;
        out->r8 = v.toDouble();
    } else {
        out->vt = VT_BSTR_;
        out->bstr = bstrFrom(v.toString());
    }
    return S_OK_;
}

HResult FakeGrid::queryInterface(const Guid &iid, void **out)
{
    if (iid == IID_IUnknownLike || iid == IID_IGridLike) {
        *out = static_cast<IGridLike *>(this);
        addRef();
        return S_OK_;
    }
    *out = nullptr;
    return E_NOINTERFACE_;
}

HResult FakeGrid::typeName(BStr *out)
{
    *out = bstrFrom(type);
    return S_OK_;
}

HResult FakeGrid::columnCount(int32_t *out)
{
    *out = int32_t(widths.size());
    return S_OK_;
}

HResult FakeGrid::columnWidthTwips(int32_t index, float *out)
{
    *out = widths.value(index);
    return S_OK_;
}

QList<QVariantList> numberedRows(int rows, int columns)
{
    QList<QVariantList> out;
    for (int r = 1; r <= rows; ++r) {
        QVariantList row;
        for (int c = 1; c <= columns; ++c)
            row << QStringLiteral("r%1c%2").arg(r).arg(c);
        out << row;
    }
    return out;
}

QStringList fieldNames(int columns)
{
    QStringList f;
    for (int c = 1; c <= columns; ++c)
        f << QStringLiteral("Field%1").arg(c);
    return f;
}

RegisteredTabulon::RegisteredTabulon()
{
    m_oldEnv = qgetenv("PORTIVA_COM_REGISTRY");
    qputenv("PORTIVA_COM_REGISTRY", QFile::encodeName(registryFile()));
    m_ok = comreg({QStringLiteral(TABULON_LIBRARY)});
}

RegisteredTabulon::~RegisteredTabulon()
{
    if (m_oldEnv.isEmpty())
        qunsetenv("PORTIVA_COM_REGISTRY");
    else
        qputenv("PORTIVA_COM_REGISTRY", m_oldEnv);
}

QString RegisteredTabulon::registryFile() const
{
    return m_dir.filePath(QStringLiteral("com-registry.ini"));
}

bool RegisteredTabulon::comreg(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(PORTIVA_COMREG), args);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

I_VeskDGPrinterL *createPrinter(HResult *hr)
{
    void *out = nullptr;
    const HResult r = com::createInstance(CLSID_VeskDGPrinterL, IID__VeskDGPrinterL, &out);
    if (hr)
        *hr = r;
    return failed(r) ? nullptr : static_cast<I_VeskDGPrinterL *>(out);
}

ITabulonTestHooks *hooksOf(I_VeskDGPrinterL *p)
{
    void *out = nullptr;
    p->queryInterface(IID_ITabulonTestHooks, &out);
    auto *h = static_cast<ITabulonTestHooks *>(out);
    if (h)
        h->release(); // borrowed: the printer keeps the object alive
    return h;
}

QString takeMessages(I_VeskDGPrinterL *p)
{
    BStr b = nullptr;
    hooksOf(p)->takeMessages(&b);
    return takeBStr(b);
}

static QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList pdfPages(const QString &pdf)
{
    QStringList pages =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QString pdfInfo(const QString &pdf)
{
    return run(QStringLiteral("pdfinfo"), {pdf});
}

int pdfPageCount(const QString &pdf)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfInfo(pdf));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void putText(I_VeskDGPrinterL *p, HResult (I_VeskDGPrinterL::*put)(const char16_t *),
             const QString &text)
{
    (p->*put)(reinterpret_cast<const char16_t *>(text.utf16()));
}

} // namespace portiva::gridprint::test
