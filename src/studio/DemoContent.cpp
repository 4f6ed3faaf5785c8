#include "studio/DemoContent.h"

#include <array>
#include <cmath>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QUuid>

#include "engine/Localization.h"
#include "store/ShelfStorage.h"
#include "studio/ScreenshotFinisher.h"

namespace kelvaro::DemoContent {
namespace {

constexpr int kWidth = 1800;
constexpr int kHeight = 1200;

struct Rgb {
    double r, g, b;
    QColor colour(double alpha = 1.0) const { return QColor::fromRgbF(float(r), float(g), float(b), float(alpha)); }
};

struct Palette {
    const char* name;
    Rgb skyTop, skyBottom, sun;
    std::array<Rgb, 3> layers; // farthest ridge first
    double sunX, sunY;         // fractions of the size, measured from the bottom-left corner
};

const std::array<Palette, 8> kPhotos{{
    {"Vik_221.jpg", {0.16, 0.20, 0.42}, {0.98, 0.62, 0.42}, {1.00, 0.86, 0.62},
     {{{0.36, 0.30, 0.44}, {0.22, 0.19, 0.31}, {0.10, 0.09, 0.15}}}, 0.68, 0.50},
    {"Seceda_014.jpg", {0.25, 0.52, 0.86}, {0.78, 0.89, 0.98}, {1.00, 0.98, 0.92},
     {{{0.62, 0.70, 0.80}, {0.33, 0.52, 0.36}, {0.16, 0.34, 0.20}}}, 0.25, 0.78},
    {"Reine_108.jpg", {0.06, 0.10, 0.22}, {0.18, 0.46, 0.55}, {0.70, 1.00, 0.82},
     {{{0.10, 0.28, 0.33}, {0.06, 0.17, 0.22}, {0.02, 0.07, 0.10}}}, 0.50, 0.80},
    {"Merzouga_007.jpg", {0.95, 0.55, 0.30}, {1.00, 0.85, 0.60}, {1.00, 0.97, 0.85},
     {{{0.90, 0.58, 0.34}, {0.80, 0.44, 0.22}, {0.62, 0.30, 0.14}}}, 0.40, 0.46},
    {"Valensole_045.jpg", {0.55, 0.62, 0.92}, {0.98, 0.80, 0.86}, {1.00, 0.95, 0.90},
     {{{0.62, 0.55, 0.80}, {0.48, 0.36, 0.72}, {0.33, 0.22, 0.55}}}, 0.78, 0.58},
    {"Sumava_032.jpg", {0.70, 0.78, 0.82}, {0.95, 0.93, 0.86}, {1.00, 1.00, 0.95},
     {{{0.62, 0.70, 0.66}, {0.36, 0.48, 0.40}, {0.15, 0.26, 0.20}}}, 0.32, 0.62},
    {"Tatra_088.jpg", {0.10, 0.30, 0.62}, {0.55, 0.78, 0.95}, {1.00, 1.00, 1.00},
     {{{0.80, 0.86, 0.93}, {0.45, 0.55, 0.68}, {0.20, 0.27, 0.36}}}, 0.85, 0.82},
    {"Aurora_019.jpg", {0.03, 0.05, 0.14}, {0.20, 0.10, 0.36}, {0.95, 0.92, 1.00},
     {{{0.16, 0.12, 0.30}, {0.08, 0.07, 0.18}, {0.02, 0.02, 0.06}}}, 0.20, 0.84},
}};

QString inRoot(const QString& root, const QString& name)
{
    return root + QLatin1Char('/') + name;
}

QUuid newId()
{
    return QUuid::createUuid();
}

} // namespace

std::optional<QString> root()
{
    const std::optional<QString> legacy = ShelfStorage::legacyRoot();
    if (!legacy)
        return std::nullopt;
    const QString folder = inRoot(*legacy, QString::fromLatin1(ShelfStorage::demoFolderName));
    QDir().mkpath(folder); // a failure shows as files that cannot be written
    return folder;
}

QStringList photoNames()
{
    QStringList names;
    for (const Palette& photo : kPhotos)
        names << QString::fromLatin1(photo.name);
    return names;
}

QImage render(int index, double seed)
{
    if (index < 0 || index >= int(kPhotos.size()))
        return {};
    const Palette& palette = kPhotos[size_t(index)];
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // The drawing is specified bottom-up; flip once so every coordinate reads as given.
    p.translate(0, kHeight);
    p.scale(1, -1);

    // Sky: the top colour at the top edge, the bottom colour from 360 px above the bottom down.
    QLinearGradient sky(0, kHeight, 0, 360);
    sky.setColorAt(0, palette.skyTop.colour());
    sky.setColorAt(1, palette.skyBottom.colour());
    p.fillRect(QRectF(0, 0, kWidth, kHeight), sky);

    const QPointF sun(palette.sunX * kWidth, palette.sunY * kHeight);
    QRadialGradient glow(sun, 456);
    glow.setColorAt(0, palette.sun.colour(0.55));
    glow.setColorAt(1, palette.sun.colour(0));
    p.setBrush(glow);
    p.drawEllipse(sun, 456, 456);
    p.setBrush(palette.sun.colour());
    p.drawEllipse(sun, 66, 66);

    for (size_t n = 0; n < palette.layers.size(); ++n) {
        const double i = double(n);
        const double base = (0.52 - 0.13 * i) * kHeight;
        const double amplitude = (0.13 - 0.03 * i) * kHeight;
        QPainterPath ridge;
        ridge.moveTo(0, 0);
        for (int x = 0; x <= kWidth; x += 6) {
            const double t = double(x) / kWidth;
            const double y = base + amplitude * (0.55 * std::sin(1.3 * i + seed + 7 * t)
                                                 + 0.30 * std::sin(2.1 * seed + 17 * t + i)
                                                 + 0.15 * std::sin(3.7 * i + 41 * t));
            ridge.lineTo(x, y);
        }
        ridge.lineTo(kWidth, 0);
        ridge.closeSubpath();
        p.fillPath(ridge, palette.layers[n].colour());
    }
    return image;
}

QStringList ensurePhotos()
{
    const std::optional<QString> folder = root();
    if (!folder)
        return {};
    QStringList photos;
    for (int n = 0; n < int(kPhotos.size()); ++n) {
        const QString path = inRoot(*folder, QString::fromLatin1(kPhotos[size_t(n)].name));
        if (!QFileInfo::exists(path)) {
            const QImage image = render(n, n * 1.7);
            if (!image.isNull())
                ScreenshotFinisher::saveAtomically(image, path, "jpeg", 90);
        }
        if (QFileInfo::exists(path))
            photos << path;
    }
    return photos;
}

std::optional<ComparePair> comparePair()
{
    const std::optional<QString> folder = root();
    if (!folder)
        return std::nullopt;
    const ComparePair pair{inRoot(*folder, QStringLiteral("Vik_221.png")),
                           inRoot(*folder, QStringLiteral("Vik_221 ") + L("komprese") + QStringLiteral(".jpg"))};
    if (!QFileInfo::exists(pair.before) || !QFileInfo::exists(pair.after)) {
        // Both from one drawing, so the two sides always show the same picture.
        const QImage image = render(0, 0);
        if (!image.isNull()) {
            ScreenshotFinisher::saveAtomically(image, pair.before, "png", 100);
            ScreenshotFinisher::saveAtomically(image, pair.after, "jpeg", 55);
        }
    }
    if (!QFileInfo::exists(pair.before) || !QFileInfo::exists(pair.after))
        return std::nullopt;
    return pair;
}

QList<ActivityItem> activities(const QStringList& photos)
{
    if (photos.isEmpty())
        return {};
    struct Row {
        const char* title;
        const char* symbol;
        int days, hours;
        qint64 savedBytes;
    };
    // Stored in Czech, as a run stores them; the history translates them when it shows them.
    static const std::array<Row, 14> rows{{
        {LKey("HEIC → JPG"), "photo", 0, 1, 2400000},
        {LKey("Odstranit pozadí"), "person.crop.rectangle", 0, 2, 0},
        {LKey("Komprese"), "arrow.down.right.and.arrow.up.left", 0, 3, 5100000},
        {"Automaticky · Instagram 4:5", "eye", 0, 5, 1200000},
        {LKey("Vodoznak"), "signature", 1, 1, 0},
        {LKey("Ořez 4:5"), "crop", 1, 3, 310000},
        {"Automaticky · Instagram 4:5", "eye", 1, 6, 980000},
        {LKey("Komprese"), "arrow.down.right.and.arrow.up.left", 2, 2, 4800000},
        {LKey("Spojit do PDF"), "doc.richtext", 2, 5, 0},
        {LKey("HEIC → JPG"), "photo", 3, 1, 1900000},
        {LKey("Text z obrázku"), "text.viewfinder", 3, 4, 0},
        {LKey("Zabalit do ZIP"), "doc.zipper", 4, 2, 18600000},
        {LKey("Komprese"), "arrow.down.right.and.arrow.up.left", 5, 1, 3300000},
        {LKey("Vodoznak"), "signature", 6, 2, 0},
    }};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<ActivityItem> items;
    for (size_t k = 0; k < rows.size(); ++k) {
        const Row& row = rows[k];
        const QString& photo = photos.at(qsizetype(k) % photos.size());
        items.append({newId(), QFileInfo(photo).fileName(), QString::fromUtf8(row.title), QString::fromLatin1(row.symbol),
                      now.addSecs(-(qint64(row.days) * 86400 + qint64(row.hours) * 3600)), row.savedBytes, photo});
    }
    return items;
}

QList<Shelf> shelves(const QStringList& photos)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto items = [&](int from, int to) {
        QList<ShelfItem> list;
        for (int i = from; i < to && i < photos.size(); ++i) {
            const QFileInfo file(photos.at(i));
            list.append({newId(), file.fileName(), {}, file.exists() ? file.size() : 0,
                         now.addSecs(-(qint64(i) * 86400 + 7200)),
                         QString::fromLatin1(ShelfStorage::demoFolderName) + QLatin1Char('/') + file.fileName()});
        }
        return list;
    };
    return {
        {newId(), L("Cestování 2026"), QStringLiteral("airplane"), 2, 0, items(0, 6)},
        {newId(), QStringLiteral("Portfolio"), QStringLiteral("star.fill"), 1, 0, items(1, 4)},
        {newId(), L("Na Instagram"), QStringLiteral("camera.fill"), 4, 0, items(3, 6)},
        {newId(), L("K tisku"), QStringLiteral("printer.fill"), 0, 0, items(5, 8)},
    };
}

