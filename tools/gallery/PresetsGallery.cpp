// The presets' pictures: the main window with photos loaded, so the drop card shows the preset
// panel beside the wheel (on a fresh profile, and with an own preset of a long name and no
// workflows, scrolled to its end), and the presets sheet over it with the built-in presets, with
// none left and with a stored list that cannot be read; and both as the keys reach them.
#include <QComboBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "model/PresetSpec.h"
#include "model/WorkflowLibrary.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "store/UserPresets.h"
#include "ui/main/ContentView.h"
#include "ui/presets/PresetPanel.h"
#include "ui/presets/PresetTile.h"
#include "ui/presets/PresetsSheet.h"

namespace kelvaro::gallery {
namespace {

const QString kPresets = QString::fromLatin1(PresetStore::key);
const QString kWorkflows = QString::fromLatin1(WorkflowLibrary::key);

void storeOrRemove(const QString& key, const QVariant& value)
{
    if (value.isValid())
        Settings::shared().setValue(key, value);
    else
        Settings::shared().remove(key);
}

// The main window on the home screen with three photos loaded, over the stored `presets` and
// `workflows` (nothing stored when invalid); `prepare` may open a sheet, which is drawn over it.
QImage loadedWindow(const Env& env, const QVariant& presets, const QVariant& workflows,
                    const std::function<QDialog*(Stage&)>& prepare = {})
{
    storeOrRemove(kPresets, presets);
    storeOrRemove(kWorkflows, workflows);
    QImage image;
    {
        Stage stage(env);
        stage.store().setDroppedFiles(env.pictures.mid(0, 3));
        MainWindow* window = stage.window();
        window->resize(1200, 900);
        window->show();
        settle(200);
        QDialog* sheet = prepare ? prepare(stage) : nullptr;
        settle(200);
        image = grabWithSheet(window, sheet, env.dark);
        if (sheet)
            sheet->close();
    }
    Settings::shared().remove(kPresets); // the other pictures start from the built-ins
    Settings::shared().remove(kWorkflows);
    return image;
}

QDialog* openPresetsSheet(Stage& stage)
{
    stage.store().setActiveSheet(ToolSheet::presets);
    return stage.window()->content()->sheet();
}

const GalleryScene card(QStringLiteral("presets-card"), [](const Env& env) {
    return loadedWindow(env, QVariant(), QVariant());
});

const GalleryScene cardOwn(QStringLiteral("presets-card-own"), [](const Env& env) {
    PresetSpec own;
    own.id = QUuid::createUuid();
    own.name = QStringLiteral("Portfolio pro tisk ve velkém formátu na plátno");
    own.maxSide = 3000;
    own.format = QStringLiteral("png");
    own.quality = 1.0;
    const QByteArray presets = UserPresets::encode({PresetSpec::defaults().at(0), own}).value_or(QByteArray());
    return loadedWindow(env, presets, QByteArray("[]"), [](Stage& stage) -> QDialog* {
        if (auto* panel = stage.window()->findChild<PresetPanel*>()) {
            QScrollBar* bar = panel->scrollArea()->verticalScrollBar();
            bar->setValue(bar->maximum());
        }
        return nullptr;
    });
});

const GalleryScene sheet(QStringLiteral("presets-sheet"), [](const Env& env) {
    return loadedWindow(env, QVariant(), QVariant(), openPresetsSheet);
});

const GalleryScene sheetEmpty(QStringLiteral("presets-sheet-empty"), [](const Env& env) {
    return loadedWindow(env, QByteArray("[]"), QVariant(), openPresetsSheet);
});

const GalleryScene sheetUnreadable(QStringLiteral("presets-sheet-unreadable"), [](const Env& env) {
    return loadedWindow(env, QByteArray("[{\"name\": \"Web\"}]"), QVariant(), openPresetsSheet);
});

// The keys on the loaded card: the ring on the first preset tile reached by Tab.
const GalleryScene cardKeys(QStringLiteral("presets-card-keys"), [](const Env& env) {
    return loadedWindow(env, QVariant(), QVariant(), [](Stage& stage) -> QDialog* {
        tabUntil(stage.window(), [](QWidget* w) { return qobject_cast<PresetTile*>(w) != nullptr; });
        return nullptr;
    });
});

// A name typed in the sheet and the focus moved on by Tab to the long side's pop-up.
const GalleryScene sheetKeys(QStringLiteral("presets-sheet-keys"), [](const Env& env) {
    return loadedWindow(env, QVariant(), QVariant(), [](Stage& stage) -> QDialog* {
        auto* sheet = qobject_cast<PresetsSheet*>(openPresetsSheet(stage));
        if (!sheet)
            return nullptr;
        settle(150);
        sheet->nameField()->setText(QStringLiteral("Tisk"));
        tabUntil(sheet, [sheet](QWidget* w) { return w == static_cast<QWidget*>(sheet->maxSidePicker()); });
        return sheet;
    });
});

} // namespace
} // namespace kelvaro::gallery
