#include "gridprint/engine/frmPREVIEW.h"

#include "gridprint/engine/PrintEngine.h"
#include "gridprint/engine/TextOut.h"
#include "gridprint/engine/VeskprintDLG.h"
#include "platform/faces/Faces.h"
#include "platform/vb/Error.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <cmath>

namespace portiva::gridprint
{

namespace
{

constexpr int kBand = 32; // 480 twips at 96 dpi

// A small printer drawn once: the print button's picture.
QIcon printerIcon()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(6, 2, 12, 7);
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(2, 9, 20, 9);
    p.setBrush(Qt::white);
    p.drawRect(6, 15, 12, 7);
    return QIcon(pm);
}

} // namespace

PreviewPaper::PreviewPaper(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picPreview"));
}

void PreviewPaper::setPage(const QPicture &picture, double zoom)
{
    m_picture = picture;
    m_zoom = zoom;
    update();
}

void PreviewPaper::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    // A picture records only the state changes made on it, so it plays over the state of the
    // painter it is played on. It was recorded on a painter that started with a fresh device's
    // pen, brush and font, as a printer page does; a widget's painter starts from the palette
    // instead (light text over the viewport's dark background role), and a text drawn in the
    // unchanged black pen would come out white on the paper.
    p.setPen(QPen());
    p.setBrush(QBrush());
    p.setFont(QFont());
    p.setBackground(QBrush());
    p.setBackgroundMode(Qt::TransparentMode);
    p.scale(m_zoom, m_zoom);
    p.drawPicture(0, 0, m_picture);
}

