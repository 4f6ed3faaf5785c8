#pragma once
// DestructiveSymbolButton: a borderless symbol button for an action that deletes or removes (a
// list row's trash can, a step's remove): the glyph in the destructive colour, a faint rounded
// fill of the primary colour while the pointer is over it or it is pressed, an ember ring when
// keyboard focus reaches it. Main thread; created by the lists and editors.
#include <QAbstractButton>

namespace kelvaro {

class DestructiveSymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    // `size` is the button's fixed size, `glyph` the side of the symbol in logical pixels;
    // `tip` is shown as given (callers pass it translated) as tooltip and accessible name.
    DestructiveSymbolButton(const QString& symbol, const QString& tip, QSize size, int glyph, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    QColor glyphColor() const; // as drawn now

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_symbol;
    int m_glyph;
    bool m_hovering = false;
};

} // namespace kelvaro
