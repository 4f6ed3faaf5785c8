// The file dialogs: the folder dialog that asks for the output folder on the first run, and the
// importer's dialog that chooses files and folders for the wheel, and the watermark's logo panel.
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "gallery/GalleryScenes.h"
#include "l10n/Localization.h"
#include "platform/widgets/FileDialogFolderChooser.h"
#include "platform/widgets/LogoPicker.h"
#include "ui/design/Theme.h"
#include "ui/wheel/FileImporter.h"

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

// A folder of photos and a subfolder, as "Vybrat soubory…" opens it.
const GalleryScene filesDialog(QStringLiteral("files-dialog"), [](const Env& env) {
    const QString start = QDir(env.workDir).filePath(QStringLiteral("Dovolená u moře"));
    QDir(start).mkpath(QStringLiteral("Výběr"));
    for (int i = 0; i < env.pictures.size(); ++i)
        QFile::copy(env.pictures.at(i), QDir(start).filePath(QStringLiteral("IMG_%1.jpg").arg(2041 + i)));
    QWidget parent;
    wheel::FileImporter::desktop()->choose(&parent, [](const QList<QUrl>&) {});
    QFileDialog* dialog = parent.findChild<QFileDialog*>();
    if (!dialog)
        return QImage();
    dialog->hide();
    dialog->setWindowModality(Qt::NonModal);
    dialog->setDirectory(start);
    Theme::apply(dialog, env.dark);
    QImage image = grabWidget(dialog, QSize(760, 480));
    dialog->reject();
    return image;
});

// The panel a watermark logo is picked in, over a folder of pictures.
const GalleryScene logoDialog(QStringLiteral("logo-dialog"), [](const Env& env) {
    const QString start = QDir(env.workDir).filePath(QStringLiteral("Loga studia"));
    QDir(start).mkpath(QStringLiteral("Starší"));
    for (int i = 0; i < env.pictures.size(); ++i)
        QFile::copy(env.pictures.at(i), QDir(start).filePath(QStringLiteral("logo-%1.jpg").arg(i + 1)));
    const std::unique_ptr<QFileDialog> dialog(FileDialogLogoPicker::makeDialog(nullptr));
    dialog->setDirectory(start);
    Theme::apply(dialog.get(), env.dark);
    return grabWidget(dialog.get(), QSize(760, 480));
});

} // namespace
} // namespace kelvaro::gallery
