#include "ui/design/KeyCap.h"

#include <QPainter>

#include "ui/design/Shapes.h"
#include "ui/design/Theme.h"

namespace kelvaro {

KeyCap::KeyCap(const QString& text, QWidget* parent) : QWidget(parent), m_text(text)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

QSize KeyCap::sizeHint() const
{
    QFontMetrics metrics(Theme::font(11, QFont::Medium));
    return {metrics.horizontalAdvance(m_text) + 12, metrics.height() + 4};
}

void KeyCap::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    const QRectF r(rect());
    p.fillPath(Shapes::rounded(r, 5), Theme::primaryAt(dark, 0.06));
    p.setPen(QPen(Theme::hairline().resolve(dark), 1));
    p.drawPath(Shapes::rounded(Shapes::inner(r), 4.5));
    p.setFont(Theme::font(11, QFont::Medium));
    p.setPen(Theme::secondary().resolve(dark));
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

} // namespace kelvaro
