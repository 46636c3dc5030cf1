#pragma once

// A stand-in for the grid printer, served by class id from a library of its own, that writes
// down every call the program makes on it instead of printing.

#include <QString>
#include <QStringList>

namespace portiva::test
{

struct PrinterRecording {
    // "<instance>:<member>=<value>" per call; a print adds what it was handed:
    // "<instance>:rows=<field|field...>" then one "<instance>:row=<cell|cell...>" per record
    // (a Null cell reads "<Null>") and "<instance>:grid=<type>/<columns>".
    QStringList calls;
    int instancesCreated = 0;
    int instancesAlive = 0;
    // When set, printDBGRID fails with error 482 and this description.
    QString failPrint;
};

using RecordingOfFn = PrinterRecording *(*)();
inline constexpr const char *RecordingOfSymbol = "recordingPrinterState";

} // namespace portiva::test