frmPREVIEW::frmPREVIEW(const Services &services) : QDialog(nullptr), m(services)
{
    setObjectName(QStringLiteral("frmPREVIEW"));
    textOutFont::ensureFaces();
    setFont(dialogFont());
    HSC1 = new QScrollBar(Qt::Horizontal, this);
    HSC1->setObjectName(QStringLiteral("HSC1"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(false); // a typed zoom could only give a zero-size page
    Combo1->addItems({QStringLiteral("100 %"), QStringLiteral("75 %"), QStringLiteral("50 %")});
    Command9 = new QPushButton(this);
    Command9->setObjectName(QStringLiteral("Command9"));
    Command9->setIcon(printerIcon());
    Command9->setFixedSize(48, kBand - 4);
    picContainer = new QScrollArea(this);
    picContainer->setObjectName(QStringLiteral("picContainer"));
    picContainer->horizontalScrollBar()->setObjectName(QStringLiteral("HScroll1"));
    picContainer->verticalScrollBar()->setObjectName(QStringLiteral("VScroll1"));
    picContainer->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    picContainer->setBackgroundRole(QPalette::Dark);
    picPreview = new PreviewPaper;
    picContainer->setWidget(picPreview);

    if (m.settings.WordPAGE.isEmpty())
        m.settings.WordPAGE = QStringLiteral("Page");
    if (m.settings.WordOF.isEmpty())
        m.settings.WordOF = QStringLiteral("of");
    if (!m.settings.PreviewICONpath.isEmpty())
        setWindowIcon(QIcon(m.settings.PreviewICONpath));
    setWindowTitle(m.settings.PreviewCaption);

    // Paper in inches, portrait; a size outside the table takes the printer's own page.
    double w = 0, h = 0;
    switch (m.settings.PaperSize) {
    case Letter:
        w = 8.5, h = 11;
        break;
    case Legal:
        w = 8.5, h = 14;
        break;
    case A3:
        w = 11.69289, h = 16.5354;
        break;
    case A4:
        w = 8.2677, h = 11.69289;
        break;
    default: {
        const int res = m.printer.resolution();
        const QRect full = m.printer.pageLayout().fullRectPixels(res);
        w = double(full.width()) / res, h = double(full.height()) / res;
        if (m.printer.pageLayout().orientation() == QPageLayout::Landscape)
            std::swap(w, h);
    }
    }
    if (m.settings.Orientation == Landscape)
        std::swap(w, h);
    m.layout.paperWidth = float(w);
    m.layout.paperHeight = float(h);

    HSC1->setRange(1, std::max(1, m.layout.pages));
    HSC1->setValue(1);
    updateLabel();
    m.layout.drawTarget = 1;

    connect(HSC1, &QScrollBar::valueChanged, this, &frmPREVIEW::onPageChanged);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &frmPREVIEW::onZoomChanged);
    connect(Command9, &QPushButton::clicked, this, &frmPREVIEW::onPrint);

    startSizeForm();
    readZoom();
    updatePage();
    RenderPreviewPage(1);
}

frmPREVIEW::~frmPREVIEW()
{
    m.layout.layoutHeld = false;
}

void frmPREVIEW::done(int result)
{
    m.layout.layoutHeld = false;
    QDialog::done(result);
}

void frmPREVIEW::startSizeForm()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

void frmPREVIEW::readZoom()
{
    static const QRegularExpression leading(QStringLiteral("^\\s*(\\d+)"));
    const auto match = leading.match(Combo1->currentText());
    const double z = match.hasMatch() ? match.captured(1).toDouble() / 100.0 : 1.0;
    m_zoom = z > 0 ? z : 1.0;
}

void frmPREVIEW::updateLabel()
{
    Label2->setText(m.settings.WordPAGE + u' ' + QString::number(HSC1->value()) + u' ' +
                    m.settings.WordOF + u' ' + QString::number(m.layout.pages));
}

void frmPREVIEW::arrangeBand()
{
    const int y = 2;
    HSC1->setGeometry(4, y + 6, 160, 16);
    Label2->setGeometry(172, y, 160, kBand - 4);
    Combo1->adjustSize();
    Combo1->move(width() / 2 - Combo1->width() / 2, y);
    Command9->move(width() - 2 * Command9->width(), y);
    picContainer->setGeometry(0, kBand, width(), std::max(0, height() - kBand));
}

void frmPREVIEW::updatePage()
{
    readZoom();
    if (isMinimized())
        return;
    const double dpiX = logicalDpiX(), dpiY = logicalDpiY();
    picPreview->setFixedSize(int(std::nearbyint(m.layout.paperWidth * m_zoom * dpiX)),
                             int(std::nearbyint(m.layout.paperHeight * m_zoom * dpiY)));
    arrangeBand();
}

void frmPREVIEW::RenderPreviewPage(int page)
{
    QPicture picture;
    QPainter p(&picture);
    const double dpiX = picture.logicalDpiX(), dpiY = picture.logicalDpiY();
    // The page lies on the paper where it will print: the origin is the printable corner.
    p.translate(m.layout.printableLeft * dpiX, m.layout.printableTop * dpiY);
    m.engine.renderPage(p, page, false);
    p.end();
    picPreview->setPage(picture, m_zoom);
}

void frmPREVIEW::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (!isMinimized())
        arrangeBand();
}

void frmPREVIEW::onPageChanged(int page)
{
    updateLabel();
    readZoom();
    RenderPreviewPage(page);
}

void frmPREVIEW::onZoomChanged()
{
    updatePage();
    RenderPreviewPage(HSC1->value());
}

void frmPREVIEW::onPrint()
{
    m.layout.pageFrom = 1;
    m.layout.pageTo = HSC1->maximum();
    m.layout.copies = 1;
    QList<int> pages;
    int copies = 1;
    VeskprintDLG dlg(m.dialog);
    if (dlg.retShowPrinterVals(m.printer, this, 1, HSC1->maximum(), pages, copies)) {
        try {
            m.engine.PrintPages(m.printer, pages);
        } catch (const Error &e) {
            // No caller to hand the failure to: the window says it and stays open.
            m.message(QString::number(e.number()) + QStringLiteral(": ") + e.description());
        }
    }
    m.layout.pageFrom = 1;
    m.layout.pageTo = HSC1->maximum();
    m.layout.copies = 1;
    RenderPreviewPage(HSC1->value());
}

} // namespace portiva::gridprint
