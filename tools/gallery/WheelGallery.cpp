#include "gallery/WheelGallery.h"

#include <functional>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "engine/Bitmap.h"
#include "gallery/GalleryScenes.h"
#include "gallery/HeldThumbnails.h"
#include "gallery/ScriptedWheelStore.h"
#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "ui/design/FileThumb.h"
#include "ui/design/Theme.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/CompareSheet.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/FileImporter.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/StatusLine.h"
#include "ui/wheel/WheelControls.h"

namespace kelvaro::wheel {

namespace {

// An importer that never opens: the pictures show no dialogs.
class NoImporter : public FileImporter {
public:
    void choose(QWidget*, std::function<void(const QList<QUrl>&)>) override {}
};

// A colourful demo photo: sky, sun and hills.
QImage demoPhoto(int index, QSize size = QSize(640, 480))
{
    static const QList<std::pair<QColor, QColor>> skies = {
        {QColor(255, 170, 110), QColor(120, 90, 200)}, {QColor(90, 170, 255), QColor(210, 240, 255)},
        {QColor(250, 120, 150), QColor(255, 220, 150)}, {QColor(40, 60, 120), QColor(200, 120, 180)},
    };
    const auto& sky = skies[index % skies.size()];
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, sky.first);
    g.setColorAt(1, sky.second);
    p.fillRect(image.rect(), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 200));
    p.drawEllipse(QPointF(size.width() * (0.25 + 0.15 * (index % 3)), size.height() * 0.35), 50, 50);
    p.setBrush(QColor(40, 110 + 20 * (index % 3), 80));
    p.drawEllipse(QPointF(size.width() * 0.3, size.height() * 1.05), size.width() * 0.6, size.height() * 0.45);
    p.setBrush(QColor(30, 80, 70));
    p.drawEllipse(QPointF(size.width() * 0.85, size.height() * 1.1), size.width() * 0.5, size.height() * 0.5);
    return image;
}

struct Demo {
    QTemporaryDir dir;
    QStringList photos;
    QStringList outputs;
    QString document; // a PDF whose page the pictures may hold back as one slow to draw

    Demo()
    {
        const QStringList names = {"Dovolená u moře.jpg", "Chata.jpg", "Západ slunce.jpg", "Výlet na kole.jpg"};
        for (int i = 0; i < names.size(); ++i) {
            const QString path = dir.filePath(names[i]);
            demoPhoto(i).save(path, "JPEG", 92);
            photos.append(path);
        }
        for (int i = 0; i < 5; ++i) {
            const QString path = dir.filePath(QStringLiteral("Výsledek %1.png").arg(i + 1));
            QImage gray = demoPhoto(i).convertToFormat(QImage::Format_Grayscale8);
            gray.save(path, "JPEG", 40);
            outputs.append(path);
        }
        document = dir.filePath(QStringLiteral("Vějíř.pdf"));
        QPdfWriter pdf(document);
        QPainter page(&pdf);
        page.fillRect(QRect(0, 0, 2000, 1400), QColor(90, 140, 200));
    }

    QStringList many(int count) const
    {
        QStringList list;
        for (int i = 0; i < count; ++i)
            list.append(photos[i % photos.size()] + (i < photos.size() ? QString() : QStringLiteral("#%1").arg(i)));
        return list;
    }
};

// Waits for the pictures `root` shows, but those `held` holds back.
void settleWidgets(QWidget* root, const gallery::HeldThumbnails* held = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        bool loading = FileThumb::pendingCount() > (held ? held->holding() : 0);
        if (auto* sheet = qobject_cast<CompareSheet*>(root))
            loading = loading || !sheet->waitForImages(0);
        if (!loading)
            break;
    }
    for (auto* wheel : root->findChildren<ActionWheel*>())
        wheel->settle();
    gallery::finishAnimations();
}

// Shows `content` on the window backdrop with a margin and grabs it.
QImage shoot(QWidget* content, bool dark, QSize size, const gallery::HeldThumbnails* held = nullptr)
{
    QWidget host;
    host.setAttribute(Qt::WA_DontShowOnScreen, false);
    Theme::apply(&host, dark);
    host.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(24, 24, 24, 24);
    content->setParent(&host);
    layout->addWidget(content);
    host.resize(size);
    host.show();
    settleWidgets(&host, held);
    return host.grab().toImage();
}

using Builder = std::function<QImage(const Demo&, bool dark)>;

// A plain card surface, the wheel's home.
class CardSurface : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::cardFill().on(this));
        painter.drawRoundedRect(QRectF(rect()), 20, 20);
    }
};

