#include "ui/shelves/ShelvesView.h"

#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/Bookmark.h"
#include "platform/FileManager.h"
#include "platform/NativeFile.h"
#include "store/KelvaroStore.h"
#include "store/ShelfStorage.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/EmptyStateView.h"
#include "ui/design/ToolbarButton.h"
#include "ui/shelves/ShelfCard.h"
#include "ui/shelves/ShelfEditSheet.h"
#include "ui/shelves/ShelfItemList.h"
#include "ui/shelves/ShelfItemModel.h"

namespace kelvaro {
namespace {

constexpr int kColumnMaxWidth = 980;
constexpr int kListWidth = 220;

// The file an item stands for now, found as the store's resolve() finds it: its stored copy, or
// its bookmark. The caller holds the output folder's access. Touches disk; any thread.
std::optional<QString> resolveOffThread(const ShelfItem& item)
{
    if (item.storedPath)
        return ShelfStorage::url(*item.storedPath);
    if (item.bookmark.isEmpty())
        return std::nullopt;
    const auto resolved = Bookmark::resolve(item.bookmark);
    return resolved ? std::optional<QString>(resolved->path) : std::nullopt;
}

QList<QUuid> itemIds(const std::optional<Shelf>& shelf)
{
    QList<QUuid> ids;
    if (shelf)
        for (const ShelfItem& item : shelf->items)
            ids.append(item.id);
    return ids;
}

void clearLayout(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
}

// A window-modal sheet of the page, deleted when it closes.
void present(SheetFrame* sheet)
{
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    Theme::follow(sheet);
    sheet->open();
}

Text* wrappedMessage(const QString& text, QWidget* parent)
{
    auto* message = new Text(text, TextStyle::callout, parent);
    message->setColor(Theme::secondary());
    message->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    message->setSizePolicy(policy);
    return message;
}

} // namespace

ShelvesView::ShelvesView(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, QWidget* parent)
    : QWidget(parent), m_store(store), m_fileManager(std::move(fileManager))
{
    setObjectName(QStringLiteral("shelves"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    outer->addWidget(m_stack);

    m_empty = new EmptyStateView(QStringLiteral("tray.2"), L("Zatím žádné police"),
                                 L("Odkládej fotky na police a vracej se k nim, kdykoli budeš chtít."), std::nullopt, m_stack);
    m_stack->addWidget(m_empty);
    const std::optional<QString> unreadable = m_store.unreadShelvesNote();
    if (unreadable) {
        m_empty->messageText()->setText(*unreadable);
        m_empty->messageText()->setColor(Theme::rose());
        // Nothing is known to be empty: the stored list is only unread.
        m_empty->titleText()->hide();
    }

    auto* page = new QWidget(m_stack);
    auto* pageRow = new QHBoxLayout(page);
    pageRow->setContentsMargins(0, 0, 0, 0);
    auto* column = new QWidget(page);
    column->setMaximumWidth(kColumnMaxWidth);
    column->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(32, 28, 32, 0);
    columnLayout->setSpacing(24);
    auto* heading = new Text(L("Police"), TextStyle::display, column);
    heading->setObjectName(QStringLiteral("heading"));
    columnLayout->addWidget(heading);
    if (unreadable) {
        // Shelves made in this session stand over stored ones that are still on disk, unread.
        auto* note = new Text(*unreadable, TextStyle::body, column);
        note->setObjectName(QStringLiteral("unreadable"));
        note->setColor(Theme::rose());
        note->setWrap(true);
        columnLayout->addWidget(note);
    }
    auto* split = new QHBoxLayout();
    split->setSpacing(36);

    auto* cardScroll = new QScrollArea(column);
    cardScroll->setFrameShape(QFrame::NoFrame);
    cardScroll->setWidgetResizable(true);
    cardScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cardScroll->setFixedWidth(kListWidth);
    cardScroll->viewport()->setAutoFillBackground(false);
    m_cardList = new QWidget(cardScroll);
    m_cardList->setAutoFillBackground(false);
    m_cardLayout = new QVBoxLayout(m_cardList);
    m_cardLayout->setContentsMargins(0, 0, 0, 28);
    m_cardLayout->setSpacing(2);
    cardScroll->setWidget(m_cardList);
    split->addWidget(cardScroll);

    auto* detail = new QWidget(column);
    auto* detailColumn = new QVBoxLayout(detail);
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->setSpacing(10);
    auto* header = new QHBoxLayout();
    header->setSpacing(10);
    auto* titles = new QVBoxLayout();
    titles->setSpacing(2);
    m_title = new Text(QString(), TextStyle::cardTitle, detail);
    m_title->setObjectName(QStringLiteral("shelfName"));
    m_title->setElide(Qt::ElideRight);
    titles->addWidget(m_title);
    m_count = new Text(QString(), TextStyle::caption, detail);
    m_count->setObjectName(QStringLiteral("count"));
    m_count->setColor(Theme::secondary());
    titles->addWidget(m_count);
    header->addLayout(titles, 1);
    m_load = new KelvaroButton(L("Načíst do kola"), KelvaroButton::Kind::primary, detail);
    m_load->setObjectName(QStringLiteral("load"));
    header->addWidget(m_load, 0, Qt::AlignVCenter);
    m_more = new ToolbarButton(QStringLiteral("ellipsis.circle"), detail);
    m_more->setObjectName(QStringLiteral("more"));
    m_more->setAccessibleName(L("Další"));
    m_more->setToolTip(L("Upravit, otevřít složku nebo smazat polici"));
    header->addWidget(m_more, 0, Qt::AlignVCenter);
    detailColumn->addLayout(header);
    detailColumn->addWidget(new Divider(Qt::Horizontal, -1, detail));
    m_detailBody = new QStackedWidget(detail);
    auto* emptyBox = new QWidget(m_detailBody);
    auto* emptyColumn = new QVBoxLayout(emptyBox);
    emptyColumn->setContentsMargins(0, 0, 0, 0);
    m_emptyShelf = new Text(QString(), TextStyle::callout, emptyBox);
    m_emptyShelf->setObjectName(QStringLiteral("emptyShelf"));
    m_emptyShelf->setColor(Theme::secondary());
    m_emptyShelf->setWrap(true);
    m_emptyShelf->setAlignment(Qt::AlignCenter);
    m_emptyShelf->setMinimumHeight(100);
    emptyColumn->addWidget(m_emptyShelf);
    emptyColumn->addStretch(1);
    m_detailBody->addWidget(emptyBox);
    m_model = new ShelfItemModel(this);
    m_items = new ShelfItemList(store, m_fileManager, m_model, m_detailBody);
    m_detailBody->addWidget(m_items);
    detailColumn->addWidget(m_detailBody, 1);
    split->addWidget(detail, 1);
    columnLayout->addLayout(split, 1);
    pageRow->addStretch(1);
    pageRow->addWidget(column, 100);
    pageRow->addStretch(1);
    m_stack->addWidget(page);

    m_toolbarItems = new QWidget(this);
    m_toolbarItems->hide();
    auto* items = new QHBoxLayout(m_toolbarItems);
    items->setContentsMargins(0, 0, 0, 0);
    m_newShelf = new KelvaroButton(L("Nová police"), KelvaroButton::Kind::secondary, m_toolbarItems);
    m_newShelf->setObjectName(QStringLiteral("newShelf"));
    m_newShelf->setSymbol(QStringLiteral("plus"));
    m_newShelf->setToolTip(L("Vytvořit novou prázdnou polici"));
    if (!m_store.canPersist()) {
        // A new shelf could never be stored: it would vanish at the next start.
        m_newShelf->setEnabled(false);
        m_newShelf->setToolTip(L("Uložené police se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám."));
    }
    items->addWidget(m_newShelf);

    connect(m_newShelf, &QAbstractButton::clicked, this, [this] { askNewShelf(); });
    connect(m_load, &QAbstractButton::clicked, this, [this] {
        if (const std::optional<Shelf> shelf = selectedShelf())
            m_store.loadShelfIntoWheel(*shelf);
    });
    connect(m_more, &QAbstractButton::clicked, this, &ShelvesView::showMoreMenu);
    connect(&m_store, &KelvaroStore::shelvesChanged, this, &ShelvesView::rebuild);
    rebuild();
}

QWidget* ShelvesView::toolbarItems()
{
    return m_toolbarItems;
}

std::optional<Shelf> ShelvesView::selectedShelf() const
{
    const QList<Shelf>& shelves = m_store.shelves();
    if (shelves.isEmpty())
        return std::nullopt;
    if (m_selectedID)
        for (const Shelf& shelf : shelves)
            if (shelf.id == *m_selectedID)
                return shelf;
    return shelves.first();
}

void ShelvesView::selectShelf(const QUuid& id)
{
    m_selectedID = id;
    rebuild();
}

bool ShelvesView::showsEmptyState() const
{
    return m_stack->currentWidget() == m_empty;
}

bool ShelvesView::itemsResolved() const
{
    return !m_resolving && (m_model->hasResolved() || itemIds(m_model->shelf()).isEmpty());
}

void ShelvesView::rebuild()
{
    const std::optional<Shelf> shown = selectedShelf();
    m_stack->setCurrentIndex(shown ? 1 : 0);
    rebuildCards(shown);
    m_model->setShelf(shown);
    if (shown)
        showDetail(*shown);
    // Keyed by the items themselves, not only their ids: a renamed shelf keeps its items' ids
    // while their copies move to the renamed folder.
    if ((shown ? shown->items : QList<ShelfItem>{}) != m_resolvedFor || !m_model->hasResolved())
        resolveItems();
}

void ShelvesView::rebuildCards(const std::optional<Shelf>& shown)
{
    clearLayout(m_cardLayout);
    m_cards.clear();
    for (const Shelf& shelf : m_store.shelves()) {
        auto* card = new ShelfCard(shelf, shown && shown->id == shelf.id, m_cardList);
        const QUuid id = shelf.id;
        connect(card, &QAbstractButton::clicked, this, [this, id] { selectShelf(id); });
        card->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(card, &QWidget::customContextMenuRequested, this, [this, card, id](const QPoint& at) {
            auto* menu = new QMenu(this);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->addAction(L("Upravit polici…"), this, [this, id] { editShelf(id); });
            QAction* remove = menu->addAction(L("Smazat polici…"), this, [this, id] {
                selectShelf(id); // the confirmation always names the card's shelf
                confirmDelete(id);
            });
            KelvaroStyle::markDestructive(remove);
            menu->popup(card->mapToGlobal(at));
        });
        m_cards << card;
        m_cardLayout->addWidget(card);
    }
    m_cardLayout->addStretch(1);
}

void ShelvesView::showDetail(const Shelf& shelf)
{
    m_title->setText(shelf.name);
    const qint64 count = qMax<qint64>(0, shelf.fileCount) + shelf.items.size();
    m_count->setText(Lf("%@ na polici", photosWord(count)));
    m_load->setEnabled(!shelf.items.isEmpty());
    if (shelf.items.isEmpty()) {
        m_emptyShelf->setText(shelf.fileCount > 0
                                  ? L("Tohle je ukázková police. Přetáhni fotky a zvol „Na polici“, aby se tu objevily tvoje soubory.")
                                  : L("Polička je prázdná. Přetáhni fotky a zvol „Na polici“."));
        m_detailBody->setCurrentIndex(0);
    } else {
        m_detailBody->setCurrentWidget(m_items);
    }
}

void ShelvesView::resolveItems()
{
    const std::optional<Shelf> shown = selectedShelf();
    const QList<ShelfItem> items = shown ? shown->items : QList<ShelfItem>{};
    m_resolvedFor = items;
    if (const auto folder = OutputFolder::resolve())
        m_store.holdAccess(*folder);
    const quint64 generation = ++m_resolveGeneration;
    m_resolving = true;
    auto* watcher = new QFutureWatcher<QHash<QUuid, QString>>(this);
    connect(watcher, &QFutureWatcher<QHash<QUuid, QString>>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_resolveGeneration)
            return; // the shelf shown has changed since
        m_resolving = false;
        m_model->setResolved(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([items] {
        QHash<QUuid, QString> files;
        for (const ShelfItem& item : items)
            if (const auto file = resolveOffThread(item))
                files.insert(item.id, *file);
        return files;
    }));
}

void ShelvesView::showMoreMenu()
{
    const std::optional<Shelf> shelf = selectedShelf();
    if (!shelf)
        return;
    const QUuid id = shelf->id;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(L("Upravit polici…"), this, [this, id] { editShelf(id); });
    QAction* open = menu->addAction(L("Otevřít složku ve správci souborů"), this, [this] {
        if (const std::optional<Shelf> current = selectedShelf())
            openFolder(*current);
    });
    open->setEnabled(!shelf->items.isEmpty());
    menu->addSeparator();
    KelvaroStyle::markDestructive(menu->addAction(L("Smazat polici…"), this, [this, id] { confirmDelete(id); }));
    menu->popup(m_more->mapToGlobal(QPoint(0, m_more->height())));
}

void ShelvesView::openFolder(const Shelf& shelf)
{
    if (const auto out = OutputFolder::resolve())
        m_store.holdAccess(*out);
    if (const auto folder = ShelfStorage::folder(shelf.name); folder && NativeFile::exists(*folder)) {
        if (m_fileManager && !m_fileManager->openFolder(*folder))
            m_store.reportUnanswered(HandoffFailure::folder, {*folder});
        return;
    }
    QStringList files;
    for (const ShelfItem& item : shelf.items)
        if (const auto file = m_store.resolve(item))
            files.append(*file);
    if (!files.isEmpty() && m_fileManager && !m_fileManager->reveal(files))
        m_store.reportUnanswered(HandoffFailure::files, files);
}

SheetFrame* ShelvesView::askNewShelf()
{
    auto* sheet = new SheetFrame(LKey("Nová police"), QStringLiteral("plus"), LKey("Vytvořit"), window());
    sheet->setObjectName(QStringLiteral("newShelfSheet"));
    auto* box = new QVBoxLayout();
    box->setSpacing(6);
    auto* label = new Text(L("Název"), TextStyle::caption, sheet);
    label->setStyle(TextStyle::caption, QFont::DemiBold);
    label->setColor(Theme::secondary());
    box->addWidget(label);
    auto* field = new QLineEdit(sheet);
    field->setObjectName(QStringLiteral("name"));
    field->setPlaceholderText(L("Název police"));
    field->setTextMargins(4, 3, 4, 3);
    box->addWidget(field);
    // The edit sheet's rule: a name another shelf bears, in any letter case, would share its
    // folder on disk and could never be saved in the editor.
    auto* taken = new Text(L("Police s tímto názvem už existuje."), TextStyle::caption, sheet);
    taken->setObjectName(QStringLiteral("taken"));
    taken->setColor(Theme::rose());
    taken->hide();
    box->addWidget(taken);
    sheet->addContent(box);
    // The store trims the name and ignores a blank one, so a blank name does not disable "Vytvořit".
    auto name = std::make_shared<QString>();
    QPointer<KelvaroStore> store(&m_store);
    connect(field, &QLineEdit::textChanged, sheet, [sheet, taken, store, name](const QString& text) {
        *name = text;
        const bool isTaken = store && store->shelfNameTaken(text.trimmed());
        taken->setVisible(isTaken);
        sheet->setCanRun(!isTaken);
    });
    sheet->setOnRun([store, name] {
        if (store && !store->shelfNameTaken(name->trimmed()))
            store->createShelf(*name);
    });
    present(sheet);
    field->setFocus();
    return sheet;
}

ShelfEditSheet* ShelvesView::editShelf(const QUuid& id)
{
    for (const Shelf& shelf : m_store.shelves()) {
        if (shelf.id != id)
            continue;
        auto* sheet = new ShelfEditSheet(m_store, shelf, window());
        present(sheet);
        return sheet;
    }
    return nullptr;
}

SheetFrame* ShelvesView::confirmDelete(const QUuid& id)
{
    const auto found = std::find_if(m_store.shelves().begin(), m_store.shelves().end(), [&](const Shelf& s) { return s.id == id; });
    if (found == m_store.shelves().end())
        return nullptr;
    auto* sheet = new SheetFrame(Lf("Smazat polici „%@“?", found->name), QStringLiteral("trash"), LKey("Smazat"), window());
    sheet->setObjectName(QStringLiteral("confirmDelete"));
    sheet->setDestructive(true);
    sheet->addContent(wrappedMessage(L("Smažou se i kopie souborů uložené na polici. Původní soubory na disku zůstanou."), sheet));
    QPointer<KelvaroStore> store(&m_store);
    QPointer<ShelvesView> self(this);
    sheet->setOnRun([store, self, id] {
        if (!store)
            return;
        store->deleteShelf(id);
        if (self) {
            self->m_selectedID.reset();
            self->rebuild();
        }
    });
    present(sheet);
    return sheet;
}

void ShelvesView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Files may have come and gone while another page was shown.
    resolveItems();
}

void ShelvesView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::canvas().on(this));
}

} // namespace kelvaro
