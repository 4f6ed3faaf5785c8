#include "ui/design/Spinner.h"

#include <algorithm>

#include <QPainter>

#include "ui/design/Theme.h"

namespace kelvaro {

Spinner::Spinner(int side, QWidget* parent)
    : QWidget(parent)
    , m_side(side)
{
    setFixedSize(side, side);
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % 8;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent*)
{
    // The window's palette decides the appearance, as for the labels around it.
    const QColor secondary = Theme::secondary().resolve(Theme::isDark(window()->palette()));
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const double outer = m_side / 2.0 - 1;
    for (int i = 0; i < 8; ++i) {
        QColor stroke = secondary;
        stroke.setAlphaF(float((0.2 + 0.8 * ((i - m_phase + 8) % 8) / 7.0) * stroke.alphaF()));
        painter.save();
        painter.rotate(i * 45.0);
        painter.setPen(QPen(stroke, std::max(1.5, m_side / 9.0), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -outer * 0.45), QPointF(0, -outer));
        painter.restore();
    }
}

void Spinner::showEvent(QShowEvent* event)
{
    m_timer.start();
    QWidget::showEvent(event);
}

void Spinner::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

} // namespace kelvaro
