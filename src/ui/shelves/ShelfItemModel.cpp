#include "ui/shelves/ShelfItemModel.h"

namespace kelvaro {

ShelfItemModel::ShelfItemModel(QObject* parent) : QAbstractListModel(parent) {}

void ShelfItemModel::setShelf(const std::optional<Shelf>& shelf)
{
    if (shelf == m_shelf)
        return;
    const bool sameShelf = shelf && m_shelf && shelf->id == m_shelf->id;
    beginResetModel();
    m_shelf = shelf;
    if (!sameShelf) {
        // Another shelf's files never show on this one, not even for a moment.
        m_files.clear();
        m_resolvedOnce = false;
    }
    endResetModel();
}

void ShelfItemModel::setResolved(const QHash<QUuid, QString>& files)
{
    m_resolvedOnce = true;
    if (files == m_files)
        return;
    m_files = files;
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0), index(rowCount() - 1));
}

bool ShelfItemModel::isItemRow(int row) const
{
    return m_shelf && row >= 0 && row < m_shelf->items.size();
}

std::optional<QString> ShelfItemModel::file(int row) const
{
    if (!isItemRow(row))
        return std::nullopt;
    const auto found = m_files.constFind(m_shelf->items.at(row).id);
    if (found == m_files.constEnd())
        return std::nullopt;
    return *found;
}

int ShelfItemModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_shelf || m_shelf->items.isEmpty())
        return 0;
    return int(m_shelf->items.size()) + 1;
}

QVariant ShelfItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !isItemRow(index.row()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return m_shelf->items.at(index.row()).name;
    case previewRole:
        return file(index.row()).value_or(QString());
    default:
        return {};
    }
}

Qt::ItemFlags ShelfItemModel::flags(const QModelIndex& index) const
{
    return index.isValid() && isItemRow(index.row()) ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace kelvaro
