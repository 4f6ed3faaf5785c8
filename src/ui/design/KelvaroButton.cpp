#include "ui/design/KelvaroButton.h"

#include <QPainter>
#include <QVariantAnimation>

#include "ui/design/FocusRing.h"
#include "ui/design/Shapes.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

// The two actions of a confirmation (primary or destructive) share one size and weight.
QFont buttonFont(KelvaroButton::Kind kind)
{
    return Theme::font(TextStyle::callout, kind == KelvaroButton::Kind::secondary ? QFont::Medium : QFont::DemiBold);
}

} // namespace

KelvaroButton::KelvaroButton(const QString& title, Kind kind, QWidget* parent)
    : QAbstractButton(parent), m_kind(kind), m_animation(new QVariantAnimation(this))
{
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_animation->setDuration(120);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_press = v.toReal();
        update();
    });
    auto animateTo = [this](qreal target) {
        m_animation->stop();
        m_animation->setStartValue(m_press);
        m_animation->setEndValue(target);
        m_animation->start();
    };
    connect(this, &QAbstractButton::pressed, this, [animateTo] { animateTo(1.0); });
    connect(this, &QAbstractButton::released, this, [animateTo] { animateTo(0.0); });
}

void KelvaroButton::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

void KelvaroButton::setKind(Kind kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    updateGeometry();
    update();
}

void KelvaroButton::setSmall(bool small)
{
    if (small == m_small)
        return;
    m_small = small;
    updateGeometry();
    update();
}

QFont KelvaroButton::textFont() const
{
    if (!m_small)
        return buttonFont(m_kind);
    QFont f = buttonFont(m_kind);
    f.setPixelSize(Theme::font(TextStyle::caption).pixelSize());
    return f;
}

QSize KelvaroButton::sizeHint() const
{
    const QFont f = textFont();
    QFontMetrics metrics(f);
    const int padX = m_small ? 9 : m_kind == Kind::secondary ? 14 : 16;
    const int padY = m_small ? 4 : m_kind == Kind::secondary ? 7 : 8;
    int w = metrics.horizontalAdvance(text()) + 2 * padX;
    if (!m_symbol.isEmpty())
        w += metrics.height() + 6;
    return {w, metrics.height() + 2 * padY};
}

QColor KelvaroButton::fillColor() const
{
    if (m_kind == Kind::primary)
        return Shapes::darker(Theme::buttonOrange(), 0.08 * m_press);
    if (m_kind == Kind::destructive) {
        QColor tint = Theme::destructive().on(this);
        tint.setAlphaF(float(0.12 + 0.1 * m_press));
        return tint;
    }
    return Theme::primaryAt(this, 0.06 + 0.06 * m_press);
}

void KelvaroButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(drawnOpacity());
    const bool dark = Theme::isDark(this);
    const QRectF r(rect());
    const qreal radius = m_small ? 7 : 10;
    p.fillPath(Shapes::rounded(r, radius), fillColor());
    if (m_kind == Kind::secondary) {
        p.setPen(QPen(Theme::hairline().resolve(dark), 1));
        p.drawPath(Shapes::rounded(Shapes::inner(r), radius - 0.5));
    } else if (m_kind == Kind::destructive) {
        QColor edge = Theme::destructive().resolve(dark);
        edge.setAlphaF(0.35f);
        p.setPen(QPen(edge, 1));
        p.drawPath(Shapes::rounded(Shapes::inner(r), radius - 0.5));
    }
    if (showsFocusRing(this)) {
        // Ember would vanish on the primary orange: there the ring is white, just inside the edge.
        if (m_kind == Kind::primary) {
            p.setPen(QPen(Qt::white, 1.5));
            p.drawPath(Shapes::rounded(r.adjusted(2.75, 2.75, -2.75, -2.75), radius - 2.75));
        } else {
            p.setPen(QPen(Theme::ember(), 2));
            p.drawPath(Shapes::rounded(r.adjusted(1, 1, -1, -1), radius - 1));
        }
    }
    const QFont f = textFont();
    QColor fg = Theme::primary().resolve(dark);
    if (m_kind == Kind::primary)
        fg = Qt::white;
    else if (m_kind == Kind::destructive)
        fg = Theme::destructive().resolve(dark);
    QFontMetrics metrics(f);
    const int textWidth = metrics.horizontalAdvance(text());
    const int glyph = m_symbol.isEmpty() ? 0 : metrics.height();
    const int gap = m_symbol.isEmpty() ? 0 : 6;
    qreal x = (width() - (textWidth + glyph + gap)) / 2.0;
    if (glyph > 0) {
        Symbols::paint(p, QRectF(x, (height() - glyph) / 2.0, glyph, glyph), m_symbol, fg, 1.15);
        x += glyph + gap;
    }
    p.setFont(f);
    p.setPen(fg);
    p.drawText(QRectF(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace kelvaro
