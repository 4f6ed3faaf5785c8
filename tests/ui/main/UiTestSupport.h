#pragma once
// Helpers of the window tests: a Czech fixture with a temporary folder, a store that writes
// nothing to the desktop, event-loop waits, synthetic keys and mouse presses, records, and the
// colours of a grabbed picture.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include "../../support/TestSupport.h"
#include "../../support/WidgetEvents.h"
#include "app/ScreenInstaller.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/main/ContentView.h"
#include "ui/main/ScreenFactory.h"

namespace kelvaro::uitest {

inline bool waitFor(const std::function<bool()>& done, int ms = 30000)
{
    return test::waitUntil(done, ms);
}

using test::passPostedEvents;
using test::passTimersOf;

using test::mouse;
using test::pressKey;

// The application's own style while it lives (main() sets it; a test program starts with the
// platform's), polishing the controls made after it as the application's are.
class ApplicationStyle {
public:
    ApplicationStyle() : m_previous(QApplication::style()->name()) { QApplication::setStyle(new KelvaroStyle()); }
    ~ApplicationStyle() { QApplication::setStyle(m_previous); }
    ApplicationStyle(const ApplicationStyle&) = delete;
    ApplicationStyle& operator=(const ApplicationStyle&) = delete;

private:
    QString m_previous;
};

class CzechTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        Settings::shared().remove(QStringLiteral("kelvaro.clipboardMode"));
    }
    QString path(const QString& name) const { return temp.filePath(name); }
    QTemporaryDir temp;
};

// A store with no history and no shelves (a first start would bring sample content), in a
// Czech interface.
inline std::unique_ptr<KelvaroStore> makeStore(StoreServices services = {})
{
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
    auto store = std::make_unique<KelvaroStore>(std::move(services), QStringLiteral("kelvaro.test.library"));
    store->setActivities({});
    store->setShelves({});
    return store;
}

// The main window's content over a store with the desktop's services and the real screens, shown at
// 1200 × 800; `beforeView` runs before the view is made.
class ShownContentView : public CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        installScreens();
        store = makeStore(StoreServices::desktop());
        beforeView();
        ContentView::Options options;
        options.fileManager = std::make_shared<RecordingFileManager>();
        view = std::make_unique<ContentView>(*store, options);
        view->resize(1200, 800);
        view->show();
    }
    void TearDown() override
    {
        view.reset();
        ScreenFactory::reset();
    }
    virtual void beforeView() {}

    std::unique_ptr<KelvaroStore> store;
    std::unique_ptr<ContentView> view;
};

// The fonts a layout must hold in: the platform's default and, when it is installed, the one the
// application takes for itself (Theme::installInterfaceFont).
inline QList<QFont> interfaceFonts()
{
    const QFont platform = QApplication::font();
    Theme::installInterfaceFont();
    const QFont own = QApplication::font();
    QApplication::setFont(platform);
    return own == platform ? QList<QFont>{platform} : QList<QFont>{platform, own};
}

// The application's font for as long as it lives.
class ApplicationFont {
public:
    explicit ApplicationFont(const QFont& font) : m_saved(QApplication::font()) { QApplication::setFont(font); }
    ~ApplicationFont() { QApplication::setFont(m_saved); }
    ApplicationFont(const ApplicationFont&) = delete;
    ApplicationFont& operator=(const ApplicationFont&) = delete;

private:
    QFont m_saved;
};

// Every Text below `root` that is not hidden, in creation order.
inline QStringList texts(const QWidget* root)
{
    QStringList result;
    for (const Text* t : root->findChildren<Text*>())
        if (!t->isHidden())
            result << t->text();
    return result;
}

// How many pixels of `image` inside `area` (all of it when empty) lie within `tolerance` of
// `colour` on every channel, alpha ignored.
inline int pixelsNear(const QImage& image, const QColor& colour, int tolerance = 24, QRect area = {})
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    area = area.isEmpty() ? rgb.rect() : area.intersected(rgb.rect());
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            count += qAbs(c.red() - colour.red()) <= tolerance && qAbs(c.green() - colour.green()) <= tolerance
                && qAbs(c.blue() - colour.blue()) <= tolerance;
        }
    return count;
}

