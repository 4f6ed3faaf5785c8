#include "platform/widgets/FileDialogFolderChooser.h"

#include <tuple>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTreeView>

#include "l10n/Localization.h"

namespace kelvaro {
namespace {

// Qt's file model names a folder's kind in its own words, which its Czech translation lacks, and
// writes dates in the desktop's locale: the listing says both in the interface language instead.
class InterfaceLanguageListing : public QIdentityProxyModel {
public:
    static constexpr int kindColumn = 2;
    static constexpr int dateColumn = 3;

    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != kindColumn && index.column() != dateColumn))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        if (index.column() == kindColumn)
            return files->isDir(source) ? L("Složka") : QIdentityProxyModel::data(index, role);
        return L10n::locale(L10n::current()).toString(files->lastModified(source), QLocale::ShortFormat);
    }
};

} // namespace

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

    setProxyModel(new InterfaceLanguageListing(this));
    // The size, kind and date columns as wide as what they hold, the name taking the rest; the
    // places beside the listing as wide as their longest name.
    if (auto* listing = findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = listing->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    if (auto* places = findChild<QListView*>(QStringLiteral("sidebar")))
        places->setMinimumWidth(places->sizeHintForColumn(0) + 2 * places->frameWidth() + 8);

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
