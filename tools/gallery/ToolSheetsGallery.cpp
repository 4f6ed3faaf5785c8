// The tool sheets on their own, over a store loaded with the 3:2 demo photo: crop (and a
// panorama, and a photo that cannot be read), resize in both modes, compress, rename, the shelf
// sheet with and without shelves, and the clipboard sheet over four photos.
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSpinBox>

#include "gallery/GalleryScenes.h"
#include "store/KelvaroStore.h"
#include "ui/design/Theme.h"
#include "ui/sheets/ChoiceButton.h"
#include "ui/sheets/CropPreview.h"
#include "ui/sheets/CropSheet.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/RenameSheet.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/sheets/ShelfSheet.h"
#include "ui/sheets/ToolSheetHost.h"

namespace kelvaro::gallery {
namespace {

// A store that saves nothing, with `files` loaded and `shelves` shown.
std::unique_ptr<KelvaroStore> demoStore(const QStringList& files, const QList<Shelf>& shelves)
{
    auto store = std::make_unique<KelvaroStore>(StoreServices{}, QStringLiteral("kelvaro.gallery.sheets"));
    store->enterDemo({}, shelves);
    store->setDroppedFiles(files);
    return store;
}

// Builds the sheet of `kind`, lets `arrange` set its controls, and grabs it once its preview
// (if any) has decoded.
QImage shoot(const Env& env, ToolSheet kind, KelvaroStore& store, const std::function<void(QDialog*)>& arrange = {})
{
    std::unique_ptr<QDialog> sheet(ToolSheetHost::build(kind, store, nullptr));
    Theme::apply(sheet.get(), env.dark);
    sheet->show();
    if (arrange)
        arrange(sheet.get());
    if (auto* crop = qobject_cast<CropSheet*>(sheet.get()); crop && crop->preview()) {
        QElapsedTimer clock;
        clock.start();
        while (crop->preview()->isLoading() && clock.elapsed() < 10000)
            settle(20);
    }
    settle(80);
    return sheet->grab().toImage();
}

// The 3:2 photo under a name a person would give it.
QString holidayPhoto(const Env& env)
{
    const QString path = QDir(env.workDir).filePath(QStringLiteral("Dovolená u moře.jpg"));
    if (!QFile::exists(path))
        QFile::copy(env.photo32, path);
    return path;
}

const GalleryScene cropScene(QStringLiteral("crop-sheet"), [](const Env& env) {
    auto store = demoStore({env.photo32}, {});
    return shoot(env, ToolSheet::crop, *store, [](QDialog* dialog) {
        auto* sheet = static_cast<CropSheet*>(dialog);
        sheet->ratioPicker()->setFocus();
        Q_EMIT sheet->ratioPicker()->tagClicked(QStringLiteral("portrait45"));
        sheet->horizontalSlider()->setUnits(250);
    });
});

// A 4:1 strip of the demo photo: the preview is only as high as the strip.
const GalleryScene cropPanoramaScene(QStringLiteral("crop-sheet-panorama"), [](const Env& env) {
    const QString path = QDir(env.workDir).filePath(QStringLiteral("Panorama.jpg"));
    if (!QFile::exists(path)) {
        const QImage photo(env.photo32);
        photo.copy(0, photo.height() / 2 - photo.width() / 8, photo.width(), photo.width() / 4).save(path, "JPG");
    }
    auto store = demoStore({path}, {});
    return shoot(env, ToolSheet::crop, *store, [](QDialog* dialog) {
        Q_EMIT static_cast<CropSheet*>(dialog)->ratioPicker()->tagClicked(QStringLiteral("landscape43"));
    });
});

const GalleryScene cropUnreadableScene(QStringLiteral("crop-sheet-unreadable"), [](const Env& env) {
    const QString broken = QDir(env.workDir).filePath(QStringLiteral("poškozená.jpg"));
    QFile file(broken);
    if (file.open(QIODevice::WriteOnly))
        file.write("not a photo");
    file.close();
    auto store = demoStore({broken}, {});
    return shoot(env, ToolSheet::crop, *store);
});

const GalleryScene resizeScene(QStringLiteral("resize-sheet"), [](const Env& env) {
    auto store = demoStore({env.photo32}, {});
    return shoot(env, ToolSheet::resize, *store);
});

const GalleryScene resizeLongEdgeScene(QStringLiteral("resize-sheet-long-edge"), [](const Env& env) {
    auto store = demoStore({env.photo32}, {});
    return shoot(env, ToolSheet::resize, *store, [](QDialog* dialog) {
        auto* sheet = static_cast<ResizeSheet*>(dialog);
        Q_EMIT sheet->modePicker()->tagClicked(QStringLiteral("longEdge"));
        sheet->longEdgeButtons().at(2)->click();
    });
});

const GalleryScene compressScene(QStringLiteral("compress-sheet"), [](const Env& env) {
    auto store = demoStore({env.photo32}, {});
    return shoot(env, ToolSheet::compress, *store);
});

const GalleryScene renameScene(QStringLiteral("rename-sheet"), [](const Env& env) {
    auto store = demoStore({holidayPhoto(env), env.photo32}, {});
    return shoot(env, ToolSheet::rename, *store, [](QDialog* dialog) {
        static_cast<RenameSheet*>(dialog)->startStepper()->setValue(12);
    });
});

const GalleryScene renameNamedScene(QStringLiteral("rename-sheet-named"), [](const Env& env) {
    auto store = demoStore({holidayPhoto(env)}, {});
    return shoot(env, ToolSheet::rename, *store, [](QDialog* dialog) {
        auto* sheet = static_cast<RenameSheet*>(dialog);
        sheet->nameField()->setText(QStringLiteral("Chorvatsko 2024"));
        sheet->numberedToggle()->setChecked(false);
    });
});

const GalleryScene shelfScene(QStringLiteral("shelf-sheet"), [](const Env& env) {
    auto store = demoStore({env.photo32}, SampleData::shelves());
    return shoot(env, ToolSheet::shelf, *store, [](QDialog* dialog) {
        auto* sheet = static_cast<ShelfSheet*>(dialog);
        if (sheet->rows().size() > 1)
            sheet->rows().at(1)->click();
    });
});

const GalleryScene shelfNewScene(QStringLiteral("shelf-sheet-new"), [](const Env& env) {
    auto store = demoStore({env.photo32}, {});
    return shoot(env, ToolSheet::shelf, *store, [](QDialog* dialog) {
        static_cast<ShelfSheet*>(dialog)->nameField()->setText(QStringLiteral("Výběr pro babičku"));
    });
});

const GalleryScene shelfTakenScene(QStringLiteral("shelf-sheet-taken"), [](const Env& env) {
    auto store = demoStore({env.photo32}, SampleData::shelves());
    const QString taken = store->shelves().isEmpty() ? QString() : store->shelves().first().name.toLower();
    return shoot(env, ToolSheet::shelf, *store, [taken](QDialog* dialog) {
        static_cast<ShelfSheet*>(dialog)->nameField()->setText(QStringLiteral(" ") + taken);
    });
});

const GalleryScene clipboardScene(QStringLiteral("clipboard-sheet"), [](const Env& env) {
    auto store = demoStore(env.pictures, {});
    return shoot(env, ToolSheet::clipboard, *store);
});

} // namespace
} // namespace kelvaro::gallery
