#pragma once

// What the four report windows share: a read-only data grid over the listed rows, drop-down
// boxes that rebuild the list when the operator chooses from them, the window's texts in the
// current language, and the print button that hands the list to the grid printer.

#include "records/GridPrinterClient.h"
#include "records/ReportQueries.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace portiva
{

struct AppState;
class DataGrid;
class Recordset;

struct ReportColumn {
    QString field;   // as the query names it
    int widthTwips;  // 0: the grid's own width
    QString caption; // Norwegian default
    int languageRow;
};

class ReportWindow : public QWidget
{
    Q_OBJECT
public:
    ~ReportWindow() override;

    // A new report window of kind W, loaded; a load that fails throws and leaves nothing.
    template <class W> static W *loaded(AppState &state)
    {
        auto window = std::make_unique<W>(state);
        window->Form_Load();
        return window.release();
    }

    // Texts, language, boxes, the first list. Throws when any step fails, so that no
    // half-loaded window is shown.
    void Form_Load();
    void Command1_Click();

    // The window's grid printer, created at the first print and kept until the window closes.
    GridPrinterClient &reportPrinter() { return ReportPrinter; }
    // The grid's column captions, in the current language.
    const QStringList &captionTexts() const { return m_captionTexts; }

    DataGrid *DataGrid1 = nullptr;
    QPushButton *Command1 = nullptr;

protected:
    ReportWindow(AppState &state, const QString &name, const QString &designedCaption,
                 QList<ReportColumn> columns);

    // A label with a drop-down box under it, in the row above the grid. Choosing from the
    // box (not typing into it) rebuilds the list.
    QComboBox *addChooser(const QString &comboName, QLabel *&label, const QString &labelName,
                          const QString &labelText);
    // Label and button captions the language table may replace.
    void addLanguageTarget(int row, QLabel *label);
    void addLanguageTarget(int row, QPushButton *button);

    virtual void fillBoxes() = 0;
    // The window's list procedure; throws when the list cannot be built (the previous list
    // then stays).
    virtual void rebuildList() = 0;
    virtual void afterLoad() {}
    virtual ReportPrintJob printJob() const = 0;
    virtual std::shared_ptr<Recordset> printedRecordset() const = 0;

    // The sort box's text as an ORDER BY term over the report's columns; throws otherwise.
    QString orderBy(const QComboBox *sortBox) const;
    // Opens the query on the program-wide connection.
    std::shared_ptr<Recordset> openList(const ListQuery &query) const;
    std::shared_ptr<Recordset> openRows(const QString &sql, const QVariantList &params) const;
    // Shows the rows, with the widths of the first widthColumns columns and every caption.
    void bind(const std::shared_ptr<Recordset> &rows, int widthColumns);
    void layoutColumns(int widthColumns);
    static void fillBox(QComboBox *box, const QStringList &entries, const QString &text);

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    AppState &m_state;

private:
    void ApplyLanguage();
    void onChoice();

    struct LanguageTarget {
        int row;
        QLabel *label;
        QPushButton *button;
    };

    QList<ReportColumn> m_columns;
    QStringList m_captionTexts;
    QList<LanguageTarget> m_targets;
    QHBoxLayout *m_choosers = nullptr;
    int m_leavingEdit = 0; // inside an edit field's editingFinished
    GridPrinterClient ReportPrinter;
};

} // namespace portiva
