#include "gridprint/engine/VeskprintDLG.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

namespace portiva::gridprint
{

namespace
{

// What cancelling the dialog must give back to the printer.
struct PrinterSnapshot {
    QString name, file;
    QPrinter::OutputFormat format;
    QPageLayout layout;
    int copies;
    QPrinter::DuplexMode duplex;
    QPrinter::ColorMode color;
    QPrinter::PaperSource source;

    explicit PrinterSnapshot(const QPrinter &p)
        : name(p.printerName()), file(p.outputFileName()), format(p.outputFormat()),
          layout(p.pageLayout()), copies(p.copyCount()), duplex(p.duplex()), color(p.colorMode()),
          source(p.paperSource())
    {
    }
    void restore(QPrinter &p) const
    {
        p.setOutputFormat(format);
        if (format == QPrinter::NativeFormat)
            p.setPrinterName(name);
        p.setOutputFileName(file);
        p.setPageLayout(layout);
        p.setCopyCount(copies);
        p.setDuplex(duplex);
        p.setColorMode(color);
        p.setPaperSource(source);
    }
};

} // namespace

bool QtPrintDialogProvider::exec(QPrinter &printer, QWidget *owner, int minPage, int maxPage,
                                 PrintChoice &choice)
{
    QPrintDialog dlg(&printer, owner);
    dlg.setMinMax(minPage, maxPage);
    dlg.setFromTo(minPage, maxPage);
    // Without any installed printer the file is the only destination there is.
    const bool noPrinters = QPrinterInfo::availablePrinterNames().isEmpty();
    dlg.setOption(QAbstractPrintDialog::PrintToFile, noPrinters);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    switch (dlg.printRange()) {
    case QAbstractPrintDialog::PageRange:
        choice.range = PrintChoice::FromTo;
        choice.from = dlg.fromPage();
        choice.to = dlg.toPage();
        break;
    default:
        choice.range = PrintChoice::All;
        break;
    }
    const QList<QPageRanges::Range> ranges = printer.pageRanges().toRangeList();
    if (!ranges.isEmpty() && dlg.printRange() == QAbstractPrintDialog::PageRange) {
        choice.range = PrintChoice::Pages;
        // The field takes any numbers ("1-2000000000"); only pages that exist are listed.
        for (const auto &r : ranges)
            for (int p = std::max(r.from, minPage); p <= std::min(r.to, maxPage); ++p)
                choice.pages << p;
    }
    return true;
}

bool VeskprintDLG::retShowPrinterVals(QPrinter &printer, QWidget *owner, int cMinPage, int cMaxPage,
                                      QList<int> &pages, int &cCopies)
{
    const PrinterSnapshot before(printer);
    PrintChoice choice;
    if (!m_provider.exec(printer, owner, cMinPage, cMaxPage, choice)) {
        before.restore(printer);
        return false;
    }
    QList<int> chosen;
    switch (choice.range) {
    case PrintChoice::All:
        for (int p = cMinPage; p <= cMaxPage; ++p)
            chosen << p;
        break;
    case PrintChoice::FromTo:
        for (int p = std::max(choice.from, cMinPage); p <= std::min(choice.to, cMaxPage); ++p)
            chosen << p;
        break;
    case PrintChoice::Pages:
        for (int p : choice.pages)
            if (p >= cMinPage && p <= cMaxPage)
                chosen << p;
        break;
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    pages = chosen;
    cCopies = printer.copyCount();
    return true;
}

} // namespace portiva::gridprint
