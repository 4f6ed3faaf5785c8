#pragma once
// The small widgets every screen is drawn from: text in the theme's styles and colours (Text.h), the card
// panel, the card header, the key cap, the link, the primary and secondary buttons, the symbol
// badge and the plain row button whose whole rectangle is the click and hover target. Each is
// drawn from its fields and the theme, resolved for the appearance of the widget's palette, so a
// change of appearance repaints it without rebuilding. Main thread; created by the screens.
#include <functional>
#include <optional>
#include <variant>

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

#include "ui/design/Text.h"
#include "ui/design/Theme.h"

class QHBoxLayout;
class QVariantAnimation;

namespace kelvaro {

// A panel with the card look: rounded rectangle in the card fill with a 1-px inner border
// (black 8 % in light, white 9 % in dark). Adds no padding of its own.
class Card : public QWidget {
    Q_OBJECT
public:
    explicit Card(int radius, QWidget* parent = nullptr);
    int radius() const { return m_radius; }
    // The border colour a card uses in each appearance.
    static QColor borderColor(bool dark);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_radius;
};

// A text button in the link style (ember text, underlined while hovered).
class LinkButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit LinkButton(const QString& title, TextStyle style = TextStyle::callout, QWidget* parent = nullptr);
    void setTextFont(const QFont& font);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QFont m_font;
    bool m_hovering = false;
    bool m_keyboardFocus = false;
};

// A card's title row: the title in the card-title font, an optional caption below it, and a
// link at the right only when both an action title and an action are given. Texts are shown as
// given (callers pass them translated).
class CardHeader : public QWidget {
    Q_OBJECT
public:
    CardHeader(const QString& title, const std::optional<QString>& subtitle = std::nullopt,
               const std::optional<QString>& actionTitle = std::nullopt, std::function<void()> action = {},
               QWidget* parent = nullptr);
    LinkButton* actionButton() const { return m_action; }
    Text* subtitleText() const { return m_subtitle; }

private:
    Text* m_subtitle = nullptr;
    LinkButton* m_action = nullptr;
};

// A keyboard-key chip ("⌘O", "⇧⌥"); the text is shown as given, never translated.
class KeyCap : public QWidget {
    Q_OBJECT
public:
    explicit KeyCap(const QString& text, QWidget* parent = nullptr);
    QString text() const { return m_text; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

// The button looks: primary (white on the button orange), secondary (primary text on a faint
// fill with a hairline) and destructive (the destructive colour's text on a faint fill of it,
// for an action that deletes; never drawn as the default action). Disabled buttons are drawn at
// 45 %; pressing darkens the primary one and deepens the other fills, eased over 0.12 s.
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

// A symbol on a rounded square: white on the colour's gradient when filled, the colour on a
// 14 % tint of itself otherwise. Corner radius 0.3 × side, glyph 0.45 × side.
class IconBadge : public QWidget {
    Q_OBJECT
public:
    IconBadge(const QString& symbol, const QColor& color, int size, bool filled, QWidget* parent = nullptr);
    QString symbol() const { return m_symbol; }
    QColor color() const { return m_color; }
    void setSymbol(const QString& symbol);
    void setColor(const QColor& color);
    bool isFilled() const { return m_filled; }
    void setFilled(bool filled);
    qreal cornerRadius() const { return m_size * 0.3; }
    qreal glyphSize() const { return m_size * 0.45; }
    QSize sizeHint() const override { return {m_size, m_size}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    QColor m_color;
    int m_size;
    bool m_filled;
};

// A symbol glyph of a fixed side in a theme colour.
class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(const QString& symbol, int glyphSize, QWidget* parent = nullptr);
    void setSymbol(const QString& symbol);
    QString symbol() const { return m_symbol; }
    void setColor(const DynamicColor& color);
    void setColor(const QColor& color);
    void setBoxWidth(int width); // a fixed box wider than the glyph, glyph centred
    void setWeight(qreal weight);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_glyph;
    int m_box = 0;
    qreal m_weight = 1.0;
    std::variant<DynamicColor, QColor> m_color = Theme::secondary();
};

// A plain button whose whole rectangle is the click and hover target, with its content in
// contentLayout(); while the pointer is over it a rounded rectangle behind the content is filled
// with the primary colour at 5 %, switched without animation.
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

// A 1-px line in the hairline colour, horizontal or vertical.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(Qt::Orientation orientation, int length = -1, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
    int m_length;
};

} // namespace kelvaro