QImage wheelShot(WheelMode mode, const std::optional<QString>& lit, bool dark)
{
    auto* panel = new CardSurface;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    auto* wheel = new ActionWheel(mode);
    wheel->setPinned(lit);
    column->addWidget(wheel, 0, Qt::AlignCenter);
    return shoot(panel, dark, QSize(380, 380));
}

// A file drag that entered the card at its top-left corner and stays there.
void dragOver(DropWheelCard& card, const QStringList& paths)
{
    static QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&card, &enter);
}

QImage cardShot(const Demo&, ScriptedWheelStore::Values values, bool dark, QSize size,
                const std::function<void(DropWheelCard&)>& tweak = {}, const gallery::HeldThumbnails* held = nullptr)
{
    auto* store = new ScriptedWheelStore;
    store->values = values;
    auto* card = new DropWheelCard(*store, std::make_shared<NoImporter>());
    store->setParent(card);
    if (tweak)
        tweak(*card);
    return shoot(card, dark, size, held);
}

QImage statusShot(ScriptedWheelStore::Values values, const std::optional<WheelAction>& hovered, bool dark)
{
    auto* store = new ScriptedWheelStore;
    store->values = values;
    auto* line = new StatusLine(*store);
    store->setParent(line);
    line->setHoveredAction(hovered);
    return shoot(line, dark, QSize(560, values.lastOutputs.isEmpty() ? 100 : 170));
}

const QList<std::pair<QString, Builder>>& builders()
{
    static const QList<std::pair<QString, Builder>> list = {
        {"wheel-convert", [](const Demo&, bool dark) { return wheelShot(WheelMode::convert, std::nullopt, dark); }},
        {"wheel-tools", [](const Demo&, bool dark) { return wheelShot(WheelMode::tools, std::nullopt, dark); }},
        {"wheel-actions", [](const Demo&, bool dark) { return wheelShot(WheelMode::actions, std::nullopt, dark); }},
        {"wheel-convert-hover", [](const Demo&, bool dark) { return wheelShot(WheelMode::convert, QStringLiteral("PNG"), dark); }},
        // The longest label of the tools, the tightest fit of a highlighted wedge.
        {"wheel-tools-hover", [](const Demo&, bool dark) { return wheelShot(WheelMode::tools, QStringLiteral("Vodoznak"), dark); }},
        {"wheel-actions-hover", [](const Demo&, bool dark) { return wheelShot(WheelMode::actions, QStringLiteral("Metadata"), dark); }},
        {"card-empty", [](const Demo& d, bool dark) { return cardShot(d, {}, dark, QSize(720, 470)); }},
        {"card-targeted", [](const Demo& d, bool dark) {
             return cardShot(d, {}, dark, QSize(720, 470), [&d](DropWheelCard& card) { dragOver(card, d.photos); });
         }},
        {"card-adding", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.droppedFiles = d.photos.mid(0, 2);
             return cardShot(d, v, dark, QSize(720, 720), [&d](DropWheelCard& card) { dragOver(card, d.photos); });
         }},
        {"card-banner", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.statusMessage = Lf("Přesunuto %@ do „%@“.", L("1 soubor"), QStringLiteral("Fotky"));
             v.lastOutputs = d.outputs.mid(0, 1);
             v.hasUndo = true;
             return cardShot(d, v, dark, QSize(720, 520));
         }},
        // A message that wraps: the banner grows with it.
        {"card-banner-long", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.statusMessage = Lf("Zkopírováno %@ do „%@“. Originály (%lld) zůstaly na místě – systém nepovolil jejich odstranění.",
                                  Lp(2, "1 soubor", "%lld soubory", "%lld souborů"), QStringLiteral("Fotky z dovolené 2026"), 2);
             v.lastOutputs = d.outputs.mid(0, 2);
             v.hasUndo = true;
             return cardShot(d, v, dark, QSize(520, 560));
         }},
        {"card-loaded", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.droppedFiles = d.photos.mid(0, 1);
             return cardShot(d, v, dark, QSize(720, 640));
         }},
        {"card-loaded-strip", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.droppedFiles = d.photos;
             v.wheelMode = WheelMode::tools;
             v.studioHighlight = QStringLiteral("Obličeje");
             return cardShot(d, v, dark, QSize(720, 720));
         }},
        // The first file's page is still being drawn: its header and its tile show the placeholder.
        {"card-loaded-waiting", [](const Demo& d, bool dark) {
             const gallery::HeldThumbnails held({d.document});
             ScriptedWheelStore::Values v;
             v.droppedFiles = QStringList{d.document} + d.photos.mid(0, 2);
             return cardShot(d, v, dark, QSize(720, 720), {}, &held);
         }},
        {"card-loaded-many", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.droppedFiles = d.many(65);
             v.wheelMode = WheelMode::actions;
             return cardShot(d, v, dark, QSize(720, 720));
         }},
        {"card-done", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.droppedFiles = d.photos;
             v.statusMessage = Lf("Hotovo – %@ ve složce „%@“.", Lf("%lld souborů", 5), QStringLiteral("Kelvaro"));
             v.lastOutputs = d.outputs;
             v.hasUndo = true;
             v.comparePair = ComparePair{d.photos[0], d.outputs[0]};
             return cardShot(d, v, dark, QSize(720, 800));
         }},
        {"status-idle", [](const Demo&, bool dark) { return statusShot({}, std::nullopt, dark); }},
        {"status-hover", [](const Demo&, bool dark) {
             return statusShot({}, actions(WheelMode::tools).value(3), dark);
         }},
        {"status-working", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.droppedFiles = d.photos;
             v.isWorking = true;
             v.progressDone = 3;
             v.progressTotal = 10;
             v.runLanguage = L10n::resolved(L10n::current()); // a run started in the gallery's language
             v.statusMessage = L("Pracuju na tom…");
             return statusShot(v, std::nullopt, dark);
         }},
        {"status-error", [](const Demo&, bool dark) {
             ScriptedWheelStore::Values v;
             v.statusMessage = L("Bez složky pro výsledky nemůžu pokračovat.");
             v.statusIsError = true;
             return statusShot(v, std::nullopt, dark);
         }},
        {"status-done", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.statusMessage = Lf("Hotovo – %@ ve složce „%@“.", Lf("%lld souborů", 5), QStringLiteral("Kelvaro"));
             v.lastOutputs = d.outputs;
             v.hasUndo = true;
             v.comparePair = ComparePair{d.photos[0], d.outputs[0]};
             return statusShot(v, std::nullopt, dark);
         }},
        {"status-long", [](const Demo& d, bool dark) {
             ScriptedWheelStore::Values v;
             v.droppedFiles = d.photos;
             v.statusMessage = Lf("Hotovo – %@ ve složce „%@“.", Lp(3, "1 soubor", "%lld soubory", "%lld souborů"),
                                  QStringLiteral("Výsledky z letošní dovolené u moře")) + QLatin1Char(' ') + Lf("Nepovedlo se: %lld.", 2);
             return statusShot(v, std::nullopt, dark);
         }},
        {"compare", [](const Demo& d, bool dark) {
             CompareSheet sheet(ComparePair{d.photos[0], d.outputs[0]});
             Theme::apply(&sheet, dark);
             sheet.setAttribute(Qt::WA_DontShowOnScreen, false);
             sheet.show();
             sheet.waitForImages();
             sheet.view()->setSplit(0.42);
             settleWidgets(&sheet);
             return sheet.grab().toImage();
         }},
        {"compare-unreadable", [](const Demo& d, bool dark) {
             CompareSheet sheet(ComparePair{d.dir.filePath(QStringLiteral("chybí.jpg")), d.outputs[1]});
             Theme::apply(&sheet, dark);
             sheet.show();
             sheet.waitForImages();
             settleWidgets(&sheet);
             return sheet.grab().toImage();
         }},
    };
    return list;
}

} // namespace

