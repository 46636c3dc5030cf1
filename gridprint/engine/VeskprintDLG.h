#pragma once

#include <QList>
#include <memory>

class QPrinter;
class QWidget;

namespace portiva::gridprint
{

// What the user chose in the printer dialog.
struct PrintChoice {
    enum Range { All, FromTo, Pages } range = All;
    int from = 0, to = 0;
    QList<int> pages; // for Pages
};

// Shows the printer dialog on the printer in place, or answers it by script.
class PrintDialogProvider
{
public:
    virtual ~PrintDialogProvider() = default;
    // False when cancelled. On acceptance the printer carries the chosen settings.
    virtual bool exec(QPrinter &printer, QWidget *owner, int minPage, int maxPage,
                      PrintChoice &choice) = 0;
};

// The real QPrintDialog.
class QtPrintDialogProvider : public PrintDialogProvider
{
public:
    bool exec(QPrinter &printer, QWidget *owner, int minPage, int maxPage,
              PrintChoice &choice) override;
};

// The printer dialog of the print flow and the preview's print button.
class VeskprintDLG
{
public:
    explicit VeskprintDLG(PrintDialogProvider &provider) : m_provider(provider) {}

    // True when confirmed: pages gets the chosen pages within min..max, ascending, copies the
    // printer's copy count. Cancelled: the printer is as it was, pages and copies unwritten.
    bool retShowPrinterVals(QPrinter &printer, QWidget *owner, int cMinPage, int cMaxPage,
                            QList<int> &pages, int &cCopies);

private:
    PrintDialogProvider &m_provider;
};

} // namespace portiva::gridprint
