// kelvaro-gallery: renders Kelvaro's screens with demo content to PNG files, offscreen, in light
// and dark and in Czech and English, so a reviewer can look at the interface without a display.
//
//   kelvaro-gallery --out DIR [--theme light|dark] [--dark] [--lang cs|en] [--scale 1|2] [SCREEN…]
//
// Screens: main (the main window on the home screen), small (the same at the minimum size of
// 980×660), home (the whole home page), empty (the
// main window with no history and no shelves), workflows, watch, shelves, history, guide (the
// main window on that section), sheet (the main window with a tool sheet open), symbols (every
// glyph of the symbol table with its name), the wheel's own pictures (the wheel in each mode,
// the card's faces, the status line, the compare sheet) and the scenes each subsystem registers
// in tools/gallery (sheets, editors, windows). Without
// SCREEN all are rendered; without --theme both themes; without --lang Czech. Settings and
// files of the run live in a temporary folder, never in the user's.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QThread>

#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "engine/Bitmap.h"
#include "gallery/GalleryScenes.h"
#include "gallery/WheelGallery.h"
#include "l10n/Localization.h"
#include "model/Models.h"
#include "platform/BackgroundPools.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "platform/widgets/Appearance.h"
#include "store/KelvaroStore.h"
#include "ui/design/FileThumb.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"
#include "ui/main/ContentView.h"
#include "ui/main/HomeCards.h"

using namespace kelvaro;

namespace {

const QStringList kAllScreens{QStringLiteral("main"),    QStringLiteral("small"),   QStringLiteral("home"),    QStringLiteral("empty"),
                              QStringLiteral("workflows"), QStringLiteral("watch"), QStringLiteral("shelves"),
                              QStringLiteral("history"), QStringLiteral("guide"),   QStringLiteral("sheet"),
                              QStringLiteral("symbols")};

// A sheet of every glyph with its name, for checking the symbol table at a glance.
QImage symbolSheet(bool dark)
{
    const QStringList names = Symbols::names();
    const int columns = 8, cellW = 150, cellH = 74;
    const int rows = int((names.size() + columns - 1) / columns);
    QImage image(columns * cellW, rows * cellH, QImage::Format_ARGB32_Premultiplied);
    image.fill(Theme::canvas().resolve(dark));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(Theme::font(TextStyle::caption));
    for (int i = 0; i < names.size(); ++i) {
        const QRect cell((i % columns) * cellW, (i / columns) * cellH, cellW, cellH);
        Symbols::paint(p, QRectF(cell.center().x() - 14, cell.y() + 10, 28, 28), names[i], Theme::ember(), 1.1);
        p.setPen(Theme::secondary().resolve(dark));
        p.drawText(cell.adjusted(4, 44, -4, -4), Qt::AlignHCenter | Qt::AlignTop,
                   QFontMetrics(p.font()).elidedText(names[i], Qt::ElideMiddle, cellW - 8));
    }
    p.end();
    return image;
}

bool render(const QString& screen, bool dark, const QString& lang, const QString& outDir, const gallery::Env& base)
{
    if (screen == QLatin1String("symbols")) {
        const QString file = QDir(outDir).filePath(QStringLiteral("symbols-%1.png").arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));
        const bool ok = symbolSheet(dark).save(file);
        std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
        return ok;
    }
    Settings::shared().setValue(QString::fromLatin1(SettingsKey::language), lang);
    Appearance::shared().setOverride(dark);
    for (const gallery::Scene& scene : gallery::scenes()) {
        if (scene.name != screen)
            continue;
        gallery::Env env = base;
        env.dark = dark;
        env.lang = lang;
        const QImage image = scene.render(env);
        const QString file = QDir(outDir).filePath(QStringLiteral("%1-%2-%3.png").arg(screen, dark ? QStringLiteral("dark") : QStringLiteral("light"), lang));
        const bool ok = !image.isNull() && image.save(file);
        std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
        gallery::settle(20);
        return ok;
    }

    // Demo content is never saved; "empty" shows a store with no history and no shelves.
    gallery::Stage stage(base, screen == QLatin1String("empty"));
    KelvaroStore& store = stage.store();
    MainWindow* window = stage.window();

    if (screen == QLatin1String("workflows"))
        store.setSidebarSelection(SidebarItem::workflows);
    else if (screen == QLatin1String("watch"))
        store.setSidebarSelection(SidebarItem::watch);
    else if (screen == QLatin1String("shelves"))
        store.setSidebarSelection(SidebarItem::shelves);
    else if (screen == QLatin1String("history"))
        store.setSidebarSelection(SidebarItem::history);
    else if (screen == QLatin1String("guide"))
        store.setSidebarSelection(SidebarItem::guide);
    else
        store.setSidebarSelection(SidebarItem::home);

