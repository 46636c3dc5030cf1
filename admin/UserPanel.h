#pragma once

#include "admin/UserAdmin.h"

#include <QObject>
#include <QPointer>
#include <QVector>
#include <functional>
#include <optional>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTabBar;
class QTableView;

namespace portiva
{

struct AppState;
struct MainTexts;
struct MainViews;
class KeyUsers;

// The main-window controls of the user entry panel and what it works with.
struct UserPanelControls {
    QVector<QLineEdit *> Txtfields; // 0 number, 1 first name, 2 surname, 3 status, 4 account, 5 ID
    QVector<QLineEdit *> KeyTXT;    // 0 number, 1 name of the unit in view
    QComboBox *FraTid = nullptr;
    QComboBox *TilTid = nullptr;
    QDateEdit *DTPickerFrom = nullptr;
    QDateEdit *DTPickerTo = nullptr;
    QLineEdit *Saldo = nullptr;
    QLabel *KontoLBL = nullptr;
    QLabel *Label2 = nullptr;
    QTabBar *TabStrip1 = nullptr;
    QTableView *DataGrid1 = nullptr;
};

// The main window's procedures and flags the panel calls on.
struct UserPanelHooks {
    std::function<void()> OpenMainRecordsets;
    // The same reload without a box on failure (removal shows nothing).
    std::function<void()> reloadQuietly;
    std::function<void()> ShowKeyUsers;
    // Stop, 3000 ms, start: the operator's rule for the send timer.
    std::function<void()> restartSendTimer;
    std::function<QDate()> today;
    bool *QueueNotEmpty = nullptr;
    bool *ManualSMSBusy = nullptr;
    bool *REGNYBRUKER = nullptr;
    bool *UserGridActive = nullptr;
    QString *UserGridSortKey = nullptr;
};

// The user entry panel of the main window: the panel's own events, registration, removal
// and the free SMS, each a handler named as the window knows it.
class UserPanel : public QObject
{
    Q_OBJECT
public:
    UserPanel(AppState &state, MainViews &views, const MainTexts &texts, KeyUsers &keyUsers,
              UserPanelControls controls, UserPanelHooks hooks, QObject *parent = nullptr);

    void CLEAR_INPUT();
    void cmdNyBruker_Click();
    void TabStrip1_Click();
    void UserGridActivate();
    void UserGridDeactivate();
    void UserGridSortColumn(int ColIndex);
    void UserGridRowChange();
    void DTPickerFrom_Change();
    void Saldo_Change();
    void UpDown3_DownClick();
    void UpDown3_UpClick();
    void Txtfields_DblClick(int Index);
    void Txtfields_KeyPress(int Index, int KeyAscii);
    void Txtfields_LostFocus(int Index);

    void CommandRegistrerBruker_Click();
    void CommandSlettBruker_Click();
    void CmdSMSDoor_Click();
    void CommandSendSMS_Click();

    // The panel as it stands.
    UserPanelValues values() const;
    SelectedKey selectedKey() const;
    std::optional<qint64> heldId() const { return m_heldId; }
    UserAdmin &admin() { return m_admin; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showMode();
    QString selectedTabCaption() const;
    void setHeldId(std::optional<qint64> id);
    void loadExisting(Recordset &rs, const QString &kontoField);
    bool askAboutExisting(Recordset &rs, const QString &question);
    // The free text typed, offered again after a refusal of its characters; none when the
    // operator cancelled or typed nothing.
    std::optional<QString> askFreeText(const QString &recipient);
    void freeSms(const QString &recipient, const QString &noRecipientText,
                 const std::function<void(const QString &)> &queue);
    void restartTimerForOperator();
    void lostFocusFromFilter(int index);

    AppState &m_state;
    MainViews &m_views;
    const MainTexts &m_texts;
    KeyUsers &m_keyUsers;
    UserPanelControls m_c;
    UserPanelHooks m_hooks;
    UserAdmin m_admin;
    std::optional<qint64> m_heldId;
    // While the panel itself moves the grid (sorting, handlers), a row change loads nothing.
    bool m_guard = false;
    bool m_askedInHandler = false;
};

} // namespace portiva
