#include "platform/widgets/FileDialogListing.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QTreeView>

#include "l10n/Localization.h"

namespace kelvaro {

void FileDialogListing::install(QFileDialog* dialog)
{
    dialog->setProxyModel(new FileDialogListing(dialog));
    // The size, kind and date as wide as what they hold, the name taking the rest.
    if (auto* listing = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = listing->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    if (auto* places = dialog->findChild<QListView*>(QStringLiteral("sidebar")))
        places->setMinimumWidth(places->sizeHintForColumn(0) + 2 * places->frameWidth() + 8);
}

QVariant FileDialogListing::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    const int column = index.column();
    if (role != Qt::DisplayRole || !files || (column != sizeColumn && column != kindColumn && column != dateColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    const QLocale locale = L10n::locale(L10n::current());
    if (column == dateColumn)
        return locale.toString(files->lastModified(source), QLocale::ShortFormat);
    if (files->isDir(source))
        return column == kindColumn ? QVariant(L("Složka")) : QIdentityProxyModel::data(index, role);
    if (column == sizeColumn)
        return locale.formattedDataSize(files->size(source), 1, QLocale::DataSizeSIFormat);
    return QIdentityProxyModel::data(index, role);
}

} // namespace kelvaro
