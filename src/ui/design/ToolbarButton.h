#pragma once
// A borderless icon button of the window toolbar and the sidebar footer: the symbol in the
// secondary colour, a faint rounded fill while hovered or pressed. With a default action it
// takes the action's text, tooltip and trigger; the symbol comes from the action's "symbol"
// property. Main thread.
#include <QToolButton>

namespace kelvaro {

class ToolbarButton : public QToolButton {
    Q_OBJECT
public:
    explicit ToolbarButton(const QString& symbol, QWidget* parent = nullptr);
    explicit ToolbarButton(QAction* action, QWidget* parent = nullptr);
    QString symbol() const;
    // The glyph's side in px (17 by default); a smaller button for tight rows draws it smaller.
    void setGlyphSide(qreal side);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_symbol;
    qreal m_glyphSide = 17;
    bool m_hovering = false;
};

} // namespace kelvaro