    if (screen == QLatin1String("home"))
        window->resize(1200, 1640);
    else if (screen == QLatin1String("empty"))
        window->resize(1200, 1060);
    else if (screen == QLatin1String("small"))
        window->resize(window->minimumSize());
    else
        window->resize(MainWindow::defaultSize);
    window->show();
    gallery::settle(150);
    if (screen == QLatin1String("sheet")) {
        store.setActiveSheet(ToolSheet::resize);
        gallery::settle(150);
    }
    const QImage image = gallery::grabWithSheet(window, screen == QLatin1String("sheet") ? window->content()->sheet() : nullptr, dark);
    const QString file = QDir(outDir).filePath(QStringLiteral("%1-%2-%3.png").arg(screen, dark ? QStringLiteral("dark") : QStringLiteral("light"), lang));
    const bool ok = image.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    // Everything the run writes stays in a temporary home.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/kelvaro-gallery-XXXXXX"));
    for (const char* sub : {"config", "data", "cache"})
        QDir(home.path()).mkpath(QString::fromLatin1(sub));
    setenv("XDG_CONFIG_HOME", qPrintable(home.path() + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(home.path() + "/data"), 1);
    setenv("XDG_CACHE_HOME", qPrintable(home.path() + "/cache"), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kelvaro-gallery-bus", 1);

    int scale = 1;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--scale")
            scale = qBound(1, QByteArray(argv[i + 1]).toInt(), 3);
    if (!getenv("QT_QPA_PLATFORM") || QByteArray(getenv("QT_QPA_PLATFORM")).startsWith("offscreen")) {
        const QString config = home.path() + QStringLiteral("/screen.json");
        QFile f(config);
        if (f.open(QIODevice::WriteOnly))
            f.write(QStringLiteral("{\"screens\":[{\"name\":\"gallery\",\"x\":0,\"y\":0,\"width\":%1,\"height\":%2,"
                                   "\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":%3}]}")
                        .arg(2400 * scale).arg(2000 * scale).arg(scale).toUtf8());
        f.close();
        setenv("QT_QPA_PLATFORM", qPrintable(QStringLiteral("offscreen:configfile=") + config), 1);
    }

    initVips(); // before any thread: libvips sets environment variables as it starts
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QApplication::setStyle(new KelvaroStyle());
    // The font the application itself takes.
    Theme::installInterfaceFont();

    installScreens();
    // The main window's pictures show it at work, not behind the first-run welcome.
    Settings::shared().setValue(QString::fromLatin1(SettingsKey::onboarded), true);
    const QStringList wheelScreens = wheel::wheelGalleryScreens();
    QStringList allScreens = kAllScreens + wheelScreens;
    for (const gallery::Scene& scene : gallery::scenes())
        allScreens << scene.name;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders Kelvaro's screens to PNG files."));
    parser.addHelpOption();
    QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Folder for the PNG files."), QStringLiteral("DIR"));
    QCommandLineOption themeOption(QStringLiteral("theme"), QStringLiteral("light or dark (default: both)."), QStringLiteral("THEME"));
    QCommandLineOption darkOption(QStringLiteral("dark"), QStringLiteral("Only the dark theme."));
    QCommandLineOption langOption(QStringLiteral("lang"), QStringLiteral("cs or en (default: cs); may be repeated."), QStringLiteral("LANG"));
    QCommandLineOption scaleOption(QStringLiteral("scale"), QStringLiteral("Device pixel ratio 1–3 (default 1)."), QStringLiteral("N"));
    parser.addOptions({outOption, themeOption, darkOption, langOption, scaleOption});
    parser.addPositionalArgument(QStringLiteral("screen"), allScreens.join(QStringLiteral(", ")), QStringLiteral("[SCREEN…]"));
    parser.process(app);

    if (!parser.isSet(outOption)) {
        std::fprintf(stderr, "kelvaro-gallery: --out DIR is required\n");
        return 2;
    }
    const QString outDir = parser.value(outOption);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "kelvaro-gallery: cannot create %s\n", qPrintable(outDir));
        return 1;
    }
    QList<bool> themes{false, true};
    if (parser.isSet(darkOption))
        themes = {true};
    else if (parser.isSet(themeOption))
        themes = {parser.value(themeOption) == QLatin1String("dark")};
    QStringList langs = parser.values(langOption);
    if (langs.isEmpty())
        langs = {QStringLiteral("cs")};
    for (const QString& lang : std::as_const(langs))
        if (lang != QLatin1String("cs") && lang != QLatin1String("en")) {
            std::fprintf(stderr, "kelvaro-gallery: unknown language %s (cs, en)\n", qPrintable(lang));
            return 2;
        }
    QStringList screens = parser.positionalArguments();
    if (screens.isEmpty())
        screens = allScreens;
    for (const QString& screen : std::as_const(screens))
        if (!allScreens.contains(screen)) {
            std::fprintf(stderr, "kelvaro-gallery: unknown screen %s (%s)\n", qPrintable(screen), qPrintable(allScreens.join(QStringLiteral(", "))));
            return 2;
        }

    const gallery::Env base = gallery::makeEnv(home.path());
    bool ok = true;
    for (const QString& screen : std::as_const(screens))
        for (const QString& lang : std::as_const(langs))
            for (bool dark : themes) {
                // Qt's own texts (dialog labels, standard buttons) and its formats in the
                // picture's language, as the application sets them at start.
                L10n::installQtTranslations(lang);
                QLocale::setDefault(L10n::locale(lang == QLatin1String("cs") ? AppLanguage::czech : AppLanguage::english));
                if (wheelScreens.contains(screen))
                    ok = !wheel::renderWheelGallery(outDir, dark, lang, {screen}).isEmpty() && ok;
                else
                    ok = render(screen, dark, lang, outDir, base) && ok;
            }
    BackgroundPools::drain();
    return ok ? 0 : 1;
}
