#pragma once
// A symbol on a rounded square: white on the colour's gradient when filled, the colour on a
// 14 % tint of itself otherwise. Corner radius 0.3 × side, glyph 0.45 × side.
// Main thread; created by the screens.
#include <QWidget>

namespace kelvaro {

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

} // namespace kelvaro
