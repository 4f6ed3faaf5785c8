#include "ui/wheel/ActionWheel.h"

#include <cmath>

#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "ui/wheel/WheelStyle.h"

namespace kelvaro::wheel {

namespace {
// The highlight follows the pointer on a spring of 0.25 s; a mode swap springs in 0.3 s.
constexpr double kHoverResponse = 0.25;
constexpr double kSwapResponse = 0.3;
} // namespace

QList<QUrl> localFileUrls(const QMimeData* mime)
{
    QList<QUrl> urls;
    if (!mime || !mime->hasUrls())
        return urls;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            urls.append(url);
    return urls;
}

ActionWheel::ActionWheel(WheelMode mode, QWidget* parent)
    : QWidget(parent)
    , m_mode(mode)
    , m_colors(wedgeHighlightColors())
{
    setMouseTracking(true);
    setAcceptDrops(true);
    setAttribute(Qt::WA_Hover, false);
    setFixedSize(sizeHint());
    m_frameTimer.setInterval(16);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &ActionWheel::onFrame);
    resetSprings();
}

QSize ActionWheel::sizeHint() const
{
    const int side = int(std::ceil(m_size)) + 2 * kMargin;
    return {side, side};
}

WheelGeometry ActionWheel::wheelGeometry() const
{
    return {m_size, m_innerRatio, int(wheelActions().size())};
}

const QList<WheelAction>& ActionWheel::wheelActions() const
{
    return kelvaro::actions(m_mode);
}

void ActionWheel::resetSprings()
{
    m_wedgeSprings = QList<Spring>(wheelActions().size());
    m_centreSpring = {};
    m_blendSpring = {1, 0, 1};
    m_centre = centreContent(m_mode, std::nullopt);
    m_previousCentre = m_centre;
    m_hovered.reset();
    m_frameTimer.stop();
}

void ActionWheel::setMode(WheelMode mode)
{
    if (mode == m_mode)
        return;
    const bool wasHighlighted = m_hovered.has_value();
    if (isVisible()) {
        m_outgoing = QPixmap(size() * devicePixelRatioF());
        m_outgoing.setDevicePixelRatio(devicePixelRatioF());
        m_outgoing.fill(Qt::transparent);
        QPainter painter(&m_outgoing);
        painter.translate(kMargin, kMargin);
        paintWheel(painter, wheelGeometry(), currentVisual(), WheelPalette::forWidget(this));
    }
    m_mode = mode;
    resetSprings();
    // A fresh wheel takes its highlight from the pinned key without animating into it; a host
    // that was told of a wedge of the old mode hears that it is gone.
    if (pinnedIndex())
        setHovered(pinnedIndex());
    else if (wasHighlighted)
        Q_EMIT hoverChanged(WheelAction{}, false);
    snapHighlight();
    if (!m_outgoing.isNull()) {
        m_swap = {0, 0, 1};
        restartAnimation();
    }
}

void ActionWheel::setPinned(const std::optional<QString>& key)
{
    // Only a change of the pinned key moves the highlight; the host sets it on every update.
    if (key == m_pinned)
        return;
    m_pinned = key;
    setHovered(pinnedIndex());
}

void ActionWheel::setWheelSize(double size)
{
    if (size <= 0 || size == m_size)
        return;
    m_size = size;
    setFixedSize(sizeHint());
    update();
}

void ActionWheel::setInnerRatio(double ratio)
{
    if (ratio < 0 || ratio >= 1 || ratio == m_innerRatio)
        return;
    m_innerRatio = ratio;
    update();
}

void ActionWheel::setWedgeColors(const QList<QColor>& colors)
{
    if (colors.isEmpty())
        return;
    m_colors = colors;
    update();
}

bool ActionWheel::containsPoint(QPointF widgetPoint) const
{
    const WheelGeometry g = wheelGeometry();
    const QPointF d = toWheel(widgetPoint) - g.centre();
    return std::hypot(d.x(), d.y()) <= g.hitLimit();
}

std::optional<int> ActionWheel::pinnedIndex() const
{
    if (!m_pinned)
        return std::nullopt;
    const QList<WheelAction>& list = wheelActions();
    for (int i = 0; i < list.size(); ++i)
        if (list[i].key == *m_pinned)
            return i;
    return std::nullopt;
}

void ActionWheel::setHovered(std::optional<int> index)
{
    if (index && (*index < 0 || *index >= wheelActions().size()))
        index.reset();
    if (index == m_hovered)
        return;
    m_hovered = index;
    for (int i = 0; i < m_wedgeSprings.size(); ++i)
        m_wedgeSprings[i].target = (index && *index == i) ? 1.0 : 0.0;
    m_centreSpring.target = index ? 1.0 : 0.0;
    const CentreContent next = centreContent(m_mode, index);
    if (!(next == m_centre)) {
        m_previousCentre = m_centre;
        m_centre = next;
        m_blendSpring.value = 0;
        m_blendSpring.velocity = 0;
        m_blendSpring.target = 1;
    }
    restartAnimation();
    if (index)
        Q_EMIT hoverChanged(wheelActions()[*index], true);
    else
        Q_EMIT hoverChanged(WheelAction{}, false);
}

