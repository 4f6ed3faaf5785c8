#include "ui/design/ModeSwitcher.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/design/Motion.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

constexpr int kInset = 3;
constexpr int kSpacing = 2;
constexpr int kGlyph = 14;
constexpr double kPillResponse = 0.3; // seconds

QFont segmentFont(bool selected)
{
    return Theme::font(TextStyle::callout, selected ? QFont::DemiBold : QFont::Medium);
}

} // namespace

ModeSwitcher::ModeSwitcher(WheelMode selection, QWidget* parent)
    : QWidget(parent), m_selection(selection), m_animation(new SpringAnimation(kPillResponse, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_pill = value.toRectF();
        update();
    });
}

QString ModeSwitcher::symbol(WheelMode mode)
{
    switch (mode) {
    case WheelMode::convert: return QStringLiteral("arrow.triangle.2.circlepath");
    case WheelMode::tools: return QStringLiteral("wand.and.stars");
    case WheelMode::actions: return QStringLiteral("bolt.fill");
    }
    return {};
}

void ModeSwitcher::setSelection(WheelMode mode)
{
    if (mode == m_selection)
        return;
    m_selection = mode;
    movePill(isVisible());
    update();
    Q_EMIT selectionChanged(mode);
}

QSize ModeSwitcher::sizeHint() const
{
    int widest = 0;
    for (WheelMode mode : allWheelModes())
        widest = qMax(widest, QFontMetrics(segmentFont(true)).horizontalAdvance(title(mode)) + kGlyph + 6 + 24);
    const int height = QFontMetrics(segmentFont(true)).height() + 12 + 2 * kInset;
    return {3 * widest + 2 * kSpacing + 2 * kInset, height};
}

QSize ModeSwitcher::minimumSizeHint() const
{
    return sizeHint();
}

QRect ModeSwitcher::segmentRect(WheelMode mode) const
{
    const int index = int(allWheelModes().indexOf(mode));
    const int inner = width() - 2 * kInset - 2 * kSpacing;
    const int x0 = kInset + index * (inner / 3 + kSpacing);
    const int w = index == 2 ? width() - kInset - x0 : inner / 3;
    return {x0, kInset, w, height() - 2 * kInset};
}

int ModeSwitcher::indexAt(const QPoint& pos) const
{
    for (int i = 0; i < 3; ++i)
        if (segmentRect(allWheelModes().at(i)).adjusted(-kSpacing, -kInset, kSpacing, kInset).contains(pos))
            return i;
    return -1;
}

void ModeSwitcher::movePill(bool animated)
{
    const QRectF target = segmentRect(m_selection);
    m_animation->stop();
    if (!animated || m_pill.isNull()) {
        m_pill = target;
        return;
    }
    m_animation->setStartValue(m_pill);
    m_animation->setEndValue(target);
    m_animation->start();
}

void ModeSwitcher::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    movePill(false);
}

void ModeSwitcher::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        updateGeometry();
}

void ModeSwitcher::mousePressEvent(QMouseEvent* event)
{
    m_pressed = indexAt(event->position().toPoint());
}

void ModeSwitcher::mouseReleaseEvent(QMouseEvent* event)
{
    const int index = indexAt(event->position().toPoint());
    if (index >= 0 && index == m_pressed) {
        const WheelMode mode = allWheelModes().at(index);
        setSelection(mode);
        Q_EMIT modeClicked(mode);
    }
    m_pressed = -1;
}

void ModeSwitcher::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), 9, 9);
    p.fillPath(track, Theme::primaryAt(dark, 0.05));
    if (!m_pill.isNull()) {
        QPainterPath pill;
        pill.addRoundedRect(m_pill, 7, 7);
        p.fillPath(pill, Theme::cardFill().resolve(dark));
        p.setPen(QPen(Theme::hairline().resolve(dark), 1));
        p.drawRoundedRect(m_pill.adjusted(0.5, 0.5, -0.5, -0.5), 6.5, 6.5);
    }
    for (WheelMode mode : allWheelModes()) {
        const bool selected = mode == m_selection;
        const QRect r = segmentRect(mode);
        const QFont f = segmentFont(selected);
        const QString label = title(mode);
        QFontMetrics metrics(f);
        const int textWidth = qMin(metrics.horizontalAdvance(label), r.width() - kGlyph - 6 - 8);
        const int total = kGlyph + 6 + textWidth;
        const int x = r.x() + (r.width() - total) / 2;
        const QColor fg = (selected ? Theme::primary() : Theme::secondary()).resolve(dark);
        Symbols::paint(p, QRectF(x, r.center().y() - kGlyph / 2.0 + 0.5, kGlyph, kGlyph), symbol(mode), fg, selected ? 1.15 : 1.0);
        p.setFont(f);
        p.setPen(fg);
        p.drawText(QRect(x + kGlyph + 6, r.y(), textWidth + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(label, Qt::ElideRight, textWidth + 1));
    }
}

} // namespace kelvaro
