#include "gridprint/engine/TextOut.h"

#include "platform/faces/Faces.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace portiva::gridprint
{

namespace
{

// Whole numbers from sizes and positions round half to even, as the original runtime did.
int roundEven(double v)
{
    return int(std::nearbyint(v));
}

// Never cuts between the halves of a surrogate pair.
qsizetype safeCut(const QString &s, qsizetype n)
{
    if (n > 0 && n < s.size() && s.at(n - 1).isHighSurrogate() && s.at(n).isLowSurrogate())
        return n - 1;
    return n;
}

} // namespace

void textOutFont::ensureFaces()
{
    // The callers' column widths were chosen for the original's faces; a wider stand-in for
    // "Tahoma" would cut their numbers and dates with "...".
    static const bool found = [] {
        const bool ok = ensureMetricFaces();
        if (!ok)
            qWarning("Tabulon: no face with Tahoma's metrics (fonts-wine) was found; texts may "
                     "not fit their columns");
        return ok;
    }();
    Q_UNUSED(found);
}

QFont textOutFont::makeFont(const QString &face, float size, int bold, int italic, int underline,
                            int strike)
{
    ensureFaces();
    QFont f(face.isEmpty() ? QApplication::font().family() : face);
    int n = roundEven(size);
    if (n <= 0)
        n = QApplication::font().pointSize() > 0 ? QApplication::font().pointSize() : 10;
    f.setPointSize(n);
    f.setWeight(bold == -1 ? QFont::Bold : QFont::Normal);
    f.setItalic(italic == -1);
    f.setUnderline(underline == -1);
    f.setStrikeOut(strike == -1);
    return f;
}

QString textOutFont::shortenToWidth(const QString &text, const QFontMetricsF &metrics, double width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    static const QString dots = QStringLiteral("...");
    qsizetype lo = 0, hi = text.size(); // the answer lies in [lo, hi]
    if (metrics.horizontalAdvance(dots) <= width) {
        while (lo < hi) {
            const qsizetype mid = (lo + hi + 1) / 2;
            if (metrics.horizontalAdvance(text.left(safeCut(text, mid)) + dots) <= width)
                lo = mid;
            else
                hi = mid - 1;
        }
        return text.left(safeCut(text, lo)) + dots;
    }
    QString part = dots;
    while (!part.isEmpty() && metrics.horizontalAdvance(part) > width)
        part.chop(1);
    return part;
}

void textOutFont::cTextOut(QPainter &painter, const QString &text, float x, float y,
                           const QString &face, float size, int bold, int italic, int underline,
                           int strike, int units, int ellipsis, float ellipsisWidth)
{
    QPaintDevice *dev = painter.device();
    const double dpiX = dev->logicalDpiX();
    const double dpiY = dev->logicalDpiY();
    int px = 0, py = 0;
    switch (units) {
    case 0:
    case 3:
        px = roundEven(x);
        py = roundEven(y);
        break;
    case 1:
        px = roundEven(x / 1440.0 * dpiX);
        py = roundEven(y / 1440.0 * dpiY);
        break;
    case 5:
        px = roundEven(double(x) * dpiX);
        py = roundEven(double(y) * dpiY);
        break;
    default:
        break;
    }
    if (ellipsis != 0 && ellipsis != -1)
        return;
    const QFont font = makeFont(face, size, bold, italic, underline, strike);
    const QFontMetricsF metrics(font, dev);
    const QString shown =
        ellipsis == -1 ? shortenToWidth(text, metrics, roundEven(ellipsisWidth)) : text;
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(QPointF(px, py + metrics.ascent()), shown);
    painter.restore();
}

void textOutFont::cGetTextSize(QPaintDevice *device, const QString &text, float &width,
                               float &height, const QString &face, float size, int bold, int italic)
{
    const QFontMetricsF metrics(makeFont(face, size, bold, italic), device);
    width = float(metrics.horizontalAdvance(text));
    height = float(metrics.height());
}

} // namespace portiva::gridprint
