#pragma once
// The button looks: primary (white on the button orange), secondary (primary text on a faint
// fill with a hairline) and destructive (the destructive colour's text on a faint fill of it,
// for an action that deletes; never drawn as the default action). Disabled buttons are drawn at
// 45 %; pressing darkens the primary one and deepens the other fills, eased over 0.12 s.
// Main thread; created by the screens.
#include <QAbstractButton>

class QVariantAnimation;

namespace kelvaro {

class KelvaroButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { primary, secondary, destructive };
    KelvaroButton(const QString& title, Kind kind, QWidget* parent = nullptr);
    Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    void setSymbol(const QString& symbol);
    // The small control size: caption text and tighter padding, for rows where space is short.
    void setSmall(bool small);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // 0 at rest, 1 fully pressed (animated).
    qreal pressAmount() const { return m_press; }
    qreal drawnOpacity() const { return isEnabled() ? 1.0 : 0.45; }
    QColor fillColor() const; // the fill as drawn now

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont textFont() const;

    Kind m_kind;
    QString m_symbol;
    bool m_small = false;
    qreal m_press = 0;
    QVariantAnimation* m_animation;
};

} // namespace kelvaro
