#include "core/frmLogin.h"

#include "core/DatabasePaths.h"
#include "core/LoginCheck.h"
#include "core/SystemNames.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/settings/Settings.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WindowRegistry.h"
#include "programstate/AppState.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace portiva
{

frmLogin::frmLogin(AppState &state, Settings &settings, const QString &commandLineDatabase,
                   QWidget *parent)
    : QDialog(parent), m_state(state), m_settings(settings),
      m_commandLineDatabase(commandLineDatabase), m_txtUserName(new QLineEdit(this)),
      m_txtPassword(new QLineEdit(this)), m_txtComputerName(new QLineEdit(this))
{
    setObjectName(QStringLiteral("frmLogin"));
    registerForm(this);
    setWindowTitle(QStringLiteral("Login"));

    m_txtUserName->setObjectName(QStringLiteral("txtUserName"));
    m_txtPassword->setObjectName(QStringLiteral("txtPassword"));
    m_txtPassword->setEchoMode(QLineEdit::Password);
    m_txtComputerName->setObjectName(QStringLiteral("txtComputerName"));

    auto *grid = new QGridLayout;
    const QStringList captions = {QStringLiteral("User ID:"), QStringLiteral("Password:"),
                                  QStringLiteral("Machine ID:")};
    const QList<QLineEdit *> boxes = {m_txtUserName, m_txtPassword, m_txtComputerName};
    for (int i = 0; i < captions.size(); ++i) {
        auto *label = new QLabel(captions.at(i), this);
        label->setObjectName(QStringLiteral("lblLabels(%1)").arg(i));
        label->setBuddy(boxes.at(i));
        grid->addWidget(label, i, 0);
        grid->addWidget(boxes.at(i), i, 1);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);

    Form_Load();
}

frmLogin::~frmLogin() = default;

void frmLogin::Form_Load()
{
    guarded([this] {
        m_txtUserName->setText(systemUserName());
        m_txtComputerName->setText(systemComputerName());
        OpenLoginDatabase();
    });
}

void frmLogin::OpenLoginDatabase()
{
    adoPrimaryRS.reset();
    const QString path =
        m_commandLineDatabase.isEmpty()
            ? m_settings.text(QStringLiteral("DBpath"), QStringLiteral("Brimo02.mdb"))
            : m_commandLineDatabase;
    // Before a login nothing else in the program can choose a file: the message says which
    // file was looked for and how to start on another.
    try {
        setDatabasePath(m_state, path);
        m_state.DBPathForThisRun = !m_commandLineDatabase.isEmpty();
        m_state.SharedConnection = Connection::open(m_state.ConnectionString);
        auto passwords =
            Recordset::open(m_state.SharedConnection,
                            QStringLiteral("select USER_ID,Password,SecurityLevel from Passwords"));
        passwords->setSort(QStringLiteral("USER_ID"));
        adoPrimaryRS = std::move(passwords);
    } catch (const std::exception &e) {
        throw Error(startupDatabaseFailureText(path, errorDescription(e)));
    }
}

void frmLogin::selectPassword()
{
    m_txtPassword->selectAll();
    m_txtPassword->setFocus();
}

void frmLogin::cmdOK_Click()
{
    guarded([this] {
        m_state.CurrentUserName = m_txtUserName->text();
        m_state.CurrentComputerName = m_txtComputerName->text();
        if (!adoPrimaryRS) {
            // The database did not open at load: try again, and say why when it still fails.
            if (!guarded([this] { OpenLoginDatabase(); })) {
                selectPassword();
                return;
            }
        }
        const LoginResult result =
            LoginCheck::verify(*adoPrimaryRS, m_txtUserName->text(), m_txtPassword->text());
        switch (result.outcome) {
        case LoginResult::Outcome::Accepted:
            m_state.CurrentSecurityLevel = result.level;
            LoginSucceeded = true;
            accept();
            return;
        case LoginResult::Outcome::Failed:
            dialogs().msgBox(result.description);
            selectPassword();
            return;
        case LoginResult::Outcome::Refused:
            dialogs().msgBox(QStringLiteral("Invalid Password, try again!"), Dialogs::Buttons::Ok,
                             QStringLiteral("Login"));
            selectPassword();
            // Re-read the table, so a password changed at another workstation counts.
            guarded([this] { OpenLoginDatabase(); });
            return;
        }
    });
}

void frmLogin::cmdCancel_Click()
{
    reject();
}

void frmLogin::reject()
{
    LoginSucceeded = false;
    QDialog::reject();
}

} // namespace portiva
