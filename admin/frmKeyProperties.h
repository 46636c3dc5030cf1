#pragma once

#include "admin/KeyCommands.h"

#include <QStringList>
#include <QVector>
#include <QWidget>
#include <memory>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;

namespace portiva
{

struct AppState;
class Recordset;

// The properties of one key unit (its KEYTable row) with the send buttons that turn each
// setting into a command SMS for the unit. It works on the unit SelectedKeyNummer names,
// among the units the operator's level may see, on a connection of its own that becomes the
// program's SharedConnection. A reload comes every 10 s when ReloadRequested is set, unless
// the operator is typing in a box.
//
// To open it (menus and the key-unit list window alike):
//     auto *w = new frmKeyProperties(state, keyNummer);   // loaded; throws on failure
//     w->setWindowTitle(...); w->setAttribute(Qt::WA_DeleteOnClose);
//     registerForm(w); w->show();
// A first load that fails throws portiva::Error whose description is the whole text the
// operator should read; nothing half-loaded is left. The level check of the key-unit list
// window (open only above level 4) is the caller's.
class frmKeyProperties : public QWidget
{
    Q_OBJECT
public:
    // Makes keyNummer the selected unit (when not empty) and loads the window.
    frmKeyProperties(AppState &state, const QString &keyNummer, QWidget *parent = nullptr);
    // Loads the window on the unit already selected.
    explicit frmKeyProperties(AppState &state, QWidget *parent = nullptr);
    ~frmKeyProperties() override;

    // ---- procedures and events ----
    // A reload; a failure is shown and ends it where it failed.
    void Form_Load();
    void OpenKeySetup();
    void ApplyLanguage();
    void Combo1_Click(int Index);
    void KeyTXT_Change(int Index);
    void KeyTXT_GotFocus(int Index);
    void KeyType_Click(int Index);
    void Timer1_Timer();
    void UpDown1_DownClick();
    void UpDown1_UpClick();
    void Command1_Click(int Index);
    void QueueKeyCommand(const QString &text);

    // The model option that is set.
    KeyModel keyModel() const;
    // The list position of a box's edit text, or -1 when the text is no entry of the list.
    static int ListIndex(const QComboBox *box);

    // ---- controls (objectName as named, arrays as "KeyTXT(3)") ----
    QVector<QLineEdit *> KeyTXT;     // 0-21
    QVector<QComboBox *> Combo1;     // 0-5
    QVector<QRadioButton *> KeyType; // 0-2
    QVector<QPushButton *> Command1; // 1 and 4-21; the others nullptr
    QVector<QLabel *> Label1;        // 2-27 as used; the others nullptr
    QLabel *lblKEYNumber = nullptr;
    QLabel *LblKeyName = nullptr;
    QWidget *UpDown1 = nullptr;
    QToolButton *UpDown1Up = nullptr;   // "UpDown1.Up"
    QToolButton *UpDown1Down = nullptr; // "UpDown1.Down"
    QTimer *Timer1 = nullptr;

    // ---- recordsets ----
    std::shared_ptr<Recordset> adoKeyOppsettRS;
    std::shared_ptr<Recordset> adoSMSUNSentRS;

    // ---- message texts (defaults set by every load, then the language's) ----
    QString AlarmChangeQuestion;
    QString OwnNumberMissingText;
    QString OwnNumberCheckText;
    QString LockChangeQuestion;
    QString NewSettingText;
    QString SentToKeyText;
    QString OpeningTimePrompt;
    QString OpeningTimeTitle;
    QStringList AlarmFunction; // 9 entries
    QStringList LockMode;      // 10 entries

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void layoutControls();
    void connectControls();
    // The load's steps, a failure thrown.
    void load();
    void openKeySetup();
    void setDefaultTexts();
    void bindBoxes();
    void fillLists();
    void showRowInLists();
    void hideSendButtons();
    void captionAdminButton();
    void checkOwnNumber();
    void resetModelControls();
    void setModelControlsVisible(bool visible);
    void step(bool forward);
    // Copies the edited boxes (and the given field values) into the row and writes it.
    void saveRow(const QList<std::pair<QString, QString>> &fields = {});
    // The unit's number as it would be saved; throws the refusal of an empty or bad one.
    QString checkedUnitNumber() const;
    // Saves the row and, unless command is empty, queues it, in one transaction; a failure is
    // shown saying what was not done. Returns whether both were written.
    bool saveAndQueue(const QList<std::pair<QString, QString>> &fields, const QString &command);
    void queueCommand(const QString &text);
    bool boxEdited(int index) const;
    // The command a send button stands for; fields the click writes into the row first.
    QString buildCommand(int index, QList<std::pair<QString, QString>> &fields);
    QString lockModeCommand();

    // Counts a handler as running for as long as it lives.
    class BusyScope
    {
    public:
        explicit BusyScope(int &depth) : m_depth(depth) { ++m_depth; }
        ~BusyScope() { --m_depth; }
        BusyScope(const BusyScope &) = delete;
        BusyScope &operator=(const BusyScope &) = delete;

    private:
        int &m_depth;
    };

    AppState &m_state;
    QButtonGroup *m_keyTypeGroup = nullptr;
    // Handlers that show boxes run nested event loops; a reload then waits for the next tick.
    int m_busy = 0;
};

} // namespace portiva
