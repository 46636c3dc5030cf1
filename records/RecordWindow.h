#pragma once

// What every record window shares: one table of the database in a data grid, a bar of
// command buttons (delete, refresh, close and the window's own), a status bar with the four
// moves and the "Record: " line, the navigation keys, the header-click sort and the timed
// reload on AppState::ReloadRequested. A window is a subclass that names its query, its
// columns and the features it has, and fills in the hooks where it differs.

#include "platform/ui/Dialogs.h"

#include <QFlags>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantList>
#include <QWidget>
#include <functional>
#include <memory>

class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTimer;
class QVBoxLayout;

namespace portiva
{

struct AppState;
class Connection;
class DataGrid;
class Recordset;

// One grid column as the window shows it, in the query's field order.
struct RecordColumn {
    // Norwegian default heading; the language row may replace it at every load. An empty
    // heading stays empty.
    QString caption;
    int languageRow = 0; // 0: not translated
    int widthTwips = 0;  // 0: the grid's own width
    QString sortField;   // header-click sort field; empty: a click keeps the previous field
    bool hidden = false; // kept in the model (a window may still write into it)
    bool wordWrap = false;
    bool fieldNameHeading = false; // the heading is the query's field name, never translated

    static RecordColumn translated(const QString &caption, int languageRow, int widthTwips = 0)
    {
        RecordColumn c;
        c.caption = caption;
        c.languageRow = languageRow;
        c.widthTwips = widthTwips;
        return c;
    }
};

// What the grid itself lets the operator do. Rows are never deleted in the grid: deleting
// goes through cmdDelete only.
struct GridPermissions {
    bool add = false;
    bool edit = false;
    QSet<int> readOnlyColumns;
    QSet<int> newRowOnlyColumns; // editable only in a row being added
};

class RecordWindow : public QWidget
{
    Q_OBJECT
public:
    enum Feature {
        DeleteButton = 0x1,       // cmdDelete exists
        RefreshButton = 0x2,      // cmdRefresh exists
        HeaderSort = 0x4,         // a heading click sorts through RecordColumn::sortField
        ReloadTimer = 0x8,        // Timer1 exists (10000 ms, reloads on ReloadRequested)
        TimerFromLoad = 0x10,     // Timer1 runs from the first load (else the window starts it)
        KeyNavigation = 0x20,     // Esc, Home, End, Up, Down, PgUp, PgDn
        Translated = 0x40,        // the language step runs at every load
        FirstRowOnLoad = 0x80,    // the load moves to the first row unless the set is empty
        ClearsReloadFlag = 0x100, // every load clears ReloadRequested
    };
    Q_DECLARE_FLAGS(Features, Feature)

    static constexpr int reloadIntervalMs = 10000;

    ~RecordWindow() override;

    // A new window of kind W, loaded; a load that fails throws and leaves nothing behind.
    template <class W> static W *loaded(AppState &state)
    {
        auto window = std::make_unique<W>(state);
        window->Form_Load();
        return window.release();
    }

    // Texts, language, a new connection on ConnectionString, the window's recordset, the
    // grid and its columns, then the window's own last steps. Throws when a step fails; the
    // connection and recordset are swapped in only when both opened, so a failed reload
    // leaves the window showing what it showed before. A grid edit the database refuses
    // before the load is reported and the load does not run.
    virtual void Form_Load();

    // Button and timer entries, callable from tests. Failures are shown, never thrown.
    void cmdDelete_Click();
    void cmdRefresh_Click();
    void cmdClose_Click();
    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void grdDataGrid_HeadClick(int column);
    // Reloads when ReloadRequested is set, then clears it; does nothing while this window
    // shows a box of its own.
    void Timer1_Timer();

    // The field the last heading click sorted by (the default field before any click).
    QString sortField() const { return m_sortField; }
    std::shared_ptr<Recordset> adoPrimaryRS() const { return m_rs; }
    std::shared_ptr<Connection> connection() const { return m_connection; }
    // The column headings in the current language, as the last load set them.
    QString captionText(int column) const;
    Features features() const { return m_features; }

