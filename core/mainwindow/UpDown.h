#pragma once

#include <QWidget>

class QToolButton;

namespace portiva
{

// A pair of arrow buttons standing for an up-down control: down steps back, up steps on.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(const QString &name, QWidget *parent = nullptr);

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void upClick();
    void downClick();

private:
    QToolButton *m_up;
    QToolButton *m_down;
};

} // namespace portiva
