#pragma once
// The pill switch over the wheel's three modes (Převést, Nástroje, Akce): three equal segments
// on a faint track; the selected one sits on a card-coloured pill that glides to the clicked
// segment. The selection belongs to the owner: a click emits modeClicked and moves the pill;
// setSelection() follows the owner's value. Main thread.
#include <QWidget>

#include "model/Models.h"

class QVariantAnimation;

namespace kelvaro {

class ModeSwitcher : public QWidget {
    Q_OBJECT
public:
    explicit ModeSwitcher(WheelMode selection = WheelMode::convert, QWidget* parent = nullptr);

    WheelMode selection() const { return m_selection; }
    void setSelection(WheelMode mode);
    // The rectangle of a segment (for tests and hit testing).
    QRect segmentRect(WheelMode mode) const;
    QRectF pillRect() const { return m_pill; }
    // The pill's glide, a critically damped spring of 0.3 s (for tests).
    const QVariantAnimation* pillAnimation() const { return m_animation; }
    static QString symbol(WheelMode mode);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void modeClicked(WheelMode mode);
    void selectionChanged(WheelMode mode);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int indexAt(const QPoint& pos) const;
    void movePill(bool animated);

    WheelMode m_selection;
    QRectF m_pill;
    QVariantAnimation* m_animation;
    int m_pressed = -1;
};

} // namespace kelvaro
