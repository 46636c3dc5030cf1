#pragma once

#include <QFont>
#include <QString>

class QFontMetricsF;
class QPaintDevice;
class QPainter;

namespace portiva::gridprint
{

// Draws and measures one text in a font given by name, size and style flags (-1 is on), the way
// every cell, header, title and page number of a page is drawn.
class textOutFont
{
public:
    // (x, y) is the text's top-left corner: units 0 or 3 device pixels, 1 twips, 5 inches.
    // ellipsis -1 shortens the text to ellipsisWidth device pixels; 0 draws it whole.
    static void cTextOut(QPainter &painter, const QString &text, float x, float y,
                         const QString &face, float size, int bold, int italic, int underline,
                         int strike, int units, int ellipsis, float ellipsisWidth);
    // Width and height (ascent + descent) in device pixels.
    static void cGetTextSize(QPaintDevice *device, const QString &text, float &width, float &height,
                             const QString &face, float size, int bold, int italic);

    // Adds the faces with the original's metrics where the system lacks them; once per process.
    static void ensureFaces();
    static QFont makeFont(const QString &face, float size, int bold, int italic, int underline = 0,
                          int strike = 0);
    // The longest whole-character prefix that fits with "..." after it; "..." itself cut to
    // what fits when even that is too wide.
    static QString shortenToWidth(const QString &text, const QFontMetricsF &metrics, double width);
};

} // namespace portiva::gridprint
