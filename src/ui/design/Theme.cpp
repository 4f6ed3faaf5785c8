#include "ui/design/Theme.h"

#include <cmath>
#include <optional>

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QPointer>
#include <QToolTip>
#include <QWidget>

#include "model/Models.h"
#include "platform/widgets/Appearance.h"

namespace kelvaro {
namespace {

QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

QColor blend(const QColor& over, const QColor& under)
{
    const double a = over.alphaF();
    return rgb(over.redF() * a + under.redF() * (1 - a), over.greenF() * a + under.greenF() * (1 - a),
               over.blueF() * a + under.blueF() * (1 - a));
}

double luminance(const QColor& c)
{
    const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Secondary text and the outline of an empty check box keep 3:1 on a backdrop taken from the
// desktop, as they do on the application's own greys.
bool keepsTextReadable(const QColor& backdrop, bool dark)
{
    const QColor opaque = rgb(backdrop.redF(), backdrop.greenF(), backdrop.blueF());
    for (const DynamicColor* ink : {&Theme::secondary(), &Theme::controlBorder()})
        if (contrast(blend(ink->resolve(dark), opaque), opaque) < 3.0)
            return false;
    return true;
}

// The application palette this set, while it is the application's, and the desktop's palette
// it replaced.
std::optional<QPalette>& ownApplicationPalette()
{
    static std::optional<QPalette> palette;
    return palette;
}

QPalette& replacedDesktopPalette()
{
    static QPalette palette;
    return palette;
}

// Tool tips take a palette of their own, the desktop theme's, not the application's: without
// ours a dark window shows light tips. The desktop's is kept to give back when the desktop's
// palette is followed again. Read before the application's palette is first replaced: where the
// desktop names none, it is a copy of the application's palette made on first use.
const QPalette& desktopToolTipPalette()
{
    static const QPalette desktops = QToolTip::palette();
    return desktops;
}

void applyToToolTips(const std::optional<QPalette>& ours)
{
    QToolTip::setPalette(ours ? *ours : desktopToolTipPalette());
}

} // namespace

QColor DynamicColor::resolve(bool isDark) const
{
    const QColor fallback = isDark ? dark : light;
    if (desktopRole == QPalette::NoRole || !qApp)
        return fallback;
    const QPalette desktop = Theme::desktopPalette();
    if (Theme::isDark(desktop) != isDark)
        return fallback;
    const QColor colour = desktop.color(QPalette::Active, desktopRole);
    return colour.isValid() && colour.alpha() == 255 && keepsTextReadable(colour, isDark) ? colour : fallback;
}

QColor DynamicColor::on(const QWidget* widget) const
{
    return resolve(Theme::isDark(widget));
}

QColor colorOn(const std::variant<DynamicColor, QColor>& color, const QWidget* widget)
{
    if (const auto* dynamic = std::get_if<DynamicColor>(&color))
        return dynamic->on(widget);
    return std::get<QColor>(color);
}

namespace Theme {

QColor ember() { return rgb(1.0, 0.42, 0.22); }
QColor rose() { return rgb(0.94, 0.26, 0.47); }
QColor violet() { return rgb(0.5, 0.38, 0.98); }
QColor teal() { return rgb(0.1, 0.64, 0.62); }
QColor gold() { return rgb(0.9, 0.6, 0.1); }
QColor buttonOrange() { return rgb(0.93, 0.36, 0.16); }

const DynamicColor& emberText()
{
    static const DynamicColor c{rgb(0.78, 0.27, 0.07), rgb(1.0, 0.55, 0.38)};
    return c;
}

const DynamicColor& tealText()
{
    static const DynamicColor c{rgb(0.03, 0.43, 0.42), rgb(0.34, 0.82, 0.78)};
    return c;
}

// The desktop's control and window backgrounds, with greys of their kind where the desktop
// gives none of the appearance shown.
const DynamicColor& cardFill()
{
    static const DynamicColor c{QColor(255, 255, 255), QColor(30, 30, 30), QPalette::Base};
    return c;
}

const DynamicColor& canvas()
{
    static const DynamicColor c{QColor(236, 236, 236), QColor(50, 50, 50), QPalette::Window};
    return c;
}

const DynamicColor& sidebar()
{
    static const DynamicColor c{QColor(226, 225, 224), QColor(40, 40, 40)};
    return c;
}

const DynamicColor& hairline()
{
    static const DynamicColor c{rgb(0, 0, 0, 0.08), rgb(1, 1, 1, 0.08)};
    return c;
}

const DynamicColor& wedgeFill()
{
    static const DynamicColor c{rgb(0, 0, 0, 0.07), rgb(1, 1, 1, 0.07)};
    return c;
}

const DynamicColor& primary()
{
    static const DynamicColor c{rgb(0, 0, 0, 0.85), rgb(1, 1, 1, 0.85)};
    return c;
}

const DynamicColor& secondary()
{
    static const DynamicColor c{rgb(0, 0, 0, 0.5), rgb(1, 1, 1, 0.55)};
    return c;
}

const DynamicColor& tertiary()
{
    static const DynamicColor c{rgb(0, 0, 0, 0.26), rgb(1, 1, 1, 0.25)};
    return c;
}

// Rose, deepened for light backgrounds and lightened for dark ones so its text stays readable.
const DynamicColor& destructive()
{
    static const DynamicColor c{rgb(0.78, 0.12, 0.33), rgb(1.0, 0.45, 0.58)};
    return c;
}

const DynamicColor& controlBorder()
{
    static const DynamicColor c{rgb(0, 0, 0, 0.45), rgb(1, 1, 1, 0.5)};
    return c;
}

QColor primaryAt(bool dark, qreal opacity)
{
    return dark ? rgb(1, 1, 1, opacity) : rgb(0, 0, 0, opacity);
}

QColor primaryAt(const QWidget* widget, qreal opacity)
{
    return primaryAt(isDark(widget), opacity);
}

const QList<QColor>& palette()
{
    static const QList<QColor> colours{ember(), violet(), teal(), gold(), rose()};
    return colours;
}

QColor paletteColor(qint64 index)
{
    const QList<QColor>& colours = palette();
    return colours.at(kelvaro::paletteIndex(index, int(colours.size())));
}

QPalette desktopPalette()
{
    if (!qApp)
        return {};
    const QPalette application = QGuiApplication::palette();
    const std::optional<QPalette>& ours = ownApplicationPalette();
    return ours && application == *ours ? replacedDesktopPalette() : application;
}

bool isDark(const QPalette& p)
{
    return p.color(QPalette::Window).lightnessF() < p.color(QPalette::WindowText).lightnessF();
}

bool isDark(const QWidget* widget)
{
    if (!widget)
        return Appearance::shared().isDark();
    return isDark(widget->palette());
}

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

void installInterfaceFont()
{
    const QString family = QStringLiteral("Inter");
    if (!QFontDatabase::hasFamily(family))
        return;
    QFont interface(family);
    interface.setPixelSize(13);
    QApplication::setFont(interface);
}

QFont font(TextStyle style, QFont::Weight weight)
{
    switch (style) {
    case TextStyle::display: return font(26, weight);
    case TextStyle::cardTitle: return font(15, weight);
    case TextStyle::eyebrow: return font(11, weight);
    case TextStyle::title2: return font(17, weight);
    case TextStyle::title3: return font(15, weight);
    case TextStyle::headline: return font(13, weight);
    case TextStyle::body: return font(13, weight);
    case TextStyle::callout: return font(12, weight);
    case TextStyle::caption: return font(11, weight);
    }
    return font(13, weight);
}

QFont font(TextStyle style)
{
    switch (style) {
    case TextStyle::display:
    case TextStyle::cardTitle:
    case TextStyle::eyebrow:
    case TextStyle::headline:
        return font(style, QFont::DemiBold);
    default:
        return font(style, QFont::Normal);
    }
}

QPalette qtPalette(bool dark)
{
    const QColor window = canvas().resolve(dark);
    const QColor base = cardFill().resolve(dark);
    const QColor text = blend(primary().resolve(dark), window);
    const QColor quiet = blend(secondary().resolve(dark), window);
    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, window);
        p.setColor(group, QPalette::WindowText, disabled ? quiet : text);
        p.setColor(group, QPalette::Base, base);
        p.setColor(group, QPalette::AlternateBase, blend(primaryAt(dark, 0.03), base));
        p.setColor(group, QPalette::Text, disabled ? quiet : text);
        p.setColor(group, QPalette::PlaceholderText, quiet);
        // The base style lightens this for the faces of drop-downs and spin buttons: any lighter
        // in the dark and they stand out as grey boxes among the sheet's dark controls, a spin
        // box's grey arrows faint on them.
        p.setColor(group, QPalette::Button, dark ? QColor(52, 52, 52) : QColor(252, 252, 252));
        p.setColor(group, QPalette::ButtonText, disabled ? quiet : text);
        p.setColor(group, QPalette::BrightText, Qt::white);
        p.setColor(group, QPalette::Highlight, disabled ? quiet : ember());
        p.setColor(group, QPalette::HighlightedText, Qt::white);
        p.setColor(group, QPalette::Link, emberText().resolve(dark));
        p.setColor(group, QPalette::LinkVisited, emberText().resolve(dark));
        p.setColor(group, QPalette::ToolTipBase, dark ? QColor(60, 60, 60) : QColor(250, 250, 250));
        p.setColor(group, QPalette::ToolTipText, text);
        p.setColor(group, QPalette::Light, dark ? QColor(90, 90, 90) : QColor(255, 255, 255));
        p.setColor(group, QPalette::Midlight, dark ? QColor(70, 70, 70) : QColor(235, 235, 235));
        p.setColor(group, QPalette::Mid, dark ? QColor(60, 60, 60) : QColor(200, 200, 200));
        p.setColor(group, QPalette::Dark, dark ? QColor(25, 25, 25) : QColor(160, 160, 160));
        p.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
    }
    return p;
}

void apply(QWidget* window, bool dark)
{
    if (!window)
        return;
    window->setPalette(qtPalette(dark));
    window->update();
}

namespace {

// Menus and pop-up lists are windows of their own that take the application's palette, not
// their owner's: without this they stay light, their tinted icons unseen, in the dark appearance.
// Where the answer is read from the desktop's palette, that palette stays the application's (an
// empty one follows the desktop again): replacing it would freeze the answer at its own guess.
void applyToApplication(bool dark)
{
    desktopToolTipPalette();
    std::optional<QPalette>& ours = ownApplicationPalette();
    if (!ours || QApplication::palette() != *ours)
        replacedDesktopPalette() = QApplication::palette();
    if (Appearance::shared().followsPalette()) {
        if (ours && QApplication::palette() == *ours)
            QApplication::setPalette(QPalette());
        ours.reset();
        applyToToolTips(ours);
        return;
    }
    ours = qtPalette(dark);
    if (QApplication::palette() != *ours)
        QApplication::setPalette(*ours);
    applyToToolTips(ours);
}

// The windows that follow the appearance take their backdrop from the desktop's palette: when
// that palette changes within one appearance, they are given theirs again.
class DesktopPaletteWatch : public QObject {
public:
    QList<QPointer<QWidget>> windows;