// The contrast ratio of two opaque colours, 1 (none) to 21 (black on white), as the web's
// accessibility guidelines count it.
inline double contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast of any pixel of `image` inside `area` against `background`: how well
// the most visible part of what is drawn there stands out.
inline double strongestContrast(const QImage& image, QRect area, const QColor& background)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    area = area.intersected(rgb.rect());
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, contrastRatio(rgb.pixelColor(x, y), background));
    return best;
}

// How far apart two opaque colours look: their distance in CIELAB (ΔE 1976) under D65, 0 for the
// same colour, about 2 for a difference the eye just sees, 100 from black to white. Unlike the
// contrast ratio it sees a change of hue at one lightness, as an ember ring on a grey border.
inline double colourDifference(const QColor& a, const QColor& b)
{
    const auto lab = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        const double r = linear(c.redF()), g = linear(c.greenF()), bl = linear(c.blueF());
        const double x = (0.4124 * r + 0.3576 * g + 0.1805 * bl) / 0.95047;
        const double y = 0.2126 * r + 0.7152 * g + 0.0722 * bl;
        const double z = (0.0193 * r + 0.1192 * g + 0.9505 * bl) / 1.08883;
        const auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
        return std::array<double, 3>{116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
    };
    const std::array<double, 3> p = lab(a), q = lab(b);
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

// What a focus ring must stand out by from what it is drawn on (ringDifference): the house ember
// lies 50 or more from every window, card, border and fill it is drawn on; a lighter ember on the
// ember of a switch that is on lies 36 from it, ember on the orange button 6.
constexpr double kRingDifference = 45;

// How well a focus ring stands out from what it is drawn on, `focused` and `unfocused` being the
// same place grabbed with and without it. Each pixel the ring changed counts by how far its colour
// lies from what that pixel and its eight neighbours showed before: a ring drawn onto a control's
// edge in the control's own colour, or one lost in the fill it lies on, only widens the edge its
// anti-aliased fringe meets, and its fringe pixels lie near what is beside them. Taken over the
// ring's own stroke, the stronger half of those pixels (the median of it), not at its single
// strongest pixel. 0 when nothing changed.
inline double ringDifference(const QImage& focused, const QImage& unfocused, int* changed = nullptr)
{
    const QImage a = focused.convertToFormat(QImage::Format_RGB32);
    const QImage b = unfocused.convertToFormat(QImage::Format_RGB32);
    std::vector<double> differences;
    if (a.size() == b.size())
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                if (a.pixel(x, y) == b.pixel(x, y))
                    continue;
                const QColor ring = a.pixelColor(x, y);
                double nearest = colourDifference(ring, b.pixelColor(x, y));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (b.valid(x + dx, y + dy))
                            nearest = std::min(nearest, colourDifference(ring, b.pixelColor(x + dx, y + dy)));
                differences.push_back(nearest);
            }
    if (changed)
        *changed = int(differences.size());
    if (differences.empty())
        return 0;
    // The upper quartile: the median of the stronger half.
    const auto at = differences.begin() + std::ptrdiff_t(differences.size() * 3 / 4);
    std::nth_element(differences.begin(), at, differences.end());
    return *at;
}

inline ActivityItem activity(const QString& name, const QDateTime& date, qint64 saved = 0)
{
    ActivityItem a;
    a.id = QUuid::createUuid();
    a.fileName = name;
    a.actionTitle = QStringLiteral("Komprese");
    a.symbol = QStringLiteral("photo");
    a.date = date;
    a.savedBytes = saved;
    return a;
}

inline Shelf shelf(const QString& name, int colorIndex, int fileCount, int items = 0)
{
    Shelf s;
    s.id = QUuid::createUuid();
    s.name = name;
    s.symbol = QStringLiteral("star.fill");
    s.colorIndex = colorIndex;
    s.fileCount = fileCount;
    for (int i = 0; i < items; ++i) {
        ShelfItem item;
        item.id = QUuid::createUuid();
        item.name = QStringLiteral("f%1.jpg").arg(i);
        s.items << item;
    }
    return s;
}

} // namespace kelvaro::uitest