QList<WatchRule> watchRules()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QList<WatchRecipe>& recipes = WatchRecipe::all();
    struct Row {
        QString name;
        QString path;
        qint64 processed;
        int hoursAgo;
    };
    const QString screenshots = L("Snímky obrazovky");
    const QString clients = L("Pro klienty");
    const std::array<Row, 4> rows{{
        {screenshots, QStringLiteral("~/Desktop/") + screenshots, 214, 1},
        {QStringLiteral("iPhone Import"), QStringLiteral("~/Pictures/iPhone Import"), 1382, 3},
        {QStringLiteral("Instagram"), QStringLiteral("~/Pictures/Instagram"), 96, 26},
        {clients, QStringLiteral("~/Documents/") + clients, 57, 50},
    }};
    QList<WatchRule> rules;
    for (size_t i = 0; i < rows.size() && qsizetype(i) < recipes.size(); ++i) {
        WatchRule rule;
        rule.id = newId();
        rule.folderName = rows[i].name;
        rule.folderPath = rows[i].path;
        rule.action = recipes.at(qsizetype(i)).action;
        rule.isEnabled = true;
        rule.processed = rows[i].processed;
        rule.lastRun = now.addSecs(-qint64(rows[i].hoursAgo) * 3600);
        rule.created = now;
        rules.append(rule);
    }
    return rules;
}

} // namespace kelvaro::DemoContent
