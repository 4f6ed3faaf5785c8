#pragma once
// A plain button whose whole rectangle is the click and hover target, with its content in
// contentLayout(); while the pointer is over it a rounded rectangle behind the content is filled
// with the primary colour at 5 %, switched without animation. Main thread; created by the screens.
#include <QAbstractButton>

class QHBoxLayout;

namespace kelvaro {

class HoverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HoverButton(int radius, QWidget* parent = nullptr);
    QHBoxLayout* contentLayout() const { return m_layout; }
    bool isHovering() const { return m_hovering; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QHBoxLayout* m_layout;
    int m_radius;
    bool m_hovering = false;
};

} // namespace kelvaro
