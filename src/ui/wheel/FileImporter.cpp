#include "ui/wheel/FileImporter.h"

#include <memory>

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QPointer>

#include "l10n/Localization.h"
#include "platform/widgets/FileDialogListing.h"

namespace kelvaro::wheel {

QStringList importerNameFilters()
{
    return {
        Lf("Obrázky a PDF (%@)", QStringLiteral("*.jpg *.jpeg *.png *.heic *.heif *.tif *.tiff *.gif *.bmp *.webp *.pdf "
                                                "*.JPG *.JPEG *.PNG *.HEIC *.HEIF *.TIF *.TIFF *.GIF *.BMP *.WEBP *.PDF")),
        Lf("Všechny soubory (%@)", QStringLiteral("*")),
    };
}

namespace {

// Qt's own file dialog lets a selection hold folders only in directory mode; this one takes the
// selection of its views as it is, so files and folders can be chosen together.
class FilesAndFoldersDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QList<QUrl> chosen;

    void accept() override
    {
        QStringList paths;
        for (auto* view : findChildren<QAbstractItemView*>()) {
            // The views show the file model through the listing in the interface language.
            auto* listing = qobject_cast<QAbstractProxyModel*>(view->model());
            auto* model = qobject_cast<QFileSystemModel*>(listing ? listing->sourceModel() : view->model());
            if (!model || !view->isVisible() || !view->selectionModel())
                continue;
            for (const QModelIndex& index : view->selectionModel()->selectedRows())
                paths.append(model->filePath(listing ? listing->mapToSource(index) : index));
        }
        paths.removeDuplicates();
        bool anyFolder = false;
        for (const QString& path : paths)
            anyFolder = anyFolder || QFileInfo(path).isDir();
        if (!anyFolder) {
            // Plain files (or a typed name): the dialog's own handling, which also opens a
            // single folder that was typed.
            QFileDialog::accept();
            return;
        }
        chosen.clear();
        for (const QString& path : paths)
            chosen.append(QUrl::fromLocalFile(path));
        QDialog::accept();
    }
};

class DesktopImporter : public FileImporter {
public:
    void choose(QWidget* parent, std::function<void(const QList<QUrl>&)> done) override
    {
        auto* dialog = new FilesAndFoldersDialog(parent, L("Vybrat soubory"));
        dialog->setOption(QFileDialog::DontUseNativeDialog, true);
        dialog->setFileMode(QFileDialog::ExistingFiles);
        // The kinds by name only: their forty patterns would not fit the picker.
        dialog->setOption(QFileDialog::HideNameFilterDetails, true);
        dialog->setNameFilters(importerNameFilters());
        dialog->setLabelText(QFileDialog::Accept, L("Otevřít"));
        FileDialogListing::install(dialog);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        for (auto* view : dialog->findChildren<QAbstractItemView*>())
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done](int result) {
            QList<QUrl> urls;
            if (result == QDialog::Accepted)
                urls = dialog->chosen.isEmpty() ? dialog->selectedUrls() : dialog->chosen;
            done(urls);
        });
        dialog->open();
    }
};

} // namespace

std::shared_ptr<FileImporter> FileImporter::desktop()
{
    return std::make_shared<DesktopImporter>();
}

} // namespace kelvaro::wheel