void ActionWheel::restartAnimation()
{
    if (!m_frameTimer.isActive()) {
        m_clock.start();
        m_frameTimer.start();
    }
    update();
}

void ActionWheel::onFrame()
{
    const double dt = std::min(0.1, m_clock.restart() / 1000.0);
    bool done = true;
    for (Spring& s : m_wedgeSprings) {
        s.step(dt, kHoverResponse);
        done = done && s.settled();
    }
    m_centreSpring.step(dt, kHoverResponse);
    m_blendSpring.step(dt, kHoverResponse);
    m_swap.step(dt, kSwapResponse);
    if (m_swap.settled())
        m_outgoing = QPixmap();
    done = done && m_centreSpring.settled() && m_blendSpring.settled() && m_swap.settled();
    if (done)
        m_frameTimer.stop();
    update();
}

void ActionWheel::snapHighlight()
{
    for (Spring& s : m_wedgeSprings)
        s.snap();
    m_centreSpring.snap();
    m_blendSpring.snap();
    m_previousCentre = m_centre;
    update();
}

void ActionWheel::settle()
{
    snapHighlight();
    m_swap.snap();
    m_outgoing = QPixmap();
    m_frameTimer.stop();
}

WheelVisual ActionWheel::currentVisual() const
{
    WheelVisual visual;
    visual.actions = wheelActions();
    visual.wedgeColors = m_colors;
    for (const Spring& s : m_wedgeSprings)
        visual.highlight.append(std::clamp(s.value, 0.0, 1.0));
    visual.centre = m_centre;
    visual.previousCentre = m_previousCentre;
    visual.centreBlend = std::clamp(m_blendSpring.value, 0.0, 1.0);
    visual.centreHighlight = std::clamp(m_centreSpring.value, 0.0, 1.0);
    return visual;
}

void ActionWheel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const double t = std::clamp(m_swap.value, 0.0, 1.0);
    const QPointF c = toWidget(wheelGeometry().centre());
    auto scaled = [&](double scale) {
        painter.translate(c);
        painter.scale(scale, scale);
        painter.translate(-c);
    };
    if (t < 1 && !m_outgoing.isNull()) {
        painter.save();
        painter.setOpacity(1 - t);
        scaled(1 - 0.15 * t);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(0, 0, m_outgoing);
        painter.restore();
        painter.setOpacity(t);
        scaled(0.85 + 0.15 * t);
    }
    painter.translate(kMargin, kMargin);
    paintWheel(painter, wheelGeometry(), currentVisual(), WheelPalette::forWidget(this));
}

void ActionWheel::mouseMoveEvent(QMouseEvent* event)
{
    // Beyond the hit band the pointer is off the wheel (the widget's corners): as when it leaves.
    if (!containsPoint(event->position()))
        setHovered(pinnedIndex());
    else
        setHovered(wheelGeometry().indexAt(toWheel(event->position())));
}

void ActionWheel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = wheelGeometry().indexAt(toWheel(event->position()));
    if (!m_pressed)
        event->ignore();
}

void ActionWheel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const std::optional<int> index = wheelGeometry().indexAt(toWheel(event->position()));
    const std::optional<int> pressed = std::exchange(m_pressed, std::nullopt);
    // A press on one wedge released over another is no click.
    if (index && index == pressed)
        Q_EMIT actionSelected(wheelActions()[*index]);
}

void ActionWheel::leaveEvent(QEvent* event)
{
    setHovered(pinnedIndex());
    QWidget::leaveEvent(event);
}

void ActionWheel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_pressed.reset();
        setHovered(pinnedIndex());
    }
    QWidget::changeEvent(event);
}

bool ActionWheel::dragUpdate(QPointF widgetPoint)
{
    setHovered(wheelGeometry().indexAt(toWheel(widgetPoint)));
    return m_hovered.has_value();
}

void ActionWheel::dragExit()
{
    setHovered(std::nullopt);
}

bool ActionWheel::dropAt(QPointF widgetPoint, const QList<QUrl>& urls)
{
    const std::optional<int> index = wheelGeometry().indexAt(toWheel(widgetPoint));
    if (!index)
        return false;
    setHovered(std::nullopt);
    if (!urls.isEmpty() && *index < wheelActions().size())
        Q_EMIT filesDropped(urls, wheelActions()[*index]);
    return true;
}

void ActionWheel::dragEnterEvent(QDragEnterEvent* event)
{
    if (localFileUrls(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    dragUpdate(event->position());
}

void ActionWheel::dragMoveEvent(QDragMoveEvent* event)
{
    if (dragUpdate(event->position())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ActionWheel::dragLeaveEvent(QDragLeaveEvent* event)
{
    dragExit();
    event->accept();
}

void ActionWheel::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = localFileUrls(event->mimeData());
    if (urls.isEmpty() || !dropAt(event->position(), urls)) {
        dragExit();
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace kelvaro::wheel
