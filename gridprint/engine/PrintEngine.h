#pragma once

// The print engine: lays a handed-over recordset out in pages of a grid's columns, draws a page
// on any painter (printer, preview picture, image) and prints page lists. Failures throw
// portiva::Error carrying the runtime's error number.

#include "gridprint/engine/PrintState.h"

#include <QFont>
#include <QList>
#include <functional>

class QPainter;
class QPrinter;

namespace portiva::gridprint
{

// Measures header texts for their alignment, in inches on the printer.
class TextMeasurer
{
public:
    virtual ~TextMeasurer() = default;
    virtual double widthInches(const QString &text, const QFont &font) = 0;
};

// The runtime's conversion of a value to text, made one line for a cell.
QString valueToCellText(const com::VariantLike &value);
// The system's short date of a serial day.
QString shortDateText(double serialDay);

// Sets the printer's orientation from the component's value (1 or 2, else error 380).
void applyOrientation(QPrinter &printer, int32_t orientation);

class PrintEngine
{
public:
    using MessageFn = std::function<void(const QString &)>;

    PrintEngine(SharedPrintSettings &settings, PageLayout &layout, MessageFn message,
                TextMeasurer &measurer);

    // The printable area of the printer, in inches from the paper's corner.
    void measurePrinter(QPrinter &printer);
    void setGeometry(int dpi, float left, float top, float width, float height);

    // False (a message may have been shown) when no layout was made.
    bool BuildGridPages(com::IUnknownLike *grid);
    static int32_t PageCount(int32_t n, int32_t m);
    void PlaceTable();
    // x in device pixels of a text w pixels wide, for an alignment code.
    double alignX(int32_t align, double w, double dpi) const;
    QString pageNumberText(int32_t page);
    int32_t rowsOnPage(int32_t page) const;

    // Draws one page: title, page number, grid lines, cells.
    void renderPage(QPainter &painter, int32_t page, bool printerTarget);
    void DrawTitle(QPainter &painter);
    void DrawPageNumber(QPainter &painter, int32_t page);
    void DrawGridLines(QPainter &painter);
    void DrawCells(QPainter &painter, bool printerTarget);

    // One document of the given pages, ascending; nothing at all when none is in range.
    void PrintPages(QPrinter &printer, QList<int32_t> pages);

private:
    void applyDefaults();
    bool computePages(int32_t n);
    void ReadColumnWidths(IGridLike *grid);
    void ReadColumnCaptions(int32_t line);
    void fillCells();
    void computeHeaderOffsets();
    int32_t countRows();

    SharedPrintSettings &s;
    PageLayout &L;
    MessageFn m_message;
    TextMeasurer &m_measurer;
};

} // namespace portiva::gridprint
