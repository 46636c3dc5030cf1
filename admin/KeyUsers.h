#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QTabBar;
class QTableView;

namespace portiva
{

struct AppState;
struct MainTexts;
struct MainViews;
class Recordset;
class Connection;

// Which list the selected user tab shows.
enum class UserListMode { NewUsers = 1, Account = 2, AllUsers = 3, Balance = 4 };

// The tests in their order, each later match overriding an earlier one.
UserListMode userListMode(const QString &selectedTab, const QString &newUsersTabText,
                          const QString &allUsersTabText);

// The account tabs of a key unit from its rights sorted by "konto": one per run of equal
// accounts (ignoring case), captioned with the run's first form; empty or Null accounts give
// none. The recordset is walked from its first row.
QStringList accountTabCaptions(Recordset &rightsByAccount);

// The queued periods of one unit, as the grid's new-users tab lists them; the unit's number is
// the one bound value.
QString newUsersOfKeyQuery();

// The main-window controls ShowKeyUsers rebuilds; any may be absent (headless use).
struct KeyUsersControls {
    QLineEdit *keyNumber = nullptr; // KeyTXT(0)
    QTabBar *TabStrip1 = nullptr;
    QTableView *DataGrid1 = nullptr;
    // Column captions: NummerLBL, EtternavnLBL, FornavnLBL, DatoLBL1, DatoLBL2, KontoLBL,
    // StatusLBL.
    QLabel *NummerLBL = nullptr, *EtternavnLBL = nullptr, *FornavnLBL = nullptr,
           *DatoLBL1 = nullptr, *DatoLBL2 = nullptr, *KontoLBL = nullptr, *StatusLBL = nullptr;
};

// Second half of the main window's reload: the user tabs of the key unit in view and the grid
// of the list the selected tab shows.
class KeyUsers
{
public:
    KeyUsers(AppState &state, MainViews &views, const MainTexts &texts,
             const QString &userGridSortKey, KeyUsersControls controls = {});
    ~KeyUsers();

    // A failure shows the description followed by " DB QUERY ERROR"; the tabs, the grid and
    // the chosen tab (SelectedUserTab) stay those of the list still shown.
    void ShowKeyUsers();
    // The same, the failure thrown.
    void rebuild();
    // Reads again only what is no longer current (Recordset::stillCurrent): the modem road's
    // sends and answers, and other workstations, change rights with no operator action to
    // reload the grid. A unit or connection other than the one read rebuilds all. A failure
    // leaves the grid for the next call.
    void refreshIfChanged();

    // Tab captions as built (the strip shows them with "&" doubled).
    QStringList tabCaptions() const { return m_captions; }
    UserListMode mode() const { return m_mode; }
    // While true, grid row changes come from a rebind, not from the operator.
    bool rebinding() const { return m_rebinding; }
    // Called when the grid's current cell moves to a row (row or column), after the list's
    // cursor has followed it; never during a rebind.
    void setRowChanged(std::function<void()> rowChanged) { m_rowChanged = std::move(rowChanged); }

private:
    QString keyNumber() const;
    std::shared_ptr<Connection> connection() const;
    void buildTabs(const QString &key);
    void openList(const QString &key);
    void bindGrid();
    void layoutGrid();
    void defaultLayout();
    void highlightTab();
    void followChanges();
    void sortLists();
    std::shared_ptr<Recordset> shownList() const;

    AppState &m_state;
    MainViews &m_views;
    const MainTexts &m_texts;
    const QString &m_sortKey;
    KeyUsersControls m_controls;
    QStringList m_captions;
    UserListMode m_mode = UserListMode::AllUsers;
    // The tab of the list last shown in full.
    QString m_shownTab;
    bool m_rebinding = false;
    // The list the grid shows, and the unit and connection the tabs and lists were read for.
    std::weak_ptr<Recordset> m_shown;
    QString m_readKey;
    std::weak_ptr<Connection> m_readOn;
    std::function<void()> m_rowChanged;
    QPointer<QAbstractItemModel> m_model;
};

} // namespace portiva
