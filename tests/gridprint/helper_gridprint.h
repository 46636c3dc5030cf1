#pragma once

// Fakes and fixtures shared by the component's tests.

#include "gridprint/Tabulon.h"
#include "platform/com/com.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <atomic>

namespace portiva::gridprint::test
{

// A recordset over rows held in memory; a null QVariant is a Null field.
class FakeRecordset final : public IRecordsetLike
{
public:
    FakeRecordset(QStringList fields, QList<QVariantList> rows);
    static FakeRecordset *make(QStringList fields, QList<QVariantList> rows)
    {
        return new FakeRecordset(std::move(fields), std::move(rows));
    }

    HResult queryInterface(const com::Guid &iid, void **out) override;
    uint32_t addRef() override { return ++refs; }
    uint32_t release() override;
    HResult clone(IRecordsetLike **out) override;
    HResult recordCount(int32_t *out) override;
    HResult fieldCount(int32_t *out) override;
    HResult fieldName(int32_t index, BStr *out) override;
    HResult moveFirst() override;
    HResult moveNext() override;
    HResult isEOF(VBool *out) override;
    HResult fieldValue(int32_t index, com::VariantLike *out) override;

    QStringList fields;
    QList<QVariantList> rows;
    int position = 0;
    std::atomic<uint32_t> refs{1};
    int32_t reportedCount = -2; // -2: the real count
    bool failClone = false;
    int *releasedClones = nullptr; // counts clones that went away
    bool isClone = false;
};

// A grid of columns with widths in twips.
class FakeGrid final : public IGridLike
{
public:
    explicit FakeGrid(QList<float> widthsTwips, QString type = QStringLiteral("DataGrid"))
        : widths(std::move(widthsTwips)), type(std::move(type))
    {
    }
    HResult queryInterface(const com::Guid &iid, void **out) override;
    uint32_t addRef() override { return ++refs; }
    uint32_t release() override { return --refs; } // lives on the test's stack
    HResult typeName(BStr *out) override;
    HResult columnCount(int32_t *out) override;
    HResult columnWidthTwips(int32_t index, float *out) override;

    QList<float> widths;
    QString type;
    std::atomic<uint32_t> refs{1};
};

// Rows "r<i>c<j>" for quick tables.
QList<QVariantList> numberedRows(int rows, int columns);
QStringList fieldNames(int columns);

// A registry in a temporary directory with the built library registered into it.
class RegisteredTabulon
{
public:
    RegisteredTabulon();
    ~RegisteredTabulon();
    bool ok() const { return m_ok; }
    QString registryFile() const;
    QString dir() const { return m_dir.path(); }
    // Runs the register command; true on exit code 0.
    static bool comreg(const QStringList &args);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldEnv;
    bool m_ok = false;
};

// Creates an instance through the registry; null on failure (hr tells why).
I_VeskDGPrinterL *createPrinter(HResult *hr = nullptr);
ITabulonTestHooks *hooksOf(I_VeskDGPrinterL *p);
QString takeMessages(I_VeskDGPrinterL *p);

// Text and facts of a PDF, through poppler's tools.
QStringList pdfPages(const QString &pdf); // pdftotext -layout, one entry per page
QString pdfInfo(const QString &pdf);
int pdfPageCount(const QString &pdf);

void putText(I_VeskDGPrinterL *p, HResult (I_VeskDGPrinterL::*put)(const char16_t *),
             const QString &text);

} // namespace portiva::gridprint::test
