#pragma once

// The component's stored values (per instance and shared) and the engine's layout state.

#include "gridprint/Tabulon.h"

#include <QString>
#include <vector>

namespace portiva::gridprint
{

template <class K> struct StoreOf;
template <> struct StoreOf<KBool> {
    using type = int16_t;
};
template <> struct StoreOf<KLong> {
    using type = int32_t;
};
template <> struct StoreOf<KFloat> {
    using type = float;
};
template <> struct StoreOf<KStr> {
    using type = QString;
};

// One value per property that an instance keeps for itself.
struct PropertyValues {
#define TABULON_PROP(N, K, F) StoreOf<K>::type N{};
#define TABULON_PROP_SHARED(N, K)
#define TABULON_GET(N, K, F) StoreOf<K>::type N{};
#define TABULON_PUT(N, K, F)
#define TABULON_METHOD(N, P)
#include "gridprint/entries.def"
#undef TABULON_PROP
#undef TABULON_PROP_SHARED
#undef TABULON_GET
#undef TABULON_PUT
#undef TABULON_METHOD
};

// The settings every instance on the thread shares; the engine reads only these.
struct SharedPrintSettings : PropertyValues {
    QString WordPAGE;
    QString WordOF;
    com::ComPtr<IRecordsetLike> recordset; // the clone of the last hand-over
    int32_t rowCount = 0;
    int32_t fieldCount = 0;
    std::vector<float> columnWidthList; // entry i-1 is column i; empty until first given
};

struct GridCell {
    QString text;
    bool isHeader = false;
};

// The engine's layout, kept from run to run. Vectors are indexed from 1 through the accessors.
struct PageLayout {
    int lpx = 0, lpy = 0;
    float printableLeft = 0, printableTop = 0, printableWidth = 0, printableHeight = 0;
    int32_t pageFrom = 0, pageTo = 0, copies = 0;
    int32_t drawTarget = 0; // 1 preview, 2 printer
    bool layoutHeld = false;

    int32_t columnCount = 0;
    int32_t lineCount = 0;
    int32_t pages = 0;
    int32_t currentPage = 0;
    std::vector<GridCell> cells; // lineCount x columnCount, row-major
    std::vector<float> columnWidths, columnX, headerOffset, rowY;
    std::vector<QString> headerTexts;
    float tableWidth = 0, tableLeft = 0, tableTop = 0, rowHeight = 0;
    float paperWidth = 0, paperHeight = 0;

    GridCell &cell(int line, int column)
    {
        return cells[size_t(line - 1) * columnCount + column - 1];
    }
    const GridCell &cell(int line, int column) const
    {
        return cells[size_t(line - 1) * columnCount + column - 1];
    }
    float width(int f) const { return columnWidths[size_t(f - 1)]; }
    float x(int f) const { return columnX[size_t(f - 1)]; }
};

} // namespace portiva::gridprint
