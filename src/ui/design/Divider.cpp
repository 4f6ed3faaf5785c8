#include "ui/design/Divider.h"

#include <QPainter>

#include "ui/design/Theme.h"

namespace kelvaro {

Divider::Divider(Qt::Orientation orientation, int length, QWidget* parent)
    : QWidget(parent), m_orientation(orientation), m_length(length)
{
    if (orientation == Qt::Horizontal) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(1);
        if (length > 0)
            setFixedHeight(length);
    }
}

QSize Divider::sizeHint() const
{
    return m_orientation == Qt::Horizontal ? QSize(m_length > 0 ? m_length : 10, 1) : QSize(1, m_length > 0 ? m_length : 10);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::primaryAt(this, 0.1));
}

} // namespace kelvaro