    void forget(QObject* gone)
    {
        windows.removeIf([gone](const QPointer<QWidget>& w) { return w.isNull() || static_cast<QObject*>(w.data()) == gone; });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) {
            const std::optional<QPalette>& ours = ownApplicationPalette();
            if (!ours || QApplication::palette() != *ours) {
                windows.removeAll(nullptr);
                for (const QPointer<QWidget>& window : std::as_const(windows))
                    apply(window, Appearance::shared().isDark());
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

DesktopPaletteWatch& desktopPaletteWatch()
{
    static DesktopPaletteWatch* watch = [] {
        auto* w = new DesktopPaletteWatch;
        w->setParent(qApp);
        qApp->installEventFilter(w);
        return w;
    }();
    return *watch;
}

} // namespace

void follow(QWidget* window)
{
    if (!window)
        return;
    DesktopPaletteWatch& watch = desktopPaletteWatch();
    watch.windows.append(window);
    // Sheets come and go all day; each leaves the list with its window, or the list only grows.
    QObject::connect(window, &QObject::destroyed, &watch, [&watch](QObject* gone) { watch.forget(gone); });
    static const bool following = [] {
        applyToApplication(Appearance::shared().isDark());
        QObject::connect(&Appearance::shared(), &Appearance::changed, qApp, [](bool dark) { applyToApplication(dark); });
        // Lifted, the override leaves the answer to the palette this set: it goes, and the answer
        // is read from the desktop's again.
        QObject::connect(&Appearance::shared(), &Appearance::overrideChanged, qApp,
                         [] { applyToApplication(Appearance::shared().isDark()); });
        return true;
    }();
    Q_UNUSED(following);
    apply(window, Appearance::shared().isDark());
    QPointer<QWidget> guarded(window);
    QObject::connect(&Appearance::shared(), &Appearance::changed, window, [guarded](bool dark) {
        if (guarded)
            apply(guarded, dark);
    });
}

qsizetype followedWindowCount()
{
    return desktopPaletteWatch().windows.size();
}

} // namespace Theme
} // namespace kelvaro
