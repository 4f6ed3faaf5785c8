// The folder dialog that asks for the output folder on the first run.
#include <QDir>

#include "gallery/GalleryScenes.h"
#include "l10n/Localization.h"
#include "platform/widgets/FileDialogFolderChooser.h"
#include "ui/design/Theme.h"

namespace kelvaro::gallery {
namespace {

const GalleryScene folderDialog(QStringLiteral("folder-dialog"), [](const Env& env) {
    const QString start = QDir(env.workDir).filePath(QStringLiteral("Obrázky"));
    for (const char* name : {"Dovolená", "Kelvaro", "Rodina", "Screenshoty"})
        QDir(start).mkpath(QString::fromUtf8(name));
    FolderDialog dialog(nullptr, L("Vyber složku, kam se budou ukládat výsledky. Originály zůstanou nedotčené."), start);
    Theme::apply(&dialog, env.dark);
    return grabWidget(&dialog, QSize(760, 480));
});

} // namespace
} // namespace kelvaro::gallery
