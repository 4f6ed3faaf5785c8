#include "ui/sheets/ChoiceButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/design/FocusRing.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {
constexpr int kGlyph = 14;
constexpr int kGlyphGap = 5;

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

void ChoiceButton::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    updateGeometry();
    update();
}

QSize ChoiceButton::sizeHint() const
{
    const QFontMetrics metrics(choiceFont());
    const int glyph = m_symbol.isEmpty() ? 0 : kGlyph + kGlyphGap;
    return {glyph + metrics.horizontalAdvance(text()) + (m_symbol.isEmpty() ? 24 : 20), metrics.height() + 12};
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
    const bool ring = showsFocusRing(this);
    p.setPen(QPen(ring ? Theme::ember() : edge, ring ? 1.5 : 1));
    p.drawPath(path);
    const QColor ink = (m_chosen ? Theme::emberText() : Theme::secondary()).resolve(dark);
    p.setFont(choiceFont());
    p.setPen(ink);
    if (m_symbol.isEmpty()) {
        p.drawText(rect(), Qt::AlignCenter, text());
        return;
    }
    const int textWidth = QFontMetrics(choiceFont()).horizontalAdvance(text());
    const qreal left = (width() - (kGlyph + kGlyphGap + textWidth)) / 2.0;
    Symbols::paint(p, QRectF(left, (height() - kGlyph) / 2.0, kGlyph, kGlyph), m_symbol, ink);
    p.drawText(QRectF(left + kGlyph + kGlyphGap, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace kelvaro
