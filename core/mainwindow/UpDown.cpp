#include "core/mainwindow/UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace portiva
{

UpDown::UpDown(const QString &name, QWidget *parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    setObjectName(name);
    m_up->setObjectName(name + QStringLiteral(".Up"));
    m_down->setObjectName(name + QStringLiteral(".Down"));
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, &UpDown::upClick);
    connect(m_down, &QToolButton::clicked, this, &UpDown::downClick);
}

} // namespace portiva