QStringList wheelGalleryScreens()
{
    QStringList names;
    for (const auto& [name, builder] : builders())
        names.append(name);
    return names;
}

QStringList renderWheelGallery(const QString& outDir, bool dark, const QString& lang, const QStringList& only)
{
    QDir().mkpath(outDir);
    Settings& settings = Settings::shared();
    const QVariant savedLanguage = settings.value(QString::fromLatin1(SettingsKey::language));
    settings.setValue(QString::fromLatin1(SettingsKey::language), lang);
    initVips();
    // Standard widgets (the sheet's button) take the application palette.
    const QPalette savedPalette = QApplication::palette();
    QApplication::setPalette(Theme::qtPalette(dark));
    const Demo demo;
    QStringList written;
    for (const auto& [name, builder] : builders()) {
        if (!only.isEmpty() && !only.contains(name))
            continue;
        const QImage image = builder(demo, dark);
        const QString file = QDir(outDir).filePath(
            QStringLiteral("%1-%2-%3.png").arg(name, dark ? QStringLiteral("dark") : QStringLiteral("light"), lang));
        if (image.save(file))
            written.append(file);
    }
    QApplication::setPalette(savedPalette);
    if (savedLanguage.isValid())
        settings.setValue(QString::fromLatin1(SettingsKey::language), savedLanguage);
    else
        settings.remove(QString::fromLatin1(SettingsKey::language));
    return written;
}

} // namespace kelvaro::wheel
