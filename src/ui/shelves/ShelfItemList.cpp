#include "ui/shelves/ShelfItemList.h"

#include <QApplication>
#include <QDrag>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include "l10n/Localization.h"
#include "platform/FileManager.h"
#include "store/KelvaroStore.h"
#include "ui/design/FocusRing.h"
#include "ui/design/Formatters.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"
#include "ui/shelves/ShelfItemModel.h"
#include "ui/wheel/DragOutRow.h"

namespace kelvaro {
namespace {

constexpr int kGap = 10;        // between a row and the dividers around it
constexpr int kRowHeight = 38;  // 2 px above and below the row's content
constexpr int kInset = 8;       // the highlight reaches this far beyond the row
constexpr int kButton = 24;
constexpr int kButtonGap = 6;
constexpr int kIcon = 30;
constexpr int kBottomPadding = 28;

QString buttonSymbol(ShelfItemList::Button button)
{
    switch (button) {
    case ShelfItemList::Button::move: return QStringLiteral("arrow.right.square");
    case ShelfItemList::Button::reveal: return QStringLiteral("magnifyingglass");
    case ShelfItemList::Button::remove: return QStringLiteral("xmark");
    }
    return {};
}

QString buttonTip(ShelfItemList::Button button)
{
    switch (button) {
    case ShelfItemList::Button::move: return L("Přesunout na jinou polici");
    case ShelfItemList::Button::reveal: return L("Zobrazit ve správci souborů");
    case ShelfItemList::Button::remove: return L("Odebrat z police");
    }
    return {};
}

} // namespace

// ---- ShelfItemList --------------------------------------------------------------------------------

ShelfItemList::ShelfItemList(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, ShelfItemModel* model,
                             QWidget* parent)
    : QListView(parent), m_store(store), m_fileManager(std::move(fileManager)), m_model(model)
{
    setObjectName(QStringLiteral("shelfItems"));
    setModel(model);
    setItemDelegate(new ShelfItemDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setLayoutMode(QListView::Batched);
    setBatchSize(100);
    m_starter = [](QDrag* drag) { drag->exec(wheel::kResultDragActions, Qt::CopyAction); };
    // Another shelf appearing or going shows or hides every row's move button.
    connect(&store, &KelvaroStore::shelvesChanged, viewport(), qOverload<>(&QWidget::update));
}

QList<ShelfItemList::Button> ShelfItemList::buttons() const
{
    const std::optional<Shelf>& shown = m_model->shelf();
    const bool others = std::any_of(m_store.shelves().begin(), m_store.shelves().end(),
                                    [&](const Shelf& s) { return !shown || s.id != shown->id; });
    if (others)
        return {Button::move, Button::reveal, Button::remove};
    return {Button::reveal, Button::remove};
}

QRect ShelfItemList::contentRect(const QRect& row) const
{
    return {row.left() + kInset, row.top() + kGap, qMax(0, row.width() - 2 * kInset), kRowHeight};
}

QRect ShelfItemList::buttonRect(const QRect& row, Button button) const
{
    const QList<Button> shown = buttons();
    const qsizetype at = shown.indexOf(button);
    if (at < 0)
        return {};
    const QRect content = contentRect(row);
    const int fromRight = int(shown.size() - 1 - at);
    const int right = content.right() + 1 - fromRight * (kButton + kButtonGap);
    return {right - kButton, content.center().y() - kButton / 2 + 1, kButton, kButton};
}

std::optional<ShelfItemList::Button> ShelfItemList::buttonAt(const QModelIndex& index, const QPoint& pos) const
{
    if (!index.isValid() || !m_model->isItemRow(index.row()))
        return std::nullopt;
    for (Button button : buttons())
        if (buttonRect(visualRect(index), button).contains(pos))
            return button;
    return std::nullopt;
}

QMenu* ShelfItemList::makeMoveMenu(int row, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    if (!m_model->isItemRow(row))
        return menu;
    const QUuid itemID = m_model->item(row).id;
    const QUuid shelfID = m_model->shelf()->id;
    for (const Shelf& other : m_store.shelves()) {
        if (other.id == shelfID)
            continue;
        const QUuid target = other.id;
        menu->addAction(Symbols::icon(other.symbol, Theme::paletteColor(other.colorIndex)), other.name, this,
                        [this, itemID, shelfID, target] { m_store.moveItem(itemID, shelfID, target); });
    }
    return menu;
}

void ShelfItemList::press(int row, Button button)
{
    if (!m_model->isItemRow(row))
        return;
    const ShelfItem item = m_model->item(row);
    const QUuid shelfID = m_model->shelf()->id;
    switch (button) {
    case Button::move: {
        QMenu* menu = makeMoveMenu(row, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const QRect at = buttonRect(visualRect(m_model->index(row)), Button::move);
        menu->popup(viewport()->mapToGlobal(at.bottomLeft()));
        break;
    }
    case Button::reveal:
        if (const auto file = m_store.resolve(item); file && m_fileManager && !m_fileManager->reveal({*file}))
            m_store.reportUnanswered(HandoffFailure::files, {*file});
        break;
    case Button::remove:
        m_store.removeItem(item.id, shelfID);
        break;
    }
}

QString ShelfItemList::toolTipAt(const QPoint& pos) const
{
    const std::optional<Button> button = buttonAt(indexAt(pos), pos);
    return button ? buttonTip(*button) : QString();
}

QDrag* ShelfItemList::makeDrag(int row)
{
    if (!m_model->isItemRow(row))
        return nullptr;
    const std::optional<QString> file = m_store.resolve(m_model->item(row));
    if (!file)
        return nullptr; // nothing to carry
    auto* drag = new QDrag(this);
    drag->setMimeData(wheel::makeResultMime({*file}));
    QPoint hotSpot;
    drag->setPixmap(wheel::fannedDragPixmap({*file}, &hotSpot));
    drag->setHotSpot(hotSpot);
    return drag;
}

void ShelfItemList::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    // The chosen row is drawn as chosen whether the list has the keys or not: the ring says it has.
    if (showsFocusRing(this))
        paintListFocusRing(viewport());
}

void ShelfItemList::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    if (showsFocusRing(this))
        viewport()->update(); // the ring stays where it is; the scrolled pixels carried it along
}

void ShelfItemList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    const QString path = current.data(ShelfItemModel::previewRole).toString();
    const std::optional<QString> selected = path.isEmpty() ? std::nullopt : std::optional<QString>(path);
    if (selected != m_selected) {
        m_selected = selected;
        viewport()->update();
    }
}

