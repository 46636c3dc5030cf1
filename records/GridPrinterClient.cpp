#include "records/GridPrinterClient.h"

#include "platform/com/ComRegistry.h"
#include "platform/db/Recordset.h"
#include "platform/ui/DataGrid.h"
#include "platform/vb/Error.h"
#include "portiva/InstallLayout.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace portiva
{

using namespace com;
using gridprint::I_VeskDGPrinterL;

namespace
{

HResult give(void **out, IUnknownLike *self, void *itf)
{
    *out = itf;
    self->addRef();
    return S_OK_;
}

// Text for a put: the component copies it.
const char16_t *text(const QString &s)
{
    return reinterpret_cast<const char16_t *>(s.utf16());
}

// What to run so that the program finds its grid printer: the current user's registration of
// the library that lies with this program, installed or in a build.
QString registrationHint()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString library = QLatin1String(layout::ComponentLibraryName);
    const QString tool = QLatin1String(layout::RegisterToolName);
    const std::pair<const char *, const char *> places[] = {
        {layout::ComponentDirFromProgram, "."}, // installed: the tool beside the program
        {layout::BuildComponentDirFromProgram, layout::BuildToolsDirFromProgram}};
    QString command = tool + QStringLiteral(" /path/to/") + library;
    for (const auto &[libraryDir, toolDir] : places) {
        const QString path =
            QDir::cleanPath(programDir + u'/' + QLatin1String(libraryDir) + u'/' + library);
        if (QFileInfo(path).isFile()) {
            command = QDir::cleanPath(programDir + u'/' + QLatin1String(toolDir) + u'/' + tool) +
                      u' ' + path;
            break;
        }
    }
    return QStringLiteral("The grid printer (") + library +
           QStringLiteral(") is registered neither for this user nor for this installation. "
                          "To register it for this user, run:\n") +
           command;
}

} // namespace

SnapshotRecordset::SnapshotRecordset(std::shared_ptr<Recordset> rows) : m_rows(std::move(rows)) {}

SnapshotRecordset::~SnapshotRecordset() = default;

SnapshotRecordset *SnapshotRecordset::over(const Recordset &source)
{
    return new SnapshotRecordset(source.Clone());
}

HResult SnapshotRecordset::queryInterface(const Guid &iid, void **out)
{
    if (!out)
        return E_POINTER_;
    if (iid == IID_IUnknownLike || iid == gridprint::IID_IRecordsetLike)
        return give(out, this, static_cast<IRecordsetLike *>(this));
    *out = nullptr;
    return E_NOINTERFACE_;
}

uint32_t SnapshotRecordset::addRef()
{
    return ++m_refs;
}

