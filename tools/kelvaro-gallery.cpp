// kelvaro-gallery: renders Kelvaro's screens with demo content to PNG files, offscreen, in light
// and dark and in Czech and English, so a reviewer can look at the interface without a display.
//
//   kelvaro-gallery --out DIR [--theme light|dark] [--dark] [--lang cs|en] [--scale 1|2] [SCREEN…]
//
// Screens: main (the main window on the home screen), small (the same at the minimum size of
// 980×660), home (the whole home page), empty (the
// main window with no history and no shelves), workflows, watch, shelves, history, guide (the
// main window on that section), sheet (the main window with a tool sheet open), symbols (every
// glyph of the symbol table with its name), and the wheel's own pictures (the wheel in each mode,
// the card's faces, the status line, the compare sheet). Without
// SCREEN all are rendered; without --theme both themes; without --lang Czech. Settings and
// files of the run live in a temporary folder, never in the user's.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QThread>

#include "app/KelvaroApp.h"
#include "app/ScreenInstaller.h"
#include "app/MainWindow.h"
#include "engine/Localization.h"
#include "engine/Models.h"
#include "platform/BackgroundPools.h"
#include "platform/Settings.h"
#include "platform/widgets/Appearance.h"
#include "store/KelvaroStore.h"
#include "ui/design/FileThumb.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"
#include "ui/main/ContentView.h"
#include "ui/main/HomeCards.h"
#include "ui/wheel/WheelGallery.h"

using namespace kelvaro;

namespace {

const QStringList kAllScreens{QStringLiteral("main"),    QStringLiteral("small"),   QStringLiteral("home"),    QStringLiteral("empty"),
                              QStringLiteral("workflows"), QStringLiteral("watch"), QStringLiteral("shelves"),
                              QStringLiteral("history"), QStringLiteral("guide"),   QStringLiteral("sheet"),
                              QStringLiteral("symbols")};

void settle(int milliseconds = 60)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds || FileThumb::pendingCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (FileThumb::pendingCount() > 0)
            QThread::msleep(5);
        if (timer.elapsed() > 15000)
            break;
    }
}

// Pictures for the history's thumbnails: soft gradients with a sun and a horizon.
QStringList demoPictures(const QString& folder)
{
    const QList<QPair<QColor, QColor>> skies{{QColor(255, 176, 120), QColor(120, 70, 160)},
                                             {QColor(120, 190, 255), QColor(40, 90, 150)},
                                             {QColor(250, 220, 160), QColor(200, 90, 60)},
                                             {QColor(170, 230, 200), QColor(30, 110, 100)}};
    QStringList paths;
    for (int i = 0; i < skies.size(); ++i) {
        QImage image(640, 480, QImage::Format_RGB32);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, 480);
        sky.setColorAt(0, skies[i].first);
        sky.setColorAt(1, skies[i].second);
        p.fillRect(image.rect(), sky);
        p.setBrush(QColor(255, 250, 230, 220));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(200 + i * 80, 170), 60, 60);
        QPainterPath hills;
        hills.moveTo(0, 480);
        hills.lineTo(0, 340);
        hills.cubicTo(160, 260, 300, 420, 460, 320);
        hills.cubicTo(540, 280, 600, 300, 640, 320);
        hills.lineTo(640, 480);
        p.fillPath(hills, skies[i].second.darker(160));
        p.end();
        const QString path = folder + QStringLiteral("/demo-%1.jpg").arg(i + 1);
        image.save(path, "JPG", 85);
        paths << path;
    }
    return paths;
}

QList<ActivityItem> demoActivities(const QStringList& pictures)
{
    QList<ActivityItem> items = SampleData::activities();
    // The image results get a file to show; archives and PDFs keep their symbol tiles.
    int next = 0;
    for (ActivityItem& item : items) {
        const QString lower = item.fileName.toLower();
        const bool picture = lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".heic"))
            || lower.endsWith(QLatin1String(".png")) || lower.endsWith(QLatin1String(".tiff"));
        if (picture && next < pictures.size())
            item.outputPath = pictures.at(next++);
    }
    return items;
}

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

bool render(const QString& screen, bool dark, const QString& lang, const QString& outDir, const QStringList& pictures)
{
    if (screen == QLatin1String("symbols")) {
        const QString file = QDir(outDir).filePath(QStringLiteral("symbols-%1.png").arg(dark ? QStringLiteral("dark") : QStringLiteral("light")));
        const bool ok = symbolSheet(dark).save(file);
        std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
        return ok;
    }
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), lang);
    Appearance::shared().setOverride(dark);

    KelvaroStore store(StoreServices{}, QStringLiteral("kelvaro.gallery.library"));
    // Demo content is never saved; "empty" shows a store with no history and no shelves.
    if (screen == QLatin1String("empty"))
        store.enterDemo({}, {});
    else
        store.enterDemo(demoActivities(pictures), SampleData::shelves());
    KelvaroAppOptions options;
    options.useTray = false;
    KelvaroApp app(store, options);
    MainWindow* window = app.mainWindow();

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
    settle(150);
    if (screen == QLatin1String("sheet")) {
        store.setActiveSheet(ToolSheet::resize);
        settle(150);
    }
    QImage image = window->grab().toImage();
    if (screen == QLatin1String("sheet")) {
        // The sheet is its own window: draw it over the main window where it would stand.
        if (QDialog* sheet = window->content()->sheet()) {
            QPainter p(&image);
            const QImage sheetImage = sheet->grab().toImage();
            const QPoint at((image.width() / image.devicePixelRatio() - sheet->width()) / 2, 40);
            p.fillRect(image.rect(), QColor(0, 0, 0, dark ? 90 : 40));
            p.drawImage(at, sheetImage);
        }
    }
    const QString file = QDir(outDir).filePath(QStringLiteral("%1-%2-%3.png").arg(screen, dark ? QStringLiteral("dark") : QStringLiteral("light"), lang));
    const bool ok = image.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    window->hide();
    store.setActiveSheet(std::nullopt);
    settle(20);
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

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    QApplication::setStyle(new KelvaroStyle());
    // Renders look the same on every machine when Inter (fonts-inter) is installed; otherwise
    // the desktop's default font is used, as the application itself does.
    if (QFontDatabase::hasFamily(QStringLiteral("Inter"))) {
        QFont font(QStringLiteral("Inter"));
        font.setPixelSize(13);
        QApplication::setFont(font);
    }

    installScreens();
    const QStringList wheelScreens = wheel::wheelGalleryScreens();
    QStringList allScreens = kAllScreens + wheelScreens;

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

    const QStringList pictures = demoPictures(home.path());
    bool ok = true;
    for (const QString& screen : std::as_const(screens))
        for (const QString& lang : std::as_const(langs))
            for (bool dark : themes) {
                if (wheelScreens.contains(screen))
                    ok = !wheel::renderWheelGallery(outDir, dark, lang, {screen}).isEmpty() && ok;
                else
                    ok = render(screen, dark, lang, outDir, pictures) && ok;
            }
    BackgroundPools::drain();
    return ok ? 0 : 1;
}
