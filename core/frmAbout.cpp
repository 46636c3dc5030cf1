#include "core/frmAbout.h"

#include "core/BrandPictures.h"
#include "core/Version.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/WindowRegistry.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <exception>

namespace portiva
{

namespace
{

QStringList configuredSysInfoPrograms()
{
    return QStringLiteral(PORTIVA_SYSINFO_PROGRAMS).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

bool startDetached(const QString &program)
{
    return QProcess::startDetached(program, {});
}

} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent), m_sysInfoPrograms(configuredSysInfoPrograms()), m_launcher(startDetached)
{
    setObjectName(QStringLiteral("frmAbout"));
    registerForm(this);
    setWindowTitle(QStringLiteral("Om Portiva"));

    auto *texts = new QVBoxLayout;
    auto addLabel = [&](const char *name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        label->setWordWrap(true);
        texts->addWidget(label);
        return label;
    };
    QLabel *title = addLabel("lblTitle", QString());
    QFont big = title->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() * 3 / 2);
    title->setFont(big);
    addLabel("lblVersion", QString());
    addLabel("lblDescription", QStringLiteral("GSM Key PC system"));
    texts->addStretch();
    addLabel("lblDisclaimer",
             tr("This program is provided as it is. Keep a backup copy of the database."));

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto *sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);
    buttons->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(makeMakerLogo(this), 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    layout->addLayout(buttons);
    addHiddenPartnerLogos(this, layout);

    connect(ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load();
}

void frmAbout::Form_Load()
{
    findChild<QLabel *>(QStringLiteral("lblVersion"))
        ->setText(versionText(QCoreApplication::applicationVersion()));
    findChild<QLabel *>(QStringLiteral("lblTitle"))->setText(QCoreApplication::applicationName());
    findChild<QLabel *>(QStringLiteral("imgLogo"))->setVisible(true);
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    try {
        for (const QString &program : std::as_const(m_sysInfoPrograms)) {
            const QString path = QStandardPaths::findExecutable(program);
            if (path.isEmpty())
                continue;
            if (m_launcher && m_launcher(path))
                return;
            break;
        }
    } catch (const std::exception &) {
        // Any failure to start it ends in the same message below.
    }
    dialogs().msgBox(QStringLiteral("System Information Is Unavailable At This Time"));
}

} // namespace portiva