uint32_t SnapshotRecordset::release()
{
    const uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HResult SnapshotRecordset::clone(IRecordsetLike **out)
{
    if (!out)
        return E_POINTER_;
    *out = new SnapshotRecordset(m_rows->Clone());
    return S_OK_;
}

HResult SnapshotRecordset::recordCount(int32_t *out)
{
    if (!out)
        return E_POINTER_;
    *out = m_rows->RecordCount();
    return S_OK_;
}

HResult SnapshotRecordset::fieldCount(int32_t *out)
{
    if (!out)
        return E_POINTER_;
    *out = m_rows->fieldCount();
    return S_OK_;
}

HResult SnapshotRecordset::fieldName(int32_t index, BStr *out)
{
    if (!out)
        return E_POINTER_;
    if (index < 0 || index >= m_rows->fieldCount())
        return runtimeError(3265);
    QString name = m_rows->fieldName(index);
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    *out = bstrFrom(name);
    return S_OK_;
}

HResult SnapshotRecordset::moveFirst()
{
    m_rows->MoveFirst();
    return S_OK_;
}

HResult SnapshotRecordset::moveNext()
{
    if (!m_rows->EOF())
        m_rows->MoveNext();
    return S_OK_;
}

HResult SnapshotRecordset::isEOF(VBool *out)
{
    if (!out)
        return E_POINTER_;
    *out = m_rows->EOF() ? VTrue : VFalse;
    return S_OK_;
}

HResult SnapshotRecordset::fieldValue(int32_t index, VariantLike *out)
{
    if (!out)
        return E_POINTER_;
    if (index < 0 || index >= m_rows->fieldCount() || m_rows->EOF() || m_rows->BOF())
        return runtimeError(3265);
    const QVariant v = m_rows->value(index);
    variantClear(out);
    if (v.isNull() || !v.isValid()) {
        out->vt = VT_NULL_;
        return S_OK_;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const qint64 n = v.toLongLong();
        if (n >= INT32_MIN && n <= INT32_MAX) {
            out->vt = VT_I4_;
            out->i4 = int32_t(n);
        } else {
            out->vt = VT_I8_;
            out->i8 = n;
        }
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        out->vt = VT_R8_;
        out->r8 = v.toDouble();
        break;
    case QMetaType::Bool:
        out->vt = VT_BOOL_;
        out->b = v.toBool() ? VTrue : VFalse;
        break;
    default:
        out->vt = VT_BSTR_;
        out->bstr = bstrFrom(v.toString());
    }
    return S_OK_;
}

HResult GridAdapter::queryInterface(const Guid &iid, void **out)
{
    if (!out)
        return E_POINTER_;
    if (iid == IID_IUnknownLike || iid == gridprint::IID_IGridLike)
        return give(out, this, static_cast<IGridLike *>(this));
    *out = nullptr;
    return E_NOINTERFACE_;
}

HResult GridAdapter::typeName(BStr *out)
{
    if (!out)
        return E_POINTER_;
    *out = bstrFrom(QStringLiteral("DataGrid"));
    return S_OK_;
}

HResult GridAdapter::columnCount(int32_t *out)
{
    if (!out)
        return E_POINTER_;
    *out = m_grid.columnCount();
    return S_OK_;
}

HResult GridAdapter::columnWidthTwips(int32_t index, float *out)
{
    if (!out)
        return E_POINTER_;
    *out = float(m_grid.columnWidthTwips(index));
    return S_OK_;
}

GridPrinterClient::~GridPrinterClient()
{
    reset();
}

void GridPrinterClient::reset()
{
    if (m_component)
        m_component->release();
    m_component = nullptr;
}

I_VeskDGPrinterL *GridPrinterClient::component()
{
    if (m_component)
        return m_component;
    void *out = nullptr;
    const HResult hr =
        createInstance(gridprint::CLSID_VeskDGPrinterL, gridprint::IID__VeskDGPrinterL, &out);
    if (hr == REGDB_E_CLASSNOTREG_)
        throw Error(describe(hr) + QStringLiteral("\n\n") + registrationHint());
    if (failed(hr))
        throw Error(describe(hr));
    m_component = static_cast<I_VeskDGPrinterL *>(out);
    return m_component;
}

void GridPrinterClient::check(HResult hr)
{
    if (succeeded(hr))
        return;
    QString description;
    auto info = queryAs<gridprint::IErrorInfoLike>(m_component, gridprint::IID_IErrorInfoLike);
    if (info) {
        int32_t number = 0;
        BStr b = nullptr;
        info->getLastError(&number, &b);
        description = takeBStr(b);
    }
    if (description.isEmpty())
        description = describe(hr);
    throw Error(description, (uint32_t(hr) & 0xFFFF0000u) == 0x800A0000u ? int(hr & 0xFFFF) : 0);
}

void GridPrinterClient::print(const ReportPrintJob &job, const Recordset &rows,
                              const DataGrid &grid)
{
    I_VeskDGPrinterL *c = component();
    check(c->put_ShowPreview(VTrue));
    check(c->put_ShowPrinterDialog(VTrue));
    check(c->put_PreviewCaption(text(job.previewCaption)));
    check(c->put_Title(VTrue));
    check(c->put_TitleText(text(job.titleText)));
    check(c->put_TitleTop(0.25f));
    check(c->put_AlignTitle(gridprint::AlignCenter_Page));
    check(c->put_TitleFontSize(12));
    check(c->put_TitleFontBold(VTrue));
    check(c->put_TitleFontItalic(VTrue));
    check(c->put_TitleFontName(u"Times New Roman"));
    check(c->put_PageNumbering(VTrue));
    check(c->put_PageNumberingText(u"Page ofTotal"));
    check(c->put_AlignPageNumbering(gridprint::AlignCenter_Page));
    check(c->put_PageNumberFontName(u"Arial"));
    check(c->put_PageNumberFontSize(11));
    check(c->put_FontName(u"Tahoma"));
    check(c->put_FontSize(10));
    check(c->put_Grid(gridprint::c_ALL));
    check(c->put_objectTop(0.75f));
    check(c->put_maxLines(55));
    check(c->put_Headers(VTrue));
    check(c->put_AlignHeaders(gridprint::c_Left));
    check(c->put_HeaderFontBold(VTrue));
    check(c->put_HeaderFontItalic(VFalse));
    for (int i = 0; i < job.columnWidths.size(); ++i) {
        int16_t index = int16_t(i + 1);
        float width = job.columnWidths[i];
        check(c->changeColumnWidths(&index, &width));
    }
    SnapshotRecordset *snapshot = SnapshotRecordset::over(rows);
    const HResult handed = c->putref_DataGridRecordset(snapshot);
    snapshot->release();
    check(handed);
    GridAdapter adapter(grid);
    IUnknownLike *g = &adapter;
    check(c->printDBGRID(&g));
}

} // namespace portiva
