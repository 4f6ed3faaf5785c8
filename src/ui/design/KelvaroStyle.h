#pragma once
// The application's widget style: Fusion's plain controls, with slim scroll bars in the spirit
// of overlay indicators (a rounded handle in the primary colour at low opacity, no track, no
// arrow buttons), check boxes whose empty box is outlined in the theme's control border (ember
// with a white tick when checked), menu items and message-box buttons that delete or remove
// drawn in the destructive colour, a dark menu edged and its groups parted light enough to be
// seen (the edge parts it from the card under it), and sliders, pop-ups and spin boxes that leave the wheel to the scrolling page they sit in
// unless focused (WheelGuard), and scroll areas that take the focus from a click only: a page
// draws no focus ring, so the Tab key passes it by for the controls on it, which
// KeyboardScrolling scrolls into view, as it scrolls the page by the keys; Escape on an open
// pop-up closes the pop-up alone (PopupEscape).
// Set once on the application by main() and the gallery. Main thread.
#include <QProxyStyle>

class QAction;

namespace kelvaro {

class KelvaroStyle : public QProxyStyle {
    Q_OBJECT
public:
    KelvaroStyle();

    // Marks a menu item as one that deletes or removes something.
    static void markDestructive(QAction* action);
    static bool isDestructive(const QAction* action);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr, const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    void polish(QApplication* application) override;
    void unpolish(QApplication* application) override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

} // namespace kelvaro
