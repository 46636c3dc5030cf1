#include "core/frmHelp.h"

#include "programstate/Phrase.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace portiva
{

frmHelp::frmHelp(const QString &helpFile, QWidget *parent)
    : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(phrase(u"Hjelp", u"Hjælp", u"Hjälp"));
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    // Links out of the file go to the desktop; those inside it stay in this window.
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl::fromLocalFile(helpFile));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);

    // A page of text wants room, but never more than the screen it opens on.
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableGeometry().size() * 0.8 : QSize(700, 600);
    resize(qMin(700, room.width()), qMin(600, room.height()));
}

} // namespace portiva
