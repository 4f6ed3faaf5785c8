#pragma once
// Small painted controls of the drop card: labels that follow the appearance, symbol
// buttons, the small bordered and the orange primary button and the key chip. Each draws from
// WheelStyle, so light and dark follow the window. Main thread.
#include <functional>
#include <optional>

#include <QAbstractButton>
#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace kelvaro::wheel {

// A label whose text colour is chosen from the wheel palette of the appearance it is shown in,
// again whenever that appearance changes.
class ToneLabel : public QLabel {
    Q_OBJECT
public:
    using Tone = std::function<QColor(const struct WheelPalette&)>;
    explicit ToneLabel(const QString& text = QString(), QWidget* parent = nullptr);
    void setTone(Tone tone);
    QColor textColor() const;
    // Wraps the text at most `maxWidth` logical pixels wide (0: one line, the default) and asks
    // for its one-line width up to that and exactly the height its lines take there. A plain
    // wrapping label in a centring layout is given a height for another width than it gets, and
    // its last lines are cut.
    void setWrapWidth(int maxWidth);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyTone();
    Tone m_tone;
    bool m_applying = false;
    int m_wrapWidth = 0;
};

// A button that is only a symbol. `secondary` is the glyph colour of round filled symbols (an
// invalid colour cuts the glyph out); `color` empty means the secondary text colour.
class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    SymbolButton(const QString& symbol, int side, QWidget* parent = nullptr);
    void setColors(const QColor& color, const QColor& secondary = QColor());
    QSize sizeHint() const override { return {m_side, m_side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_side;
    QColor m_color;
    QColor m_secondary;
};

// A small bordered push button with a symbol and a text ("Přidat").
class SmallButton : public QAbstractButton {
    Q_OBJECT
public:
    SmallButton(const QString& symbol, const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};

// The orange primary button ("Vybrat soubory…").
class PrimaryButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PrimaryButton(const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A symbol drawn in a fixed square, coloured at paint time.
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(const QString& symbol, int side, QWidget* parent = nullptr);
    void setSymbol(const QString& symbol);
    QString symbol() const { return m_symbol; }
    // Colour getter run at paint time (follows the appearance).
    void setColorRole(std::function<QColor(const QWidget*)> color);
    QSize sizeHint() const override { return {m_side, m_side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    int m_side;
    std::function<QColor(const QWidget*)> m_color;
};

// Paints a capsule (fully rounded ends) filling `rect`.
void paintCapsule(QPainter& painter, const QRectF& rect, const QColor& fill);

} // namespace kelvaro::wheel
