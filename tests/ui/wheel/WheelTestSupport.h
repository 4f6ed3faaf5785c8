#pragma once
// Helpers of the wheel's widget tests: synthetic mouse and drag events, and points on a wheel.
#include <cmath>

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include "../main/UiTestSupport.h"
#include "ui/wheel/ActionWheel.h"

namespace wheeltest {

// Texts in these tests are the Czech ones: every test starts in Czech whatever the system says.
using kelvaro::uitest::CzechTest;

// The widget point at `angle` degrees clockwise from 12 o'clock and `distance` from the centre.
inline QPointF wheelPoint(const kelvaro::wheel::ActionWheel& wheel, double angle, double distance)
{
    const double a = (angle - 90) * M_PI / 180;
    const QPointF c = wheel.toWidget(wheel.wheelGeometry().centre());
    return c + QPointF(std::cos(a) * distance, std::sin(a) * distance);
}

// The middle of wedge i of a wheel.
inline QPointF wedgePoint(const kelvaro::wheel::ActionWheel& wheel, int i)
{
    const auto g = wheel.wheelGeometry();
    return wheelPoint(wheel, (i + 0.5) * g.sector(), g.labelDistance() + 20);
}

inline void mouseMove(QWidget* widget, QPointF p)
{
    QMouseEvent event(QEvent::MouseMove, p, widget->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

inline void click(QWidget* widget, QPointF p)
{
    kelvaro::uitest::mouse(widget, QEvent::MouseButtonPress, p);
    kelvaro::uitest::mouse(widget, QEvent::MouseButtonRelease, p);
}

inline void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

inline QList<QUrl> urlsOf(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(p));
    return urls;
}

inline QMimeData* urlMime(const QList<QUrl>& urls)
{
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

// Results of one synthetic drag step: whether the target accepted it.
inline bool dragEnter(QWidget* target, QPointF p, const QMimeData* mime)
{
    QDragEnterEvent event(p.toPoint(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

inline bool dragMove(QWidget* target, QPointF p, const QMimeData* mime)
{
    QDragMoveEvent event(p.toPoint(), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

inline void dragLeave(QWidget* target)
{
    QDragLeaveEvent event;
    QApplication::sendEvent(target, &event);
}

struct DropOutcome {
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

inline DropOutcome drop(QWidget* target, QPointF p, const QMimeData* mime)
{
    QDropEvent event(p, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QApplication::sendEvent(target, &event);
    return {event.isAccepted(), event.dropAction()};
}

} // namespace wheeltest
