#pragma once

// The library's module-wide state: the shared settings and layout of the GUI thread (Qt widgets
// live only there, so the one thread that may call holds the one set), the current printer, and
// what the test hooks switch on.

#include "gridprint/engine/PrintEngine.h"
#include "gridprint/engine/VeskprintDLG.h"

#include <QPointer>
#include <QStringList>
#include <atomic>
#include <memory>

class QPrinter;

namespace portiva::gridprint
{

class frmPREVIEW;

// A dialog answered by the test hooks instead of a person.
class ScriptedPrintDialog : public PrintDialogProvider
{
public:
    bool accept = true;
    int from = 0, to = 0; // from 0: all pages
    bool exec(QPrinter &printer, QWidget *owner, int minPage, int maxPage,
              PrintChoice &choice) override;
};

// Header widths measured in their drawing font on the current printer.
class PrinterMeasurer : public TextMeasurer
{
public:
    double widthInches(const QString &text, const QFont &font) override;
};

struct ModuleState {
    SharedPrintSettings settings;
    PageLayout layout;
    std::unique_ptr<QPrinter> printerObject;
    QPointer<frmPREVIEW> preview;

    bool captureMessages = false;
    QStringList capturedMessages;
    bool simulatePaperRefusal = false;
    bool scriptedDialog = false;
    ScriptedPrintDialog scripted;
    QtPrintDialogProvider realDialog;
    PrinterMeasurer measurer;

    // Made at first use: the default printer, or a PDF printer without a file when none exists.
    QPrinter &printer();
    PrintDialogProvider &dialog();
    // The component's own message box (OK, no icon, title "Tabulon"), or captured for tests.
    void showMessage(const QString &text);
    PrintEngine engine();
};

ModuleState &moduleState();

extern std::atomic<int> g_objects;
extern std::atomic<int> g_locks;

} // namespace portiva::gridprint
