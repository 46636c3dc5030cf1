#include "gridprint/engine/PrintEngine.h"

#include "gridprint/engine/TextOut.h"
#include "platform/vb/Error.h"
#include "platform/vb/Vb.h"

#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

namespace portiva::gridprint
{

using com::ComPtr;
using com::VariantLike;

namespace
{

double round3(double x)
{
    return std::nearbyint(x * 1000.0) / 1000.0;
}

QString numberText(double v, int digits)
{
    QString t = QString::number(v, 'g', digits).toUpper();
    if (t.contains(u'E')) {
        // The runtime writes 1E+15 and 1E-05 with at least two exponent digits, no "+0".
        const qsizetype e = t.indexOf(u'E');
        QString mant = t.left(e), exp = t.mid(e + 1);
        const QChar sign = exp.startsWith(u'-') ? u'-' : u'+';
        exp.remove(0, (exp.startsWith(u'-') || exp.startsWith(u'+')) ? 1 : 0);
        while (exp.size() > 2 && exp.startsWith(u'0'))
            exp.remove(0, 1);
        t = mant + u'E' + sign + exp;
    }
    return t.replace(u'.', QLocale().decimalPoint());
}

} // namespace

QString shortDateText(double serialDay)
{
    return portiva::vb::shortDateText(QDate(1899, 12, 30).addDays(qint64(std::floor(serialDay))));
}

QString valueToCellText(const VariantLike &v)
{
    QString t;
    switch (v.vt) {
    case com::VT_BSTR_:
        t = v.bstr ? QString::fromUtf16(v.bstr, com::bstrLen(v.bstr)) : QString();
        break;
    case com::VT_I2_:
        t = QString::number(v.i2);
        break;
    case com::VT_I4_:
        t = QString::number(v.i4);
        break;
    case com::VT_I8_:
        t = QString::number(v.i8);
        break;
    case com::VT_R4_:
        t = numberText(v.r4, 7);
        break;
    case com::VT_R8_:
        t = numberText(v.r8, 15);
        break;
    case com::VT_DATE_:
        t = shortDateText(v.date);
        break;
    case com::VT_BOOL_:
        t = v.b ? QStringLiteral("True") : QStringLiteral("False");
        break;
    default: // Empty and Null print as empty cells
        break;
    }
    // A cell is one line: the text call the layout was made for drew line breaks as blanks.
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    return t;
}

void applyOrientation(QPrinter &printer, int32_t orientation)
{
    if (orientation != Portrait && orientation != Landscape)
        vb::raise(vb::InvalidPropertyValue);
    if (!printer.setPageOrientation(orientation == Portrait ? QPageLayout::Portrait
                                                            : QPageLayout::Landscape))
        vb::raise(vb::InvalidPropertyValue);
}

PrintEngine::PrintEngine(SharedPrintSettings &settings, PageLayout &layout, MessageFn message,
                         TextMeasurer &measurer)
    : s(settings), L(layout), m_message(std::move(message)), m_measurer(measurer)
{
}

void PrintEngine::measurePrinter(QPrinter &printer)
{
    const int res = printer.resolution();
    const QRect r = printer.pageLayout().paintRectPixels(res);
    setGeometry(res, float(double(r.left()) / res), float(double(r.top()) / res),
                float(double(r.width()) / res), float(double(r.height()) / res));
}

void PrintEngine::setGeometry(int dpi, float left, float top, float width, float height)
{
    L.lpx = L.lpy = dpi;
    L.printableLeft = left;
    L.printableTop = top;
    L.printableWidth = width;
    L.printableHeight = height;
}

int32_t PrintEngine::PageCount(int32_t n, int32_t m)
{
    if (m == 0)
        return 1;
    return n / m + (n % m ? 1 : 0);
}

int32_t PrintEngine::countRows()
{
    int32_t n = 0;
    VBool eof = com::VFalse;
    s.recordset->moveFirst();
    while (com::succeeded(s.recordset->isEOF(&eof)) && !eof) {
        ++n;
        s.recordset->moveNext();
    }
    s.recordset->moveFirst();
    return n;
}

bool PrintEngine::BuildGridPages(com::IUnknownLike *grid)
{
    if (L.layoutHeld)
        return false;
    ComPtr<IGridLike> g = com::queryAs<IGridLike>(grid, IID_IGridLike);
    QString type;
    if (g) {
        BStr b = nullptr;
        if (com::succeeded(g->typeName(&b)))
            type = com::takeBStr(b);
    }
    if (type != QLatin1String("DataGrid")) {
        m_message(QStringLiteral("The object must be a DataGrid."));
        return false;
    }
    int32_t n = s.recordset ? s.rowCount : 0;
    if (n < 0)
        n = countRows();
    if (n == 0) {
        m_message(QStringLiteral("The recordset is empty or the .dbgridRecordset property has "
                                 "not been set."));
        return false;
    }
    if (!computePages(n))
        return false;
    applyDefaults();

    int32_t columns = 0;
    g->columnCount(&columns);
    L.columnCount = std::max(0, columns);
    const size_t c = size_t(L.columnCount);
    L.columnWidths.assign(c, 0.f);
    L.columnX.assign(c, 0.f);
    L.headerOffset.assign(c, 0.f);
    L.headerTexts.assign(c, QString());
    L.cells.assign(size_t(L.lineCount) * c, GridCell());
    L.rowY.assign(size_t(L.lineCount), 0.f);
    if (L.pages == 1)
        s.maxLines = L.lineCount;

    ReadColumnWidths(g.get());
    fillCells();
    computeHeaderOffsets();

    L.tableWidth = 0;
    for (float w : L.columnWidths)
        L.tableWidth += w;
    PlaceTable();
    for (size_t f = 0; f < c; ++f)
        L.columnX[f] = f == 0 ? L.tableLeft : L.columnX[f - 1] + L.columnWidths[f - 1];

    if (s.maxLines == 0 || s.maxLines > L.lineCount)
        s.maxLines = L.lineCount;
    for (int32_t k = 0; k < s.maxLines; ++k)
        L.rowY[size_t(k)] = k == 0 ? L.tableTop : L.rowY[size_t(k - 1)] + L.rowHeight;
    L.layoutHeld = true;
    return true;
}

// Lines per page that leave no room for a record would make the page count endless.
bool PrintEngine::computePages(int32_t n)
{
    const int32_t m = s.maxLines;
    const bool headers = s.Headers != 0;
    if (m < 0 || (m == 1 && headers)) {
        m_message(QStringLiteral("The maxLines property (") + QString::number(m) +
                  QStringLiteral(") leaves no room for a record on a page."));
        return false;
    }
    if (!headers) {
        L.pages = PageCount(n, m);
        L.lineCount = n;
    } else {
        L.pages = m == 0 ? 1 : std::max<int32_t>(1, PageCount(n, m - 1));
        L.lineCount = n + L.pages;
    }
    return true;
}

void PrintEngine::applyDefaults()
{
    if (s.objectLeft == 0)
        s.centerObjectHorizontal = com::VTrue;
    if (s.WordPAGE.isEmpty())
        s.WordPAGE = QStringLiteral("Page");
    if (s.WordOF.isEmpty())
        s.WordOF = QStringLiteral("of");
    if (s.cellTop == 0)
        s.cellTop = 0.02f;
    if (s.cellLeft == 0)
        s.cellLeft = 0.05f;
    if (s.lineHeight != 0)
        L.rowHeight = s.lineHeight;
    else
        L.rowHeight = s.lineHeight = float((s.FontSize / 72.0 + s.cellTop) * 1.1);
}

void PrintEngine::ReadColumnWidths(IGridLike *grid)
{
    s.columnWidthList.resize(size_t(L.columnCount), 0.f);
    for (int32_t i = 0; i < L.columnCount; ++i) {
        float w = s.columnWidthList[size_t(i)];
        if (w == 0) {
            float twips = 0;
            grid->columnWidthTwips(i, &twips);
            w = twips / 1440.f;
        }
        L.columnWidths[size_t(i)] = w;
    }
}

void PrintEngine::ReadColumnCaptions(int32_t line)
{
    for (int32_t f = 1; f <= L.columnCount; ++f) {
        BStr b = nullptr;
        if (f > s.fieldCount || com::failed(s.recordset->fieldName(f - 1, &b)))
            vb::raise(vb::ItemNotFound);
        const QString name = com::takeBStr(b);
        L.cell(line, f) = GridCell{name, true};
        L.headerTexts[size_t(f - 1)] = name;
    }
}

void PrintEngine::fillCells()
{
    IRecordsetLike *rs = s.recordset.get();
    const bool headers = s.Headers != 0;
    auto eof = [rs] {
        VBool e = com::VTrue;
        return com::failed(rs->isEOF(&e)) || e != 0;
    };
    auto fillLine = [&](int32_t r) {
        if (s.fieldCount > L.columnCount || r > L.lineCount)
            vb::raise(vb::SubscriptOutOfRange);
        for (int32_t f = 1; f <= s.fieldCount; ++f) {
            VariantLike v;
            const HResult hr = rs->fieldValue(f - 1, &v);
            if (com::failed(hr))
                vb::raise(vb::ItemNotFound);
            L.cell(r, f).text = valueToCellText(v);
            com::variantClear(&v);
        }
    };
    rs->moveFirst();
    int32_t r = 1;
    while (!eof()) {
        if (headers && (r == 1 || (r - 1) % s.maxLines == 0)) {
            ReadColumnCaptions(r);
            ++r;
        }
        fillLine(r);
        ++r;
        if (headers && r > L.lineCount)
            break;
        rs->moveNext();
    }
    rs->moveFirst();
}

void PrintEngine::computeHeaderOffsets()
{
    const QFont font =
        textOutFont::makeFont(s.FontName, s.FontSize, s.HeaderFontBold, s.HeaderFontItalic);
    for (int32_t f = 1; f <= L.columnCount; ++f) {
        const double cw = L.width(f);
        float &offset = L.headerOffset[size_t(f - 1)];
        switch (s.AlignHeaders) {
        case c_Right: {
            const double tw = m_measurer.widthInches(L.headerTexts[size_t(f - 1)], font);
            offset = float(round3(round3(cw) - round3(tw)) - 0.02);
            break;
        }
        case c_Center: {
            const double tw = m_measurer.widthInches(L.headerTexts[size_t(f - 1)], font);
            offset = float(round3(round3(cw / 2) - round3(tw / 2)));
            break;
        }
        case 0:
        case c_Left:
            offset = s.cellLeft;
            break;
        default:
            offset = 0;
        }
    }
}

void PrintEngine::PlaceTable()
{
    if (s.centerObjectHorizontal != 0) {
        L.tableLeft = L.printableWidth / 2 - L.tableWidth / 2;
        s.objectLeft = L.tableLeft;
    } else {
        L.tableLeft = std::max(0.f, s.objectLeft);
    }
    L.tableTop = std::max(0.f, s.objectTop);
}

double PrintEngine::alignX(int32_t align, double w, double dpi) const
{
    switch (align) {
    case AlignLeft_Page:
        return L.printableLeft * dpi;
    case AlignCenter_Page:
        return L.printableWidth * dpi / 2 - w / 2;
    case AlignRight_Page:
        return L.printableWidth * dpi - w;
    case AlignLeft_Object:
        return L.tableLeft * dpi;
    case AlignCenter_Object:
        return (L.tableLeft + L.tableWidth / 2.0) * dpi - w / 2;
    case AlignRight_Object:
        return (L.tableLeft + L.tableWidth) * dpi - w;
    default:
        return 0;
    }
}

QString PrintEngine::pageNumberText(int32_t page)
{
    if (s.PageNumberingText.isEmpty())
        s.PageNumberingText = QStringLiteral("Page ");
    static const QString marker = QStringLiteral("ofTotal");
    if (!s.PageNumberingText.contains(marker))
        return s.PageNumberingText + QString::number(page);
    return QString(s.PageNumberingText).remove(marker) + QString::number(page) + u' ' + s.WordOF +
           u' ' + QString::number(L.pages);
}

int32_t PrintEngine::rowsOnPage(int32_t page) const
{
    const int64_t m = s.maxLines;
    if (L.lineCount >= m * page)
        return int32_t(m);
    return int32_t(std::max<int64_t>(0, L.lineCount - m * (page - 1)));
}

void PrintEngine::renderPage(QPainter &painter, int32_t page, bool printerTarget)
{
    L.currentPage = page;
    if (s.Title == -1)
        DrawTitle(painter);
    if (s.PageNumbering != 0)
        DrawPageNumber(painter, page);
    if (s.Grid != 0)
        DrawGridLines(painter);
    DrawCells(painter, printerTarget);
}

void PrintEngine::DrawTitle(QPainter &painter)
{
    float w = 0, h = 0;
    QPaintDevice *dev = painter.device();
    textOutFont::cGetTextSize(dev, s.TitleText, w, h, s.TitleFontName, float(s.TitleFontSize),
                              s.TitleFontBold, s.TitleFontItalic);
    const double x = alignX(s.AlignTitle, w, dev->logicalDpiX());
    const double y = double(s.TitleTop) * dev->logicalDpiY();
    textOutFont::cTextOut(painter, s.TitleText, float(x), float(y), s.TitleFontName,
                          float(s.TitleFontSize), s.TitleFontBold, s.TitleFontItalic, 0, 0, 0, 0,
                          0);
}

void PrintEngine::DrawPageNumber(QPainter &painter, int32_t page)
{
    const QString text = pageNumberText(page);
    if (s.AlignPageNumbering == 0)
        s.AlignPageNumbering = AlignLeft_Page;
    float w = 0, h = 0;
    QPaintDevice *dev = painter.device();
    textOutFont::cGetTextSize(dev, text, w, h, s.PageNumberFontName, float(s.PageNumberFontSize),
                              s.PageNumberFontBold, s.PageNumberFontItalic);
    const double x = alignX(s.AlignPageNumbering, w, dev->logicalDpiX());
    const double y = double(L.printableHeight) * dev->logicalDpiY() - h;
    textOutFont::cTextOut(painter, text, float(x), float(y), s.PageNumberFontName,
                          float(s.PageNumberFontSize), s.PageNumberFontBold, s.PageNumberFontItalic,
                          0, 0, 0, 0, 0);
}

void PrintEngine::DrawGridLines(QPainter &painter)
{
    const double dpi = painter.device()->logicalDpiX();
    const int32_t rows = rowsOnPage(L.currentPage);
    const double top = L.tableTop, left = L.tableLeft, h = L.rowHeight;
    const double bottom = top + h * rows;
    auto px = [dpi](double inches) { return int(std::nearbyint(inches * dpi)); };
    painter.save();
    painter.setPen(QPen(Qt::black, 0));
    auto line = [&](double x1, double y1, double x2, double y2) {
        painter.drawLine(QLine(px(x1), px(y1), px(x2), px(y2)));
    };
    if (s.Grid != c_Horizontal) {
        double x = left;
        line(x, top, x, bottom);
        for (int32_t i = 1; i <= L.columnCount; ++i) {
            x += L.width(i);
            line(x, top, x, bottom);
        }
    }
    if (s.Grid != c_Vertical) {
        for (int32_t j = 0; j <= rows; ++j)
            line(left, top + h * j, left + L.tableWidth, top + h * j);
    }
    painter.restore();
}

void PrintEngine::DrawCells(QPainter &painter, bool printerTarget)
{
    const double dpi = painter.device()->logicalDpiX();
    const double e = printerTarget ? std::nearbyint(0.96 * dpi) : 0.96 * dpi;
    const int32_t rows = rowsOnPage(L.currentPage);
    const int64_t first = 1 + int64_t(L.currentPage - 1) * s.maxLines;
    for (int32_t k = 1; k <= rows; ++k) {
        const int64_t line = first + k - 1;
        if (line > L.lineCount)
            break;
        const float y = L.rowY[size_t(k - 1)] + s.cellTop;
        for (int32_t f = 1; f <= L.columnCount; ++f) {
            const GridCell &cell = L.cell(int(line), f);
            const bool header = cell.isHeader;
            const float x = L.x(f) + (header ? L.headerOffset[size_t(f - 1)] : s.cellLeft);
            textOutFont::cTextOut(painter, cell.text, x, y, s.FontName, s.FontSize,
                                  header ? s.HeaderFontBold : s.FontBold,
                                  header ? s.HeaderFontItalic : s.FontItalic, 0, 0, 5, -1,
                                  float(L.width(f) * e));
        }
    }
}

void PrintEngine::PrintPages(QPrinter &printer, QList<int32_t> pages)
{
    pages.erase(std::remove_if(pages.begin(), pages.end(),
                               [this](int32_t p) { return p < 1 || p > L.pages; }),
                pages.end());
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    if (pages.isEmpty())
        return; // a job without pages would still come out as one blank sheet
    applyOrientation(printer, s.Orientation);
    printer.setDocName(QStringLiteral("Voduraduziv"));
    QPainter painter;
    if (!painter.begin(&printer))
        vb::raise(vb::PrinterError);
    L.drawTarget = 2;
    auto fail = [&] {
        printer.abort();
        painter.end();
        L.drawTarget = 1;
    };
    try {
        bool firstPage = true;
        for (int32_t p : pages) {
            if (!firstPage && !printer.newPage())
                vb::raise(vb::PrinterError);
            firstPage = false;
            renderPage(painter, p, true);
        }
    } catch (...) {
        fail();
        throw;
    }
    const bool ended = painter.end();
    L.drawTarget = 1;
    if (!ended)
        vb::raise(vb::PrinterError);
}

} // namespace portiva::gridprint
