#include "ui/sheets/ChoiceButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/design/Theme.h"

namespace kelvaro {
namespace {
QFont choiceFont()
{
    return Theme::font(TextStyle::body, QFont::Medium);
}
} // namespace

ChoiceButton::ChoiceButton(const QString& title, QWidget* parent) : QPushButton(title, parent)
{
    setAutoDefault(false);
    setDefault(false);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void ChoiceButton::setChosen(bool chosen)
{
    if (chosen == m_chosen)
        return;
    m_chosen = chosen;
    update();
}

QSize ChoiceButton::sizeHint() const
{
    const QFontMetrics metrics(choiceFont());
    return {metrics.horizontalAdvance(text()) + 24, metrics.height() + 12};
}

void ChoiceButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = m_chosen ? Theme::ember() : Theme::primaryAt(dark, 1.0);
    fill.setAlphaF(m_chosen ? (isDown() ? 0.26f : 0.16f) : (isDown() ? 0.12f : 0.06f));
    QPainterPath path;
    path.addRoundedRect(r, 7, 7);
    p.fillPath(path, fill);
    QColor edge = m_chosen ? Theme::ember() : Theme::hairline().resolve(dark);
    if (m_chosen)
        edge.setAlphaF(0.45f);
    p.setPen(QPen(hasFocus() ? Theme::ember() : edge, hasFocus() ? 1.5 : 1));
    p.drawPath(path);
    p.setFont(choiceFont());
    p.setPen((m_chosen ? Theme::emberText() : Theme::secondary()).resolve(dark));
    p.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace kelvaro
