#include "core/BrandPictures.h"

#include <QLayout>
#include <QPainter>
#include <QPixmap>

namespace portiva
{

QLabel *makeMakerLogo(QWidget *parent)
{
    QPixmap picture(96, 96);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x4e, 0x79));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(picture.rect().adjusted(2, 2, -2, -2), 14, 14);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(36);
    painter.setFont(font);
    painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("P3"));
    painter.end();

    auto *logo = new QLabel(parent);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(picture);
    logo->setVisible(true);
    return logo;
}

void addHiddenPartnerLogos(QWidget *parent, QLayout *layout)
{
    for (const char *name : {"imgLogo47", "imgLogo46", "imgLogo45"}) {
        auto *logo = new QLabel(parent);
        logo->setObjectName(QLatin1String(name));
        logo->setVisible(false);
        layout->addWidget(logo);
    }
}

} // namespace portiva
