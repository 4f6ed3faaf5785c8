// The sheets with a live preview and the platform-crop sheet, over a store loaded with the 3:2
// demo photo: the watermark sheet with its text, with a logo and with a logo that cannot be
// drawn; the adjust sheet turned and toned; the platform-crop sheet with the window dragged, and
// without a preset or a readable photo.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>

#include "gallery/GalleryScenes.h"
#include "model/PresetSpec.h"
#include "platform/widgets/LogoPicker.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/AdjustSheet.h"
#include "ui/sheets/ChoiceButton.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/LivePreview.h"
#include "ui/sheets/PlatformCropPreview.h"
#include "ui/sheets/PlatformCropSheet.h"
#include "ui/sheets/ToolSheetHost.h"
#include "ui/sheets/WatermarkSheet.h"

namespace kelvaro::gallery {
namespace {

std::unique_ptr<KelvaroStore> demoStore(const QStringList& files)
{
    auto store = std::make_unique<KelvaroStore>(StoreServices{}, QStringLiteral("kelvaro.gallery.previews"));
    store->enterDemo({}, {});
    store->setDroppedFiles(files);
    return store;
}

// Waits until `done` or 10 s, then lets the last paint settle.
void waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000)
        settle(20);
    settle(80);
}

// Builds the sheet of `kind`, lets `arrange` set its controls, and grabs it once its preview has
// rendered (or given up).
QImage shoot(const Env& env, ToolSheet kind, KelvaroStore& store, const std::function<void(QDialog*)>& arrange = {})
{
    std::unique_ptr<QDialog> sheet(ToolSheetHost::build(kind, store, nullptr));
    Theme::apply(sheet.get(), env.dark);
    sheet->show();
    if (arrange)
        arrange(sheet.get());
    if (auto* live = sheet->findChild<LivePreview*>()) {
        // The settings just arranged render after the preview's wait.
        settle(2 * LivePreview::debounceMs);
        waitUntil([live] { return live->isFailed() || !live->shownImage().isNull(); });
    }
    if (auto* crop = sheet->findChild<PlatformCropPreview*>())
        waitUntil([crop] { return !crop->isLoading(); });
    settle(80);
    return sheet->grab().toImage();
}

// A round badge logo with a transparent surround.
QString demoLogo(const Env& env)
{
    const QString path = QDir(env.workDir).filePath(QStringLiteral("logo-studia.png"));
    if (QFile::exists(path))
        return path;
    QImage logo(240, 240, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(238, 92, 41));
    p.drawEllipse(QRectF(10, 10, 220, 220));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(70, 70, 100, 100));
    p.end();
    logo.save(path);
    return path;
}

// Chooses `logo` through the sheet's own button, then puts the real panel back.
void chooseLogo(WatermarkSheet* sheet, const QString& logo)
{
    const std::shared_ptr<LogoPicker> real = LogoPicker::shared();
    LogoPicker::setShared(std::make_shared<FakeLogoPicker>(logo));
    sheet->logoButton()->click();
    LogoPicker::setShared(real);
}

std::optional<PresetSpec> platformPreset(const QString& name)
{
    for (const PlatformPresets& group : PlatformPresets::all())
        for (const PresetSpec& preset : group.presets)
            if (preset.name == name)
                return preset;
    return std::nullopt;
}

const GalleryScene watermarkScene(QStringLiteral("watermark-sheet"), [](const Env& env) {
    auto store = demoStore({env.photo32});
    return shoot(env, ToolSheet::watermark, *store, [](QDialog* dialog) {
        auto* sheet = static_cast<WatermarkSheet*>(dialog);
        sheet->sizeSlider()->setUnits(800);
    });
});

const GalleryScene watermarkLogoScene(QStringLiteral("watermark-sheet-logo"), [](const Env& env) {
    auto store = demoStore({env.photo32});
    const QString logo = demoLogo(env);
    return shoot(env, ToolSheet::watermark, *store, [logo](QDialog* dialog) {
        auto* sheet = static_cast<WatermarkSheet*>(dialog);
        chooseLogo(sheet, logo);
        sheet->positionPicker()->setCurrentIndex(0);
        sheet->opacitySlider()->setUnits(600);
        sheet->sizeSlider()->setUnits(1200);
    });
});

