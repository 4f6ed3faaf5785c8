#include "ui/design/DesignSystem.h"

#include <QApplication>
#include <QChildEvent>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "ui/design/Symbols.h"

namespace kelvaro {
namespace {

QColor resolve(const std::variant<DynamicColor, QColor>& color, const QWidget* widget)
{
    if (const auto* dynamic = std::get_if<DynamicColor>(&color))
        return dynamic->on(widget);
    return std::get<QColor>(color);
}

QPainterPath roundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The inside edge of a 1-px border: the rectangle inset by half a pixel.
QRectF inner(const QRectF& rect)
{
    return rect.adjusted(0.5, 0.5, -0.5, -0.5);
}

QColor darker(const QColor& color, qreal amount)
{
    return QColor::fromRgbF(float(qMax(0.0, color.redF() - amount)), float(qMax(0.0, color.greenF() - amount)),
                            float(qMax(0.0, color.blueF() - amount)), color.alphaF());
}

// The two actions of a confirmation (primary or destructive) share one size and weight.
QFont buttonFont(KelvaroButton::Kind kind)
{
    return Theme::font(TextStyle::callout, kind == KelvaroButton::Kind::secondary ? QFont::Medium : QFont::DemiBold);
}

} // namespace

// ---- Card -----------------------------------------------------------------------------------------

Card::Card(int radius, QWidget* parent) : QWidget(parent), m_radius(radius)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

QColor Card::borderColor(bool dark)
{
    return dark ? QColor::fromRgbF(1, 1, 1, 0.09f) : QColor::fromRgbF(0, 0, 0, 0.08f);
}

void Card::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    p.fillPath(roundedRect(QRectF(rect()), m_radius), Theme::cardFill().resolve(dark));
    p.setPen(QPen(borderColor(dark), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedRect(inner(QRectF(rect())), m_radius - 0.5));
}

// ---- LinkButton -----------------------------------------------------------------------------------

LinkButton::LinkButton(const QString& title, TextStyle style, QWidget* parent)
    : QAbstractButton(parent), m_font(Theme::font(style, QFont::Medium))
{
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LinkButton::setTextFont(const QFont& font)
{
    m_font = font;
    updateGeometry();
    update();
}

QSize LinkButton::sizeHint() const
{
    QFontMetrics metrics(m_font);
    return {metrics.horizontalAdvance(text()) + 2, metrics.height() + 2};
}

void LinkButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QFont f = m_font;
    f.setUnderline(m_hovering && isEnabled());
    p.setFont(f);
    QColor c = Theme::emberText().on(this);
    if (isDown())
        c = darker(c, 0.12);
    if (!isEnabled())
        c.setAlphaF(0.45f);
    p.setPen(c);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
    if (hasFocus() && m_keyboardFocus) {
        p.setPen(QPen(Theme::ember(), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void LinkButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// The ring shows where keyboard focus went, not where a window's first focus happened to land.
void LinkButton::focusInEvent(QFocusEvent* event)
{
    const Qt::FocusReason reason = event->reason();
    m_keyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void LinkButton::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

// ---- CardHeader -----------------------------------------------------------------------------------

CardHeader::CardHeader(const QString& title, const std::optional<QString>& subtitle,
                       const std::optional<QString>& actionTitle, std::function<void()> action, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto* column = new QVBoxLayout();
    column->setSpacing(2);
    column->setContentsMargins(0, 0, 0, 0);
    auto* titleText = new Text(title, TextStyle::cardTitle, this);
    titleText->setObjectName(QStringLiteral("title"));
    titleText->setElide(Qt::ElideRight);
    column->addWidget(titleText);
    if (subtitle) {
        m_subtitle = new Text(*subtitle, TextStyle::caption, this);
        m_subtitle->setObjectName(QStringLiteral("subtitle"));
        m_subtitle->setColor(Theme::secondary());
        m_subtitle->setElide(Qt::ElideRight);
        column->addWidget(m_subtitle);
    }
    row->addLayout(column, 1);
    if (actionTitle && action) {
        m_action = new LinkButton(*actionTitle, TextStyle::caption, this);
        m_action->setObjectName(QStringLiteral("action"));
        connect(m_action, &QAbstractButton::clicked, this, [action] { action(); });
        row->addWidget(m_action, 0, Qt::AlignTop);
    }
}

// ---- KeyCap ---------------------------------------------------------------------------------------

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
    p.fillPath(roundedRect(r, 5), Theme::primaryAt(dark, 0.06));
    p.setPen(QPen(Theme::hairline().resolve(dark), 1));
    p.drawPath(roundedRect(inner(r), 4.5));
    p.setFont(Theme::font(11, QFont::Medium));
    p.setPen(Theme::secondary().resolve(dark));
    p.drawText(rect(), Qt::AlignCenter, m_text);
}

// ---- KelvaroButton --------------------------------------------------------------------------------

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
        return darker(Theme::buttonOrange(), 0.08 * m_press);
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
    p.fillPath(roundedRect(r, radius), fillColor());
    if (m_kind == Kind::secondary) {
        p.setPen(QPen(Theme::hairline().resolve(dark), 1));
        p.drawPath(roundedRect(inner(r), radius - 0.5));
    } else if (m_kind == Kind::destructive) {
        QColor edge = Theme::destructive().resolve(dark);
        edge.setAlphaF(0.35f);
        p.setPen(QPen(edge, 1));
        p.drawPath(roundedRect(inner(r), radius - 0.5));
    }
    if (hasFocus()) {
        p.setPen(QPen(Theme::ember(), 2));
        p.drawPath(roundedRect(r.adjusted(1, 1, -1, -1), radius - 1));
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

// ---- IconBadge ------------------------------------------------------------------------------------

IconBadge::IconBadge(const QString& symbol, const QColor& color, int size, bool filled, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(color), m_size(size), m_filled(filled)
{
    setFixedSize(size, size);
}

void IconBadge::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void IconBadge::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void IconBadge::setFilled(bool filled)
{
    if (filled == m_filled)
        return;
    m_filled = filled;
    update();
}

void IconBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, m_size, m_size);
    if (m_filled) {
        // The colour's own gradient: a touch lighter at the top, a touch deeper at the bottom.
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, m_color.lighter(112));
        g.setColorAt(1, m_color.darker(108));
        p.fillPath(roundedRect(r, cornerRadius()), g);
    } else {
        QColor tint = m_color;
        tint.setAlphaF(0.14f);
        p.fillPath(roundedRect(r, cornerRadius()), tint);
    }
    const qreal g = glyphSize();
    Symbols::paint(p, QRectF((m_size - g) / 2, (m_size - g) / 2, g, g), m_symbol, m_filled ? QColor(Qt::white) : m_color, 1.2);
}

// ---- SymbolView -----------------------------------------------------------------------------------

SymbolView::SymbolView(const QString& symbol, int glyphSize, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_glyph(glyphSize)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString& symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolView::setColor(const DynamicColor& color)
{
    m_color = color;
    update();
}

void SymbolView::setColor(const QColor& color)
{
    m_color = color;
    update();
}

void SymbolView::setBoxWidth(int width)
{
    m_box = width;
    updateGeometry();
}

void SymbolView::setWeight(qreal weight)
{
    m_weight = weight;
    update();
}

QSize SymbolView::sizeHint() const
{
    return {qMax(m_box, m_glyph), m_glyph};
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r((width() - m_glyph) / 2.0, (height() - m_glyph) / 2.0, m_glyph, m_glyph);
    Symbols::paint(p, r, m_symbol, resolve(m_color, this), m_weight);
}

// ---- HoverButton ----------------------------------------------------------------------------------

HoverButton::HoverButton(int radius, QWidget* parent)
    : QAbstractButton(parent), m_layout(new QHBoxLayout(this)), m_radius(radius)
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize HoverButton::sizeHint() const
{
    return m_layout->sizeHint();
}

QSize HoverButton::minimumSizeHint() const
{
    return m_layout->minimumSize();
}

void HoverButton::childEvent(QChildEvent* event)
{
    // The children only draw; the button under them takes every click and hover.
    if (event->added() && event->child()->isWidgetType())
        static_cast<QWidget*>(event->child())->setAttribute(Qt::WA_TransparentForMouseEvents);
    QAbstractButton::childEvent(event);
}

void HoverButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_hovering)
        p.fillPath(roundedRect(QRectF(rect()), m_radius), Theme::primaryAt(this, 0.05));
    if (hasFocus()) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawPath(roundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), m_radius));
    }
}

void HoverButton::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void HoverButton::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// ---- Divider --------------------------------------------------------------------------------------

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
