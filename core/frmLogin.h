#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;

namespace portiva
{

struct AppState;
class Recordset;
class Settings;

// The modal login window. It opens the database for the first time (DBPath, the derived paths,
// ConnectionString, SharedConnection) and lets in only an operator whose name and password
// match a row of Passwords.
class frmLogin : public QDialog
{
    Q_OBJECT
public:
    // commandLineDatabase, when not empty, is used in place of the "DBpath" setting.
    frmLogin(AppState &state, Settings &settings, const QString &commandLineDatabase = {},
             QWidget *parent = nullptr);
    ~frmLogin() override;

    bool LoginSucceeded = false;

    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

    // Esc and the close box end the login the way Cancel does.
    void reject() override;

private:
    void OpenLoginDatabase();
    void selectPassword();

    AppState &m_state;
    Settings &m_settings;
    QString m_commandLineDatabase;
    std::shared_ptr<Recordset> adoPrimaryRS;
    QLineEdit *m_txtUserName;
    QLineEdit *m_txtPassword;
    QLineEdit *m_txtComputerName;
};

} // namespace portiva
