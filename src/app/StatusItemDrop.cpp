#include "app/StatusItemDrop.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"

namespace kelvaro {
namespace {

constexpr int kPointerGap = 8;

} // namespace

StatusItemDrop::StatusItemDrop(KelvaroStore& store, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("dropWindow"));
    setWindowTitle(QStringLiteral("Kelvaro"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    // The window is exactly as large as its content; it grows and shrinks with the watch line.
    column->setSizeConstraint(QLayout::SetFixedSize);
    m_content = ScreenFactory::build(Screen::dropWindow, store, this);
    column->addWidget(m_content);
    Theme::follow(this);
}

QPoint StatusItemDrop::placement(const QSize& size, const QPoint& pointer, const QRect& area)
{
    int x = pointer.x() - size.width() / 2;
    const bool upperHalf = pointer.y() < area.center().y();
    int y = upperHalf ? pointer.y() + kPointerGap : pointer.y() - kPointerGap - size.height();
    x = qMax(area.left(), qMin(x, area.left() + area.width() - size.width()));
    y = qMax(area.top(), qMin(y, area.top() + area.height() - size.height()));
    return {x, y};
}

void StatusItemDrop::showNear(const QPoint& pointer)
{
    adjustSize();
    QScreen* screen = QGuiApplication::screenAt(pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size());
    move(placement(size(), pointer, area));
    show();
    raise();
    activateWindow();
}

void StatusItemDrop::toggleNear(const QPoint& pointer)
{
    if (isVisible()) {
        hide();
        return;
    }
    showNear(pointer);
}

void StatusItemDrop::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void StatusItemDrop::paintEvent(QPaintEvent*)
{
    // Frameless: the window draws its own edge so it stands apart from what lies below.
    QPainter p(this);
    const bool dark = Theme::isDark(this);
    p.fillRect(rect(), Theme::cardFill().resolve(dark));
    p.setPen(Theme::hairline().resolve(dark));
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace kelvaro