    // Controls, named by objectName as here. cmdDelete, cmdRefresh and Timer1 are nullptr in
    // windows without them.
    DataGrid *grdDataGrid = nullptr;
    QWidget *picButtons = nullptr;
    QWidget *picStatBox = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QPushButton *cmdClose = nullptr;
    QPushButton *cmdFirst = nullptr;
    QPushButton *cmdPrevious = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdLast = nullptr;
    QLabel *lblStatus = nullptr;
    QTimer *Timer1 = nullptr;

protected:
    // Buttons get the common Norwegian captions; a window sets its own variants after this.
    RecordWindow(AppState &state, const QString &name, Features features,
                 QList<RecordColumn> columns);

    // ---- hooks (defaults: the frame's behaviour)
    // Load step 1: the window's own caption texts (messages) back to their defaults.
    virtual void setDefaultTexts() {}
    // The sort field before any heading click (HeaderSort windows); empty: none.
    virtual QString defaultSortField() const { return {}; }
    // Load step 5: the window's recordset on the new connection. Throws on failure.
    virtual std::shared_ptr<Recordset> openRecordsets(const std::shared_ptr<Connection> &c) = 0;
    // Load step 6: a sort string set on every load; empty: none.
    virtual QString fixedSort() const { return {}; }
    virtual GridPermissions gridPermissions() const { return {}; }
    // Load step 10, after the frame's own (buttons, reload flag).
    virtual void afterLoad() {}
    // Before the frame's delete: false stops it (the hook shows its own refusal). Throws
    // on failure.
    virtual bool canDelete() { return true; }
    // The delete itself: the frame's writes a pending edit, deletes the current row and
    // moves to the next unless at BOF or EOF. Throws on failure.
    virtual void deleteCurrentRow();
    virtual void afterDelete() {}
    // Around the frame's refresh (write, requery, widths, headings). A throw from
    // beforeRefresh stops the refresh with the grid as it was.
    virtual void beforeRefresh() {}
    virtual void afterRefresh() {}
    // The grid's current row or column changed (a move of the operator's or the cursor's).
    virtual void onCurrentRowChanged() {}
    // After lblStatus followed a move of the recordset.
    virtual void onPositionChanged() {}

    // ---- helpers for windows
    AppState &state() const { return m_state; }
    // The row table of the language step: row → a caption text or a control's text.
    void addLanguageTarget(int row, QString *text);
    void addLanguageTarget(int row, QAbstractButton *button);
    void addLanguageTarget(int row, QLabel *label);
    void addLanguageTarget(int row, std::function<void(const QString &)> apply);
    // Extra widgets: a button in picButtons (after the frame's), or a widget above or below
    // the grid.
    void addButton(QPushButton *button);
    void addAboveGrid(QWidget *widget);
    void addBelowGrid(QWidget *widget);
    // Column widths then headings, as every load and refresh sets them.
    void layoutColumns();
    // A box over this window; while it is open the reload timer does nothing.
    Dialogs::Answer showMessage(const QString &text,
                                Dialogs::Buttons buttons = Dialogs::Buttons::Ok,
                                const QString &title = {});
    // Runs fn; a failure ends it and shows the description alone (OK only, application
    // title). Returns whether fn ran to its end.
    bool guardedAction(const std::function<void()> &fn);
    // The frame's delete, for windows whose own delete ends in it.
    void frameDelete();

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ApplyLanguage();
    void buildControls();
    void applyGridPermissions();
    void bindRecordset(std::shared_ptr<Connection> connection, std::shared_ptr<Recordset> rs);
    void onMoveComplete();
    void onFailureTold(const QString &description);
    void reload();
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    bool keysInactive() const;

    struct LanguageTarget {
        int row;
        std::function<void(const QString &)> apply;
    };

    AppState &m_state;
    Features m_features;
    QList<RecordColumn> m_columns;
    QStringList m_captions;
    QList<LanguageTarget> m_targets;
    QString m_sortField;
    std::shared_ptr<Connection> m_connection;
    std::shared_ptr<Recordset> m_rs;
    QVBoxLayout *m_layout = nullptr;
    QHBoxLayout *m_buttonLayout = nullptr;
    int m_gridIndex = 0;
    int m_boxesOpen = 0;
    bool m_closing = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(RecordWindow::Features)

} // namespace portiva
