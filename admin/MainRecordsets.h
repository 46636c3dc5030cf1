#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QObject;

namespace portiva
{

struct AppState;
struct MainViews;
class Recordset;

// The main-window controls a reload writes; any of them may be absent (headless use).
struct MainRecordsetsControls {
    QVector<QLineEdit *> KeyTXT;    // 0 number, 1 name
    QVector<QLineEdit *> SMSRectxt; // 0 ID, 1 FraNummerKort, 2 Dato, 3 SMS_Text, 4 Etternavn
    QVector<QLineEdit *> Modemdata; // 0 ModemStatus, 1 ModemName, 2 ModemManufacturer,
                                    // 3 ModemOwner, 4 IMEICODE
    QLabel *LblModemStatus = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *PhoneOn = nullptr;
    QLabel *PhoneOff = nullptr;
    QPlainTextEdit *PhoneDisplay = nullptr;
    QLabel *statusPanel1 = nullptr;
    QLineEdit *txtHostName = nullptr;
};

// The modem text of the first status-bar panel.
QString modemPanelText(bool modemReady, int lastComPort, const QString &manufacturer,
                       const QString &name, const QString &owner, const QString &host);

// First half of the main window's reload: re-opens every main-window recordset on the shared
// connection, positions the key-unit and received-SMS views and shows them, and redraws the
// modem state.
class MainRecordsets
{
public:
    MainRecordsets(AppState &state, MainViews &views, MainRecordsetsControls controls = {});
    ~MainRecordsets();

    // With ModemReady a failing step is skipped and the next one runs; otherwise the failure is
    // shown (description, CR, "INIT DB") and the reload ends there.
    void OpenMainRecordsets();

    // The same steps, the first failure thrown (no message).
    void openAll();

    // The bound boxes follow the current row of their recordsets.
    void showKeyUnit();
    void showReceivedSms();
    void showModem();

private:
    template <class Fn> void step(Fn &&fn);
    void bind(std::shared_ptr<Recordset> MainViews::*member, void (MainRecordsets::*show)());

    AppState &m_state;
    MainViews &m_views;
    MainRecordsetsControls m_controls;
    // Ends the bindings when this object goes before the recordsets it follows.
    std::unique_ptr<QObject> m_context;
};

} // namespace portiva
