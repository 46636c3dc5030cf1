#pragma once

#include <QLabel>

namespace portiva
{

// A one-line label that keeps the width its layout gives it, whatever it shows: a longer text
// is drawn cut with "…" at its end, while text() keeps it whole.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(const QString &text = {}, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace portiva
