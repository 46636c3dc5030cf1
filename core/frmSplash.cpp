#include "core/frmSplash.h"

#include "core/BrandPictures.h"
#include "core/Version.h"
#include "platform/ui/WindowRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace portiva
{

frmSplash::frmSplash(QWidget *parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_timer1(new QTimer(this))
{
    setObjectName(QStringLiteral("frmSplash"));
    registerForm(this);

    auto *texts = new QVBoxLayout;
    auto addLabel = [&](const char *name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        texts->addWidget(label);
        return label;
    };
    QLabel *product = addLabel("lblProductName", QString());
    QFont big = product->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    product->setFont(big);
    addLabel("lblVersion", QString());
    addLabel("lblCompany", tr("Operator program for GSM key units"));
    addLabel("lblCopyright", tr("Registers key units, users and SMS in one shared database."));
    addLabel("S", QString());

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(18);
    layout->addWidget(makeMakerLogo(this), 0, Qt::AlignTop);
    layout->addLayout(texts);
    addHiddenPartnerLogos(this, layout);

    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    m_timer1->setInterval(3000);
    // A coarse timer may fire up to 5 % early; the splash promises its full three seconds.
    m_timer1->setTimerType(Qt::PreciseTimer);
    connect(m_timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);

    Form_Load();
}

void frmSplash::Form_Load()
{
    findChild<QLabel *>(QStringLiteral("lblVersion"))
        ->setText(versionText(QCoreApplication::applicationVersion()));
    findChild<QLabel *>(QStringLiteral("lblProductName"))
        ->setText(QCoreApplication::applicationName());
    findChild<QLabel *>(QStringLiteral("imgLogo"))->setVisible(true);
    findChild<QLabel *>(QStringLiteral("S"))->setVisible(false);
}

void frmSplash::Timer1_Timer()
{
    m_timerClosed = true;
    accept();
}

// Esc reaches reject(): the splash stays until its timer ends it.
void frmSplash::reject() {}

void frmSplash::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_timerClosed && !m_timer1->isActive())
        m_timer1->start();
}

void frmSplash::closeEvent(QCloseEvent *event)
{
    if (m_timerClosed)
        event->accept();
    else
        event->ignore();
}

} // namespace portiva
