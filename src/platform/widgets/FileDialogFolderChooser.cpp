#include "platform/widgets/FileDialogFolderChooser.h"

#include <QDir>
#include <QFileDialog>

#include "engine/Localization.h"

namespace kelvaro {

std::optional<QString> FileDialogFolderChooser::choose(const QString& message, const std::optional<QString>& startAt)
{
    QFileDialog dialog(m_parent, message);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, L("Vybrat složku"));
    if (startAt && QDir(*startAt).exists())
        dialog.setDirectory(*startAt);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(chosen.first());
}

} // namespace kelvaro
