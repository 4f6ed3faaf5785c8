#include "platform/widgets/FileDialogFolderChooser.h"

#include <tuple>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStandardPaths>

#include "l10n/Localization.h"
#include "platform/widgets/FileDialogListing.h"

namespace kelvaro {
QString FolderDialog::defaultFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

FolderDialog::FolderDialog(QWidget* parent, const QString& message, const std::optional<QString>& startAt)
    : QFileDialog(parent, message)
{
    // Qt's own dialog: a desktop's native one could neither show the message nor create a typed
    // folder.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::Accept, L("Vybrat složku"));
    setDirectory(startAt && QDir(*startAt).exists() ? *startAt : defaultFolder());

    // The message goes above everything else: every row of the dialog moves one down.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()); grid && !message.isEmpty()) {
        QList<std::tuple<QLayoutItem*, int, int, int, int>> items;
        while (grid->count() > 0) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(0, &row, &column, &rows, &columns);
            items.append({grid->takeAt(0), row, column, rows, columns});
        }
        auto* label = new QLabel(message, this);
        label->setObjectName(QStringLiteral("purpose"));
        label->setWordWrap(true);
        grid->addWidget(label, 0, 0, 1, -1);
        for (const auto& [item, row, column, rows, columns] : items)
            grid->addItem(item, row + 1, column, rows, columns);
    }

    FileDialogListing::install(this);

    if (auto* button = findChild<QAbstractButton*>(QStringLiteral("newFolderButton")))
        connect(button, &QAbstractButton::clicked, this, &FolderDialog::followNewFolder);
    if (auto* action = findChild<QAction*>(QStringLiteral("qt_new_folder_action")))
        connect(action, &QAction::triggered, this, &FolderDialog::followNewFolder);
}

QString FolderDialog::typedText() const
{
    const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return edit ? edit->text() : QString();
}

void FolderDialog::setTypedText(const QString& text)
{
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(text);
}

void FolderDialog::followNewFolder()
{
    // The new folder is selected and being named; the dialog renames the typed text with it
    // only when the typed text is its name.
    const auto* list = findChild<QListView*>(QStringLiteral("listView"));
    const QString name = list ? list->currentIndex().data().toString() : QString();
    if (!name.isEmpty())
        setTypedText(name);
}

void FolderDialog::accept()
{
    QString typed = typedText().trimmed();
    if (typed.isEmpty()) {
        QFileDialog::accept();
        return;
    }
    if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
        typed = QDir::homePath() + typed.mid(1);
    const QString path = QDir::cleanPath(directory().absoluteFilePath(typed));
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        QMessageBox::warning(this, windowTitle(), Lf("„%@“ je soubor, ne složka.", info.fileName()));
        return;
    }
    if (!info.exists() && !QDir().mkpath(path)) {
        QMessageBox::warning(this, windowTitle(), Lf("Složku „%@“ se nepodařilo vytvořit.", path));
        return;
    }
    m_chosen = path;
    QDialog::accept();
}

std::optional<QString> FileDialogFolderChooser::choose(const QString& message, const std::optional<QString>& startAt)
{
    const QPointer<QWidget> asking = QApplication::activeWindow() ? QApplication::activeWindow() : m_fallback.data();
    std::optional<QString> folder;
    {
        FolderDialog dialog(asking, message, startAt);
        if (dialog.exec() == QDialog::Accepted) {
            const QStringList selected = dialog.selectedFiles();
            if (dialog.chosen())
                folder = dialog.chosen();
            else if (!selected.isEmpty() && !selected.first().isEmpty())
                folder = QDir::cleanPath(selected.first());
        }
    }
    // A window manager may hand the activation to any window once the dialog is gone.
    if (asking) {
        asking->raise();
        asking->activateWindow();
    }
    return folder;
}

} // namespace kelvaro