const GalleryScene watermarkBrokenLogoScene(QStringLiteral("watermark-sheet-unreadable-logo"), [](const Env& env) {
    auto store = demoStore({env.photo32});
    const QString broken = QDir(env.workDir).filePath(QStringLiteral("logo s velmi dlouhým názvem, který se nevejde.png"));
    QFile file(broken);
    if (file.open(QIODevice::WriteOnly))
        file.write("not a picture");
    file.close();
    return shoot(env, ToolSheet::watermark, *store, [broken](QDialog* dialog) {
        chooseLogo(static_cast<WatermarkSheet*>(dialog), broken);
    });
});

const GalleryScene adjustScene(QStringLiteral("adjust-sheet"), [](const Env& env) {
    auto store = demoStore({env.photo32});
    return shoot(env, ToolSheet::adjust, *store, [](QDialog* dialog) {
        auto* sheet = static_cast<AdjustSheet*>(dialog);
        sheet->rotateLeftButton()->click();
        sheet->mirrorButton()->click();
        sheet->brightnessSlider()->setUnits(150);
        sheet->contrastSlider()->setUnits(1200);
    });
});

// A photo the preview cannot read: the file's name alone under "Náhled není k dispozici".
const GalleryScene adjustUnreadableScene(QStringLiteral("adjust-sheet-unreadable"), [](const Env& env) {
    const QString broken = QDir(env.workDir).filePath(QStringLiteral("Dovolená u moře – západ slunce.jpg"));
    QFile file(broken);
    if (file.open(QIODevice::WriteOnly))
        file.write("not a photo");
    file.close();
    auto store = demoStore({broken});
    return shoot(env, ToolSheet::adjust, *store);
});

const GalleryScene adjustNeutralScene(QStringLiteral("adjust-sheet-neutral"), [](const Env& env) {
    auto store = demoStore({env.photo32});
    return shoot(env, ToolSheet::adjust, *store);
});

const GalleryScene adjustMonoScene(QStringLiteral("adjust-sheet-mono"), [](const Env& env) {
    auto store = demoStore({env.photo32});
    return shoot(env, ToolSheet::adjust, *store, [](QDialog* dialog) {
        auto* sheet = static_cast<AdjustSheet*>(dialog);
        sheet->monoToggle()->click();
        sheet->brightnessSlider()->setUnits(-120);
    });
});

const GalleryScene platformCropScene(QStringLiteral("platform-crop-sheet"), [](const Env& env) {
    auto store = demoStore({env.photo32, env.pictures.value(0), env.pictures.value(1)});
    store->setPendingPreset(platformPreset(QStringLiteral("Instagram příspěvek na výšku (4x5)")));
    return shoot(env, ToolSheet::platformCrop, *store, [](QDialog* dialog) {
        auto* preview = static_cast<PlatformCropSheet*>(dialog)->preview();
        waitUntil([preview] { return !preview->isLoading(); });
        const QRectF picture = preview->pictureRect();
        const QPointF at(picture.left() + picture.width() * 0.3, picture.center().y());
        QMouseEvent press(QEvent::MouseButtonPress, at, preview->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(preview, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, preview->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(preview, &release);
    });
});

const GalleryScene platformCropWideScene(QStringLiteral("platform-crop-sheet-wide"), [](const Env& env) {
    auto store = demoStore({env.pictures.value(0)});
    store->setPendingPreset(platformPreset(QStringLiteral("YouTube miniatura (16x9)")));
    return shoot(env, ToolSheet::platformCrop, *store);
});

const GalleryScene platformCropUnavailableScene(QStringLiteral("platform-crop-sheet-unavailable"), [](const Env& env) {
    const QString broken = QDir(env.workDir).filePath(QStringLiteral("poškozená.jpg"));
    QFile file(broken);
    if (file.open(QIODevice::WriteOnly))
        file.write("not a photo");
    file.close();
    auto store = demoStore({broken});
    return shoot(env, ToolSheet::platformCrop, *store);
});

} // namespace
} // namespace kelvaro::gallery