void ShelfItemList::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    m_pressedRow = -1;
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (event->button() != Qt::LeftButton || !index.isValid() || !m_model->isItemRow(index.row()))
        return;
    if (const std::optional<Button> button = buttonAt(index, pos)) {
        press(index.row(), *button);
        return;
    }
    setCurrentIndex(index);
    // An item that did not resolve clears the selection.
    if (!m_model->file(index.row()) && m_selected) {
        m_selected.reset();
        viewport()->update();
    }
    m_pressedRow = index.row();
    m_pressAt = pos;
}

void ShelfItemList::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressedRow < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    const int row = m_pressedRow;
    m_pressedRow = -1;
    if (QDrag* drag = makeDrag(row); drag && m_starter)
        m_starter(drag);
}

void ShelfItemList::mouseReleaseEvent(QMouseEvent*)
{
    m_pressedRow = -1;
}

void ShelfItemList::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    if (event->button() != Qt::LeftButton || !index.isValid() || buttonAt(index, pos))
        return;
    if (const std::optional<QString> file = m_model->file(index.row()); file && m_fileManager && !m_fileManager->open(*file))
        m_store.reportUnanswered(HandoffFailure::openFile, {*file});
}

bool ShelfItemList::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    if (event->type() == QEvent::MouseMove)
        viewport()->setCursor(buttonAt(indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()),
                                       static_cast<QMouseEvent*>(event)->position().toPoint())
                                  ? Qt::PointingHandCursor
                                  : Qt::ArrowCursor);
    return QListView::viewportEvent(event);
}

// ---- ShelfItemDelegate ----------------------------------------------------------------------------

ShelfItemDelegate::ShelfItemDelegate(ShelfItemList* list) : QStyledItemDelegate(list), m_list(list) {}

QSize ShelfItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    if (!m_list->itemModel()->isItemRow(index.row()))
        return {1, kBottomPadding};
    return {1, kGap + kRowHeight + kGap + 1};
}

void ShelfItemDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    ShelfItemModel* model = m_list->itemModel();
    if (!model->isItemRow(index.row()))
        return;
    const ShelfItem& item = model->item(index.row());
    const std::optional<QString> file = model->file(index.row());
    const bool dark = Theme::isDark(m_list);
    const QColor secondary = Theme::secondary().resolve(dark);
    const QRect content = m_list->contentRect(option.rect);
    p->save();
    p->setRenderHint(QPainter::Antialiasing);

    if (file && file == m_list->selectedFile()) {
        QColor tint = Theme::ember();
        tint.setAlphaF(0.14f);
        QPainterPath back;
        back.addRoundedRect(QRectF(content).adjusted(-kInset, 0, kInset, 0), 8, 8);
        p->fillPath(back, tint);
    }

    // The same placeholder for every file: no picture is decoded for shelf rows.
    const QRectF icon(content.left(), content.center().y() - kIcon / 2.0 + 0.5, kIcon, kIcon);
    QPainterPath tile;
    tile.addRoundedRect(icon, 7, 7);
    p->fillPath(tile, Theme::primaryAt(dark, 0.05));
    Symbols::paint(*p, QRectF(icon.center().x() - 6.5, icon.center().y() - 6.5, 13, 13), QStringLiteral("photo"), secondary);

    const QList<ShelfItemList::Button> buttons = m_list->buttons();
    int right = content.right();
    for (ShelfItemList::Button button : buttons) {
        const QRect r = m_list->buttonRect(option.rect, button);
        right = qMin(right, r.left());
        Symbols::paint(*p, QRectF(r.center().x() - 7, r.center().y() - 7, 14, 14), buttonSymbol(button), secondary);
    }

    const int left = int(icon.right()) + 14;
    const int width = qMax(0, right - 14 - left);
    const QFont nameFont = Theme::font(TextStyle::callout, QFont::Medium);
    const QFont caption = Theme::font(TextStyle::caption);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics captionMetrics(caption);
    const int block = nameMetrics.height() + 2 + captionMetrics.height();
    const int top = content.top() + (kRowHeight - block) / 2;
    p->setFont(nameFont);
    p->setPen(Theme::primary().resolve(dark));
    p->drawText(QRect(left, top, width, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                nameMetrics.elidedText(item.name, Qt::ElideMiddle, width));
    p->setFont(caption);
    p->setPen(secondary);
    p->drawText(QRect(left, top + nameMetrics.height() + 2, width, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                Formatters::byteCount(item.bytes, L10n::locale(L10n::current())));

    p->fillRect(QRect(content.left(), option.rect.bottom(), content.width(), 1), Theme::hairline().resolve(dark));
    p->restore();
}

} // namespace kelvaro
