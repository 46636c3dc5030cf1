// Copied into an installed bin folder by the install test and run there as a user who has
// registered nothing: creates the grid printer the way the report windows do, and prints a
// small table into the PDF file given as the argument.
//   exit 0: printed; 2: bad use; 3: the printer could not be created (the reason on stderr);
//   4: the print failed.

#include "helper_gridprint.h"
#include "platform/com/ComRegistry.h"
#include "platform/vb/Error.h"
#include "records/GridPrinterClient.h"

#include <QApplication>
#include <cstdio>

using namespace portiva;
using namespace portiva::gridprint;
using namespace portiva::gridprint::test;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    GridPrinterClient client;
    I_VeskDGPrinterL *printer = nullptr;
    try {
        printer = client.component();
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 3;
    }
    std::printf("%s\n", qPrintable(com::inprocServerFor(CLSID_VeskDGPrinterL)));
    hooksOf(printer)->captureMessages(com::VTrue);
    const QString pdf = QString::fromLocal8Bit(argv[1]);
    hooksOf(printer)->usePdfOutput(reinterpret_cast<const char16_t *>(pdf.utf16()), 600, -1);
    printer->put_ShowPreview(com::VFalse);
    printer->put_ShowPrinterDialog(com::VFalse);
    putText(printer, &I_VeskDGPrinterL::put_FontName, QStringLiteral("Tahoma"));
    printer->put_FontSize(10);
    printer->put_Headers(com::VTrue);
    FakeRecordset *rows =
        FakeRecordset::make({QStringLiteral("Bruker"), QStringLiteral("Dato")},
                            {{QStringLiteral("+46701234567"), QStringLiteral("28/12/2099")}});
    printer->putref_DataGridRecordset(rows);
    rows->release();
    FakeGrid grid({1440, 1152});
    com::IUnknownLike *g = &grid;
    return com::failed(printer->printDBGRID(&g)) ? 4 : 0;
}
