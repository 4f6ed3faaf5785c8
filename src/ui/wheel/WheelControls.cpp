#include "ui/wheel/WheelControls.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include "ui/design/FocusRing.h"
#include "ui/wheel/WheelStyle.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

void paintCapsule(QPainter& painter, const QRectF& rect, const QColor& fill)
{
    const qreal r = rect.height() / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, r, r);
    painter.restore();
}

// ---- ToneLabel ----------------------------------------------------------------------------------

ToneLabel::ToneLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
    , m_tone([](const WheelPalette& p) { return p.primary; })
{
    setTextFormat(Qt::PlainText);
    applyTone();
}

void ToneLabel::setTone(Tone tone)
{
    m_tone = std::move(tone);
    applyTone();
}

void ToneLabel::setWrapWidth(int maxWidth)
{
    maxWidth = std::max(0, maxWidth);
    if (maxWidth == m_wrapWidth)
        return;
    m_wrapWidth = maxWidth;
    setWordWrap(maxWidth > 0);
    updateGeometry();
}

QSize ToneLabel::sizeHint() const
{
    if (m_wrapWidth <= 0)
        return QLabel::sizeHint();
    const QMargins m = contentsMargins();
    const int natural = fontMetrics().horizontalAdvance(text()) + 4 + m.left() + m.right();
    const int width = std::max(1, std::min(natural, m_wrapWidth));
    return {width, heightForWidth(width)};
}

QSize ToneLabel::minimumSizeHint() const
{
    // Narrow enough never to hold its container wider than the room the wrap width follows.
    if (m_wrapWidth <= 0)
        return QLabel::minimumSizeHint();
    const QSize hint = sizeHint();
    return {std::min(hint.width(), 40), hint.height()};
}

bool ToneLabel::hasHeightForWidth() const
{
    return m_wrapWidth <= 0 && QLabel::hasHeightForWidth();
}

QColor ToneLabel::textColor() const
{
    return palette().color(QPalette::WindowText);
}

void ToneLabel::applyTone()
{
    if (m_applying)
        return;
    m_applying = true;
    QPalette pal = palette();
    const QColor color = m_tone(WheelPalette::forWidget(this));
    if (pal.color(QPalette::WindowText) != color) {
        pal.setColor(QPalette::WindowText, color);
        setPalette(pal);
    }
    m_applying = false;
}

void ToneLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyTone();
}

// ---- SymbolButton -------------------------------------------------------------------------------

SymbolButton::SymbolButton(const QString& symbol, int side, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_side(side)
{
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
}

void SymbolButton::setColors(const QColor& color, const QColor& secondary)
{
    m_color = color;
    m_secondary = secondary;
    update();
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = m_color.isValid() ? m_color : palette.secondary;
    if (isDown())
        color = mix(color, palette.primary, 0.35);
    drawSymbol(painter, m_symbol, QRectF(rect()), color, m_secondary);
    if (showsFocusRing(this)) {
        painter.setPen(QPen(palette.ember, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75));
    }
}

// ---- SmallButton --------------------------------------------------------------------------------

SmallButton::SmallButton(const QString& symbol, const QString& text, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
{
    setText(text);
    setFont(wheelFont(TextSize::caption, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
}

QSize SmallButton::sizeHint() const
{
    const QFontMetrics m(font());
    return {8 + 11 + 4 + m.horizontalAdvance(text()) + 9, 22};
}

void SmallButton::paintEvent(QPaintEvent*)
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double fillOpacity = isDown() ? 0.12 : 0.06;
    painter.setPen(QPen(palette.hairline, 1));
    painter.setBrush(withAlpha(palette.primary, fillOpacity));
    painter.drawRoundedRect(box, 6, 6);
    if (showsFocusRing(this)) {
        painter.setPen(QPen(palette.ember, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 6, 6);
    }
    painter.setOpacity(isEnabled() ? 1.0 : 0.4);
    const QColor color = palette.primary;
    drawSymbol(painter, m_symbol, QRectF(8, (height() - 11) / 2.0, 11, 11), color);
    painter.setFont(font());
    painter.setPen(color);
    painter.drawText(QRectF(8 + 11 + 4, 0, width() - 23, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

// ---- PrimaryButton ------------------------------------------------------------------------------

PrimaryButton::PrimaryButton(const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setFont(wheelFont(TextSize::callout + 1, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
}

QSize PrimaryButton::sizeHint() const
{
    const QFontMetrics m(font());
    // Large control: a little taller than the regular 8-px padding.
    return {m.horizontalAdvance(text()) + 2 * 18, m.height() + 2 * 10};
}

void PrimaryButton::paintEvent(QPaintEvent*)
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    QColor fill = palette.buttonOrange;
    if (isDown())
        fill = fill.darker(112);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
    if (showsFocusRing(this)) {
        // Ember would vanish on the orange: a white ring just inside the edge.
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(2.75, 2.75, -2.75, -2.75), 7.5, 7.5);
    }
    painter.setFont(font());
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text());
}

// ---- SymbolLabel ---------------------------------------------------------------------------------

SymbolLabel::SymbolLabel(const QString& symbol, int side, QWidget* parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_side(side)
    , m_color([](const QWidget* w) { return WheelPalette::forWidget(w).secondary; })
{
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolLabel::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void SymbolLabel::setColorRole(std::function<QColor(const QWidget*)> color)
{
    m_color = std::move(color);
    update();
}

void SymbolLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSymbol(painter, m_symbol, QRectF(rect()), m_color(this));
}

} // namespace kelvaro::wheel
