#pragma once

#include <QDialog>
#include <QPicture>
#include <functional>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;
class QScrollBar;

namespace portiva::gridprint
{

class PrintEngine;
class PrintDialogProvider;
struct PageLayout;
struct SharedPrintSettings;

// The paper the page is played onto, at the zoom of the window.
class PreviewPaper : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewPaper(QWidget *parent = nullptr);
    void setPage(const QPicture &picture, double zoom);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPicture m_picture;
    double m_zoom = 1.0;
};

// The modal preview of the current layout, one page at a time.
class frmPREVIEW : public QDialog
{
    Q_OBJECT
public:
    struct Services {
        PrintEngine &engine;
        SharedPrintSettings &settings;
        PageLayout &layout;
        QPrinter &printer;
        PrintDialogProvider &dialog;
        std::function<void(const QString &)> message;
    };

    explicit frmPREVIEW(const Services &services);
    ~frmPREVIEW() override;

    double FacteurZoom() const { return m_zoom; }
    void updatePage();
    void RenderPreviewPage(int page);

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void startSizeForm();
    void arrangeBand();
    void readZoom();
    void updateLabel();
    void onPageChanged(int page);
    void onZoomChanged();
    void onPrint();

    Services m;
    double m_zoom = 1.0;
    QScrollBar *HSC1;
    QLabel *Label2;
    QComboBox *Combo1;
    QPushButton *Command9;
    QScrollArea *picContainer;
    PreviewPaper *picPreview;
};

} // namespace portiva::gridprint
