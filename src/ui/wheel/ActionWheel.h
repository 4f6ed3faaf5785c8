#pragma once
// The action wheel: one wedge per action of a mode around a hole with a caption disc, a thin
// outer ring, a hover highlight that grows the wedge on a critically damped spring, clicks and
// file drops on wedges. It keeps no application state: everything leaves through its signals;
// its own state is the highlighted wedge. Geometry and painting are the pure functions of
// WheelGeometry and WheelPainter. Created by the loaded drop card; main thread.
#include <optional>

#include <QElapsedTimer>
#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "model/Models.h"
#include "ui/design/Motion.h"
#include "ui/wheel/WheelGeometry.h"
#include "ui/wheel/WheelPainter.h"

class QMimeData;

namespace kelvaro::wheel {

using Motion::Spring;

// The local files a drag carries; web links and other non-file URLs are left out.
QList<QUrl> localFileUrls(const QMimeData* mime);

class ActionWheel : public QWidget {
    Q_OBJECT
public:
    explicit ActionWheel(WheelMode mode = WheelMode::convert, QWidget* parent = nullptr);

    // The widget is the wheel's square plus this margin on every side, for the outer ring and
    // the outer hit band.
    static constexpr int kMargin = 8;

    WheelMode mode() const { return m_mode; }
    // A new mode is a new wheel: the highlight starts again from the pinned key, and on screen
    // the old wheel shrinks to 0.85 and fades while the new one grows from 0.85 and appears.
    void setMode(WheelMode mode);
    void setPinned(const std::optional<QString>& key);
    std::optional<QString> pinned() const { return m_pinned; }
    void setWheelSize(double size);
    void setInnerRatio(double ratio);
    // An empty list is refused (a colour is needed for every wedge).
    void setWedgeColors(const QList<QColor>& colors);

    WheelGeometry wheelGeometry() const;
    const QList<WheelAction>& wheelActions() const;
    std::optional<int> hovered() const { return m_hovered; }
    // The widget point of a wheel point and back.
    QPointF toWheel(QPointF widgetPoint) const { return widgetPoint - QPointF(kMargin, kMargin); }
    QPointF toWidget(QPointF wheelPoint) const { return wheelPoint + QPointF(kMargin, kMargin); }
    // Whether a widget point lies in the wheel's pointer area (the disc out to the hit band).
    bool containsPoint(QPointF widgetPoint) const;

    // The drop delegate, in widget coordinates; the drop card routes its own drags through it.
    // dragUpdate lights the wedge under the point and tells whether a copy can be proposed.
    bool dragUpdate(QPointF widgetPoint);
    void dragExit();
    // True when the point is on a wedge: the highlight clears at once and, when any URL came,
    // filesDropped is emitted with that wedge's action.
    bool dropAt(QPointF widgetPoint, const QList<QUrl>& urls);

    // Animation state, for tests and still pictures.
    void settle();
    bool isAnimating() const { return m_frameTimer.isActive(); }
    WheelVisual currentVisual() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void actionSelected(const kelvaro::WheelAction& action);
    // After every change of the highlight; `present` false means no wedge is highlighted.
    void hoverChanged(const kelvaro::WheelAction& action, bool present);
    void filesDropped(const QList<QUrl>& urls, const kelvaro::WheelAction& action);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setHovered(std::optional<int> index);
    std::optional<int> pinnedIndex() const;
    void restartAnimation();
    void resetSprings();
    void onFrame();
    void snapHighlight();

    WheelMode m_mode;
    std::optional<QString> m_pinned;
    std::optional<int> m_hovered;
    std::optional<int> m_pressed;
    double m_size = 280;
    double m_innerRatio = 0.4;
    QList<QColor> m_colors;

    QList<Spring> m_wedgeSprings;
    Spring m_centreSpring;  // border: hairline → ember
    Spring m_blendSpring;   // centre content cross-fade
    CentreContent m_centre;
    CentreContent m_previousCentre;
    Spring m_swap{1, 0, 1};  // mode change: 0 shows the old wheel, 1 the new one
    QPixmap m_outgoing;
    QTimer m_frameTimer;
    QElapsedTimer m_clock;
};

} // namespace kelvaro::wheel
