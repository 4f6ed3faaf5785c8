#pragma once
// The files of the shelf shown on the shelves page, in stored order, with the file each item
// resolved to (its stored copy or its bookmark) at the page's last look, and a closing row of
// bottom padding. Main thread; owned by ShelvesView.
#include <optional>

#include <QAbstractListModel>
#include <QHash>
#include <QUuid>

#include "model/Models.h"

namespace kelvaro {

class ShelfItemModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The resolved file of an item row (absolute path), empty for every other row; the keyboard
    // preview walks the rows through it.
    static constexpr int previewRole = Qt::UserRole + 1;

    explicit ShelfItemModel(QObject* parent = nullptr);

    // The shelf shown (none: no rows). Resolved files of items that stay are kept.
    void setShelf(const std::optional<Shelf>& shelf);
    // The file of each item id; items without an entry did not resolve.
    void setResolved(const QHash<QUuid, QString>& files);
    bool hasResolved() const { return m_resolvedOnce; }

    const std::optional<Shelf>& shelf() const { return m_shelf; }
    bool isItemRow(int row) const;
    const ShelfItem& item(int row) const { return m_shelf->items.at(row); }
    std::optional<QString> file(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::optional<Shelf> m_shelf;
    QHash<QUuid, QString> m_files;
    bool m_resolvedOnce = false;
};

} // namespace kelvaro
