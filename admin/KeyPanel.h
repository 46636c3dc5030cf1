#pragma once

#include <QObject>
#include <QVector>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

namespace portiva
{

struct AppState;
struct MainViews;
class Recordset;

// The main window's procedures the key stepping reloads with.
struct KeyPanelHooks {
    std::function<void()> CLEAR_INPUT;
    std::function<void()> OpenMainRecordsets;
    std::function<void()> ShowKeyUsers;
    std::function<void()> TabStrip1_Click;
};

// The text the received-SMS display shows for the five boxes (ID, sender, date, text, name).
QString phoneDisplayText(const QString &id, const QString &sender, const QString &date,
                         const QString &text, const QString &name);

// Steps through the key units the operator may see and through the received SMS; neither
// writes anything.
class KeyPanel : public QObject
{
    Q_OBJECT
public:
    KeyPanel(AppState &state, MainViews &views, KeyPanelHooks hooks,
             QVector<QLineEdit *> SMSRectxt = {}, QPlainTextEdit *PhoneDisplay = nullptr,
             QObject *parent = nullptr);

    void UpDown1_DownClick();
    void UpDown1_UpClick();
    void ArrowLeft_Click();
    void ArrowRight_Click();
    void UpDown2_DownClick();
    void UpDown2_UpClick();
    void SMSRectxt_Change();

private:
    void stepKey(bool down);
    void stepSms(bool back, bool wrap, const QString &stepWord);

    AppState &m_state;
    MainViews &m_views;
    KeyPanelHooks m_hooks;
    QVector<QLineEdit *> m_boxes;
    QPlainTextEdit *m_display;
};

} // namespace portiva
