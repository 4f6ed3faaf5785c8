#include "platform/widgets/LogoPicker.h"

#include <QDir>
#include <QFileDialog>
#include <QMutex>
#include <QStringList>

#include "l10n/Localization.h"

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

std::optional<QString> FileDialogLogoPicker::choose(QWidget* parent)
{
    QFileDialog dialog(parent, L("Vyber obrázek s logem (nejlépe PNG s průhledností)."));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, L("Použít"));
    dialog.setNameFilter(Lf("Obrázky (%@)", imagePatterns()));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(chosen.first());
}

} // namespace kelvaro
