#pragma once

// The program's side of the grid-printing component: the adapters that hand it a recordset and
// a data grid, and the client that creates VeskDGPrinterL by class id, keeps it for a report
// window's life and runs a print with the report windows' settings.

#include "gridprint/Tabulon.h"

#include <QList>
#include <QString>
#include <atomic>
#include <memory>

namespace portiva
{

class DataGrid;
class Recordset;

// IRecordsetLike over a clone of a platform recordset: rows shared in memory, own cursor.
class SnapshotRecordset final : public gridprint::IRecordsetLike
{
public:
    // Takes a clone of the source; the source's cursor does not move.
    static SnapshotRecordset *over(const Recordset &source);

    com::HResult queryInterface(const com::Guid &iid, void **out) override;
    uint32_t addRef() override;
    uint32_t release() override;
    com::HResult clone(IRecordsetLike **out) override;
    com::HResult recordCount(int32_t *out) override;
    com::HResult fieldCount(int32_t *out) override;
    com::HResult fieldName(int32_t index, com::BStr *out) override;
    com::HResult moveFirst() override;
    com::HResult moveNext() override;
    com::HResult isEOF(com::VBool *out) override;
    com::HResult fieldValue(int32_t index, com::VariantLike *out) override;

private:
    explicit SnapshotRecordset(std::shared_ptr<Recordset> rows);
    ~SnapshotRecordset();
    std::shared_ptr<Recordset> m_rows;
    std::atomic<uint32_t> m_refs{1};
};

// IGridLike over the program's data grid. Lives as long as the caller keeps it.
class GridAdapter final : public gridprint::IGridLike
{
public:
    explicit GridAdapter(const DataGrid &grid) : m_grid(grid) {}
    com::HResult queryInterface(const com::Guid &iid, void **out) override;
    uint32_t addRef() override { return ++m_refs; }
    uint32_t release() override { return --m_refs; } // owned by the caller's scope
    com::HResult typeName(com::BStr *out) override;
    com::HResult columnCount(int32_t *out) override;
    com::HResult columnWidthTwips(int32_t index, float *out) override;

private:
    const DataGrid &m_grid;
    std::atomic<uint32_t> m_refs{1};
};

// What a report window's print sets beyond the fixed values every report uses.
struct ReportPrintJob {
    QString previewCaption;
    QString titleText;
    QList<float> columnWidths; // inches, columns 1..n
};

class GridPrinterClient
{
public:
    GridPrinterClient() = default;
    ~GridPrinterClient();
    GridPrinterClient(const GridPrinterClient &) = delete;
    GridPrinterClient &operator=(const GridPrinterClient &) = delete;

    // The component, created by class id at first use; throws portiva::Error with the reason
    // when it cannot be created.
    gridprint::I_VeskDGPrinterL *component();
    // Sets every report value, hands over the grid's rows and prints (or previews, which
    // returns when the preview closes). A failing call throws portiva::Error with the
    // component's description of it.
    void print(const ReportPrintJob &job, const Recordset &rows, const DataGrid &grid);
    // Lets the component go (the report window closes).
    void reset();

private:
    void check(com::HResult hr);
    gridprint::I_VeskDGPrinterL *m_component = nullptr;
};

} // namespace portiva
