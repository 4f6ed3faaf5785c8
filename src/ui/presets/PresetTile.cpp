#include "ui/presets/PresetTile.h"

#include <algorithm>

#include <QEasingCurve>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QVariantAnimation>

#include "l10n/Localization.h"
#include "ui/design/FocusRing.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

constexpr int kPadding = 8;
constexpr int kGlyphBox = 28;
constexpr int kSpacing = 10;
constexpr qreal kRadius = 10;
constexpr int kTitleGap = 1;
constexpr int kRestingWidth = 232; // the preset panel's width, which tiles span

QFont titleFont()
{
    return Theme::font(TextStyle::callout, QFont::Medium);
}

QFont detailFont()
{
    return Theme::font(TextStyle::caption);
}

// `text` broken into lines of at most `width` at word boundaries (anywhere in a word too long
// for a line); with `maxLines` the last line takes the rest, cut with an ellipsis.
QStringList wrapped(const QString& text, const QFont& font, int width, int maxLines = 0)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (maxLines > 0 && lines.size() == maxLines - 1) {
            lines << QFontMetrics(font).elidedText(text.mid(line.textStart()).trimmed(), Qt::ElideRight, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

int textWidthFor(int tileWidth)
{
    return std::max(20, tileWidth - 2 * kPadding - kGlyphBox - kSpacing);
}

QPainterPath rounded(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

// ---- AspectGlyph ------------------------------------------------------------------------------

QSizeF AspectGlyph::shapeSize(int width, int height)
{
    const double r = double(std::max(width, 1)) / double(std::max(height, 1));
    return r >= 1 ? QSizeF(box, box / r) : QSizeF(box * r, box);
}

void AspectGlyph::paint(QPainter& painter, const QRectF& area, int width, int height, const QColor& tint)
{
    const QSizeF size = shapeSize(width, height);
    const QRectF shape(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(),
                       size.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = tint;
    fill.setAlphaF(0.22f);
    painter.fillPath(rounded(shape, 4), fill);
    painter.setPen(QPen(tint, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(rounded(shape.adjusted(0.75, 0.75, -0.75, -0.75), 3.25));
    painter.restore();
}

// ---- PresetTile -------------------------------------------------------------------------------

PresetTile::PresetTile(const QString& title, const QString& detail, Glyph glyph, QWidget* parent)
    : QAbstractButton(parent), m_title(title), m_detail(detail), m_glyph(std::move(glyph)),
      m_animation(new QVariantAnimation(this))
{
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
    setAccessibleDescription(detail);
    setToolTip(title);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_animation->setDuration(120);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_hover = value.toReal();
        update();
    });
}

QStringList PresetTile::linesFor(int width) const
{
    return wrapped(m_title, titleFont(), textWidthFor(width), 2);
}

QStringList PresetTile::detailLinesFor(int width) const
{
    return wrapped(m_detail, detailFont(), textWidthFor(width));
}

int PresetTile::heightForWidth(int width) const
{
    const int titleHeight = int(linesFor(width).size()) * QFontMetrics(titleFont()).lineSpacing();
    const int detailHeight = int(detailLinesFor(width).size()) * QFontMetrics(detailFont()).lineSpacing();
    return 2 * kPadding + std::max(int(AspectGlyph::box), titleHeight + kTitleGap + detailHeight);
}

QSize PresetTile::sizeHint() const
{
    return {kRestingWidth, heightForWidth(kRestingWidth)};
}

QSize PresetTile::minimumSizeHint() const
{
    return {2 * kPadding + kGlyphBox + kSpacing + 20, heightForWidth(kRestingWidth)};
}

void PresetTile::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.45);
    const QRectF box(rect());
    const bool dark = Theme::isDark(this);
    p.fillPath(rounded(box, kRadius), Theme::primaryAt(dark, 0.05 + 0.05 * m_hover));
    if (m_hover > 0) {
        QColor border = Theme::ember();
        border.setAlphaF(float(0.55 * m_hover));
        p.setPen(QPen(border, 1.2));
        p.drawPath(rounded(box.adjusted(0.6, 0.6, -0.6, -0.6), kRadius - 0.6));
    }
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawPath(rounded(box.adjusted(1, 1, -1, -1), kRadius - 1));
    }

    const QStringList lines = linesFor(width());
    const QStringList detailLines = detailLinesFor(width());
    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics detailMetrics(detailFont());
    const int textHeight = int(lines.size()) * titleMetrics.lineSpacing() + kTitleGap
                         + int(detailLines.size()) * detailMetrics.lineSpacing();
    const qreal midY = box.center().y();
    if (m_glyph)
        m_glyph(p, QRectF(kPadding, midY - AspectGlyph::box / 2, kGlyphBox, AspectGlyph::box));

    const qreal left = kPadding + kGlyphBox + kSpacing;
    const qreal textWidth = box.width() - left - kPadding;
    qreal y = midY - textHeight / 2.0;
    p.setFont(titleFont());
    p.setPen(Theme::primary().resolve(dark));
    for (const QString& line : lines) {
        p.drawText(QRectF(left, y, textWidth, titleMetrics.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += titleMetrics.lineSpacing();
    }
    y += kTitleGap;
    p.setFont(detailFont());
    p.setPen(Theme::secondary().resolve(dark));
    for (const QString& line : detailLines) {
        p.drawText(QRectF(left, y, textWidth, detailMetrics.lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += detailMetrics.lineSpacing();
    }
}

void PresetTile::setHovering(bool hovering)
{
    if (m_hovering == hovering)
        return;
    m_hovering = hovering;
    m_animation->stop();
    m_animation->setStartValue(m_hover);
    m_animation->setEndValue(hovering ? 1.0 : 0.0);
    m_animation->start();
}

void PresetTile::enterEvent(QEnterEvent* event)
{
    setHovering(true);
    QAbstractButton::enterEvent(event);
}

void PresetTile::leaveEvent(QEvent* event)
{
    setHovering(false);
    QAbstractButton::leaveEvent(event);
}

// ---- GroupHeader ------------------------------------------------------------------------------

namespace {

constexpr int kCapsuleGlyph = 11;
constexpr int kCapsuleGap = 4;

QFont capsuleFont()
{
    return Theme::font(TextStyle::caption, QFont::Bold);
}

} // namespace

GroupHeader::GroupHeader(const QString& title, const QString& symbol, QList<QColor> fill, QWidget* parent)
    : QWidget(parent), m_title(title), m_symbol(symbol), m_fill(std::move(fill))
{
    setAccessibleName(L(title));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize GroupHeader::sizeHint() const
{
    const QFontMetrics metrics(capsuleFont());
    return {10 + kCapsuleGlyph + kCapsuleGap + metrics.horizontalAdvance(L(m_title)) + 10, metrics.height() + 10};
}

void GroupHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    QBrush brush(m_fill.value(0, Theme::ember()));
    if (m_fill.size() > 1) {
        QLinearGradient gradient(box.topLeft(), box.topRight());
        for (qsizetype i = 0; i < m_fill.size(); ++i)
            gradient.setColorAt(double(i) / double(m_fill.size() - 1), m_fill.at(i));
        brush = QBrush(gradient);
    }
    p.fillPath(rounded(box, box.height() / 2), brush);
    const QFontMetrics metrics(capsuleFont());
    Symbols::paint(p, QRectF(10, box.center().y() - kCapsuleGlyph / 2.0, kCapsuleGlyph, kCapsuleGlyph), m_symbol,
                   Qt::white, 1.2);
    p.setFont(capsuleFont());
    p.setPen(Qt::white);
    p.drawText(QRectF(10 + kCapsuleGlyph + kCapsuleGap, 0, box.width() - 20 - kCapsuleGlyph - kCapsuleGap, box.height()),
               Qt::AlignLeft | Qt::AlignVCenter, L(m_title));
}

} // namespace kelvaro
