#pragma once
// The "Police" page of the main window: the shelves on the left, the chosen shelf's files on the
// right, and "Nová police" in the window toolbar. From here shelves are created, edited, opened
// in the file manager, deleted and loaded into the wheel; the file rows move, reveal, remove,
// open and drag single files. Which file each item stands for is resolved off the GUI thread
// whenever the shown shelf's items change and whenever the page is shown again. Every change
// goes through the store; the page keeps only what it shows. Main thread; built by the screen
// factory.
#include <memory>
#include <optional>

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include "model/Models.h"
#include "ui/design/ToolbarContributor.h"

class QStackedWidget;
class QVBoxLayout;

namespace kelvaro {

class EmptyStateView;
class FileManager;
class KelvaroButton;
class KelvaroStore;
class ShelfCard;
class ShelfEditSheet;
class ShelfItemList;
class ShelfItemModel;
class SheetFrame;
class Text;
class ToolbarButton;

class ShelvesView : public QWidget, public ToolbarContributor {
    Q_OBJECT
public:
    ShelvesView(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, QWidget* parent = nullptr);

    QWidget* toolbarItems() override;

    // The shelf shown: the one picked last while it exists, else the first; none without shelves.
    std::optional<Shelf> selectedShelf() const;
    void selectShelf(const QUuid& id);

    // The dialogs of the page, opened window-modal; each returns the dialog it showed.
    SheetFrame* askNewShelf();
    ShelfEditSheet* editShelf(const QUuid& id);
    SheetFrame* confirmDelete(const QUuid& id);
    // Opens the shelf's folder, or reveals its files when the folder is not on disk.
    void openFolder(const Shelf& shelf);
    // Whether the items of the shown shelf have been resolved since it last changed.
    bool itemsResolved() const;

    bool showsEmptyState() const;
    EmptyStateView* emptyState() const { return m_empty; }
    QList<ShelfCard*> cards() const { return m_cards; }
    Text* shelfTitle() const { return m_title; }
    Text* countText() const { return m_count; }
    Text* emptyShelfText() const { return m_emptyShelf; }
    KelvaroButton* loadButton() const { return m_load; }
    ToolbarButton* moreButton() const { return m_more; }
    KelvaroButton* newShelfButton() const { return m_newShelf; }
    ShelfItemList* itemList() const { return m_items; }
    ShelfItemModel* itemModel() const { return m_model; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void rebuildCards(const std::optional<Shelf>& shown);
    void showDetail(const Shelf& shelf);
    void resolveItems();
    void showMoreMenu();

    KelvaroStore& m_store;
    std::shared_ptr<FileManager> m_fileManager;
    std::optional<QUuid> m_selectedID;

    QStackedWidget* m_stack;
    EmptyStateView* m_empty;
    QWidget* m_cardList;
    QVBoxLayout* m_cardLayout;
    QList<ShelfCard*> m_cards;
    Text* m_title;
    Text* m_count;
    KelvaroButton* m_load;
    ToolbarButton* m_more;
    QStackedWidget* m_detailBody;
    Text* m_emptyShelf;
    ShelfItemModel* m_model;
    ShelfItemList* m_items;

    QPointer<QWidget> m_toolbarItems;
    KelvaroButton* m_newShelf;

    QList<ShelfItem> m_resolvedFor; // the items of the last resolution started
    quint64 m_resolveGeneration = 0;
    bool m_resolving = false;
};

} // namespace kelvaro
