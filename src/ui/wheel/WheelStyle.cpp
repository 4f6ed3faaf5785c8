#include "ui/wheel/WheelStyle.h"

#include <algorithm>

#include <QWidget>

#include "ui/design/Theme.h"

namespace kelvaro::wheel {

namespace {
QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

WheelPalette fromTheme(bool dark)
{
    WheelPalette p;
    p.isDark = dark;
    p.ember = Theme::ember();
    p.rose = Theme::rose();
    p.teal = Theme::teal();
    p.buttonOrange = Theme::buttonOrange();
    p.emberText = Theme::emberText().resolve(dark);
    p.canvas = Theme::canvas().resolve(dark);
    p.cardFill = Theme::cardFill().resolve(dark);
    p.primary = Theme::primary().resolve(dark);
    p.hairline = Theme::hairline().resolve(dark);
    p.wedgeFill = Theme::wedgeFill().resolve(dark);
    p.secondary = Theme::secondary().resolve(dark);
    p.tertiary = Theme::tertiary().resolve(dark);
    return p;
}
} // namespace

WheelPalette WheelPalette::light()
{
    return fromTheme(false);
}

WheelPalette WheelPalette::dark()
{
    return fromTheme(true);
}

bool WheelPalette::isDarkPalette(const QPalette& palette)
{
    return Theme::isDark(palette);
}

WheelPalette WheelPalette::forWidget(const QWidget* widget)
{
    // The window's palette decides: labels here set their own text colour, which must not feed
    // back into the choice of appearance.
    if (!widget)
        return Theme::isDark(static_cast<const QWidget*>(nullptr)) ? dark() : light();
    return Theme::isDark(widget->window()->palette()) ? dark() : light();
}

const QList<QColor>& wedgeHighlightColors()
{
    static const QList<QColor> colors = {
        rgb(0.93, 0.36, 0.16), rgb(0.46, 0.34, 0.95), rgb(0.08, 0.58, 0.56),
        rgb(0.89, 0.22, 0.43), rgb(0.20, 0.46, 0.92), rgb(0.50, 0.55, 0.10),
    };
    return colors;
}

QFont wheelFont(int pixelSize, QFont::Weight weight)
{
    return Theme::font(pixelSize, weight);
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    const QColor ca = a.toRgb();
    const QColor cb = b.toRgb();
    auto lerp = [t](float x, float y) { return x + (y - x) * float(t); };
    return QColor::fromRgbF(lerp(ca.redF(), cb.redF()), lerp(ca.greenF(), cb.greenF()),
                            lerp(ca.blueF(), cb.blueF()), lerp(ca.alphaF(), cb.alphaF()));
}

QColor withAlpha(QColor color, double opacity)
{
    color.setAlphaF(float(std::clamp(opacity, 0.0, 1.0) * color.alphaF()));
    return color;
}

} // namespace kelvaro::wheel
