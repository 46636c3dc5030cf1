#include "platform/ui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace portiva
{

ElidedLabel::ElidedLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

// The height of one line; the width is the layout's to give.
QSize ElidedLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), fontMetrics().height() + m.top() + m.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return sizeHint();
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

} // namespace portiva
