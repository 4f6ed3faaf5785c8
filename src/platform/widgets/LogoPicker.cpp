#include "platform/widgets/LogoPicker.h"

#include <QDir>
#include <QFileDialog>
#include <QMutex>
#include <QStringList>

#include "l10n/Localization.h"
#include "platform/widgets/FileDialogListing.h"

namespace kelvaro {
namespace {

QMutex slotMutex;

std::shared_ptr<LogoPicker>& slot()
{
    static std::shared_ptr<LogoPicker> picker = std::make_shared<FileDialogLogoPicker>();
    return picker;
}

// The formats the engine decodes.
QString imagePatterns()
{
    static const QStringList patterns{"*.png", "*.jpg", "*.jpeg", "*.heic", "*.heif", "*.tif", "*.tiff",
                                      "*.gif", "*.bmp", "*.webp"};
    QStringList both = patterns;
    for (const QString& p : patterns)
        both << p.toUpper();
    return both.join(QLatin1Char(' '));
}

} // namespace

std::shared_ptr<LogoPicker> LogoPicker::shared()
{
    QMutexLocker lock(&slotMutex);
    return slot();
}

void LogoPicker::setShared(std::shared_ptr<LogoPicker> picker)
{
    QMutexLocker lock(&slotMutex);
    slot() = std::move(picker);
}

QFileDialog* FileDialogLogoPicker::makeDialog(QWidget* parent)
{
    auto* dialog = new QFileDialog(parent, L("Vyber obrázek s logem (nejlépe PNG s průhledností)."));
    // Qt's own dialog, as every file dialog of Kelvaro: its listing speaks the interface language.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, L("Použít"));
    // The kind by name only: its twenty patterns would not fit the picker.
    dialog->setOption(QFileDialog::HideNameFilterDetails, true);
    dialog->setNameFilter(Lf("Obrázky (%@)", imagePatterns()));
    FileDialogListing::install(dialog);
    return dialog;
}

std::optional<QString> FileDialogLogoPicker::choose(QWidget* parent)
{
    const std::unique_ptr<QFileDialog> dialog(makeDialog(parent));
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(chosen.first());
}

} // namespace kelvaro
