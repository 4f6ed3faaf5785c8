#pragma once
// The files of the shown shelf as painted rows (no widget per row, so long shelves scroll
// smoothly): a placeholder icon, the name and size, and at the right the row's own buttons:
// move to another shelf (only while another shelf exists), show in the file manager, and remove
// from the shelf. A click selects the row's resolved file (or clears the selection when it has
// none), a double click opens it, and a drag carries the file as it resolves at that moment,
// offering copy only. Main thread; created by ShelvesView.
#include <functional>
#include <memory>
#include <optional>

#include <QListView>
#include <QStyledItemDelegate>

class QDrag;
class QMenu;

namespace kelvaro {

class FileManager;
class KelvaroStore;
class ShelfItemModel;

class ShelfItemList : public QListView {
    Q_OBJECT
public:
    enum class Button { move, reveal, remove };

    ShelfItemList(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, ShelfItemModel* model,
                  QWidget* parent = nullptr);

    ShelfItemModel* itemModel() const { return m_model; }
    std::optional<QString> selectedFile() const { return m_selected; }

    // The buttons an item row shows: move only while the store has another shelf.
    QList<Button> buttons() const;
    // Where a button of a row lies (empty when the row does not show it); the row's inner rect.
    QRect buttonRect(const QRect& row, Button button) const;
    QRect contentRect(const QRect& row) const;

    // The move menu of a row: one entry per other shelf, in the store's order.
    QMenu* makeMoveMenu(int row, QWidget* parent);
    // What a button does, as a click on it.
    void press(int row, Button button);
    QString toolTipAt(const QPoint& pos) const;

    // Builds the drag of a row's file as it resolves now; none when it does not resolve.
    QDrag* makeDrag(int row);
    using DragStarter = std::function<void(QDrag* drag)>;
    void setDragStarter(DragStarter starter) { m_starter = std::move(starter); }

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    std::optional<Button> buttonAt(const QModelIndex& index, const QPoint& pos) const;

    KelvaroStore& m_store;
    std::shared_ptr<FileManager> m_fileManager;
    ShelfItemModel* m_model;
    std::optional<QString> m_selected;
    int m_pressedRow = -1;
    QPoint m_pressAt;
    DragStarter m_starter;
};

class ShelfItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ShelfItemDelegate(ShelfItemList* list);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ShelfItemList* m_list;
};

} // namespace kelvaro
