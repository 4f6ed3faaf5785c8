#pragma once
// "Přidat do výběru" over the whole loaded drop card while a drag is over it: an ember tint
// inside a dashed border, the label on a card-coloured pill. It fades in and out over the
// feedback's 0.15 s, takes no pointer or drag events (the wedges beneath keep taking their own
// drops), and on a card that is not on screen takes its end at once. Main thread; created by the
// drop card, which keeps it over its whole rectangle.
#include <QWidget>

class QVariantAnimation;

namespace kelvaro::wheel {

class AddToSelectionOverlay : public QWidget {
    Q_OBJECT
public:
    explicit AddToSelectionOverlay(QWidget* parent);
    void setIn(bool in);
    bool isIn() const { return m_in; }
    // How opaque it is drawn now, 0–1.
    double opacity() const { return isHidden() ? 0 : m_opacity; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVariantAnimation* m_fade;
    bool m_in = false;
    double m_opacity = 0;
};

} // namespace kelvaro::wheel
