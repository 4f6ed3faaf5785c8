#pragma once
// A symbol glyph of a fixed side in a theme colour. Main thread; created by the screens.
#include <variant>

#include <QWidget>

#include "ui/design/Theme.h"

namespace kelvaro {

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

} // namespace kelvaro
