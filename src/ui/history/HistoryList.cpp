#include "ui/history/HistoryList.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QToolTip>

#include "l10n/Localization.h"
#include "ui/design/FocusRing.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"
#include "ui/history/HistoryFilter.h"
#include "ui/history/HistoryModel.h"
#include "ui/history/ThumbnailCache.h"
#include "ui/wheel/DragOutRow.h"

namespace kelvaro {
namespace {

constexpr int kRowGap = 6;      // between a row and the dividers around it
constexpr int kRowHeight = 48;  // 40-px leading tile and 4 px above and below
constexpr int kBottomPadding = 28;
constexpr int kMenuSide = 24;
constexpr int kNothingFoundHeight = 160;

QLocale shownLocale()
{
    return L10n::locale(L10n::current());
}

QPainterPath rounded(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

// ---- HistoryList ----------------------------------------------------------------------------------

HistoryList::HistoryList(HistoryModel* model, ThumbnailCache* thumbnails, QWidget* parent)
    : QListView(parent), m_model(model), m_thumbnails(thumbnails)
{
    setObjectName(QStringLiteral("historyList"));
    setModel(model);
    setItemDelegate(new HistoryDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    // Rows are laid out in batches as they scroll into view.
    setLayoutMode(QListView::Batched);
    setBatchSize(100);
    m_starter = [](QDrag* drag) { drag->exec(wheel::kResultDragActions, Qt::CopyAction); };
    connect(thumbnails, &ThumbnailCache::loaded, viewport(), qOverload<>(&QWidget::update));
}

void HistoryList::setHeader(QWidget* header)
{
    if (m_header)
        m_header->removeEventFilter(this);
    m_header = header;
    if (!header)
        return;
    header->setParent(viewport());
    header->installEventFilter(this);
    header->show();
    scheduleDelayedItemsLayout();
}

int HistoryList::headerRowHeight() const
{
    if (!m_header)
        return topPadding;
    const int width = columnRect(QRect(0, 0, viewport()->width(), 1)).width();
    const int height = m_header->hasHeightForWidth() ? m_header->heightForWidth(width) : m_header->sizeHint().height();
    return topPadding + qMax(height, m_header->minimumSizeHint().height());
}

void HistoryList::placeHeader()
{
    if (!m_header || m_model->rowCount() == 0)
        return;
    const QRect row = visualRect(m_model->index(0));
    if (row.isEmpty())
        return; // not laid out yet
    const QRect column = columnRect(row);
    m_header->setGeometry(column.left(), row.top() + topPadding, column.width(), row.height() - topPadding);
}

void HistoryList::updateGeometries()
{
    QListView::updateGeometries();
    placeHeader();
}

void HistoryList::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    placeHeader();
    if (showsFocusRing(this))
        viewport()->update(); // the ring stays where it is; the scrolled pixels carried it along
}

bool HistoryList::eventFilter(QObject* watched, QEvent* event)
{
    // The header's content changed its size (the figures were refreshed while the page came
    // back into view): the first row follows.
    if (watched == m_header && event->type() == QEvent::LayoutRequest)
        scheduleDelayedItemsLayout();
    return QListView::eventFilter(watched, event);
}

QRect HistoryList::columnRect(const QRect& row) const
{
    const int width = qMin(columnMaxWidth, row.width());
    const int left = row.left() + (row.width() - width) / 2 + sidePadding;
    return {left, row.top(), qMax(0, width - 2 * sidePadding), row.height()};
}

QRect HistoryList::menuButtonRect(const QRect& row) const
{
    const QRect column = columnRect(row);
    const int centre = row.top() + kRowGap + kRowHeight / 2;
    return {column.right() - kMenuSide + 1, centre - kMenuSide / 2, kMenuSide, kMenuSide};
}

void HistoryList::restoreCurrent()
{
    if (!m_selected)
        return;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->file(row) == m_selected) {
            // Making it current must not scroll the list away from where the user is.
            const bool scrolls = hasAutoScroll();
            setAutoScroll(false);
            selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::NoUpdate);
            setAutoScroll(scrolls);
            return;
        }
    }
}

void HistoryList::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    // The chosen row is drawn as chosen whether the list has the keys or not: the ring says it has.
    if (showsFocusRing(this))
        paintListFocusRing(viewport());
}

void HistoryList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    // Rows without a file never take the selection; it stays where it was.
    const QString path = current.data(HistoryModel::previewRole).toString();
    if (!path.isEmpty() && m_selected != path) {
        m_selected = path;
        viewport()->update();
    }
}

QMenu* HistoryList::makeMenu(int row, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const std::optional<QString> file = m_model->file(row);
    if (!file)
        return menu;
    const QColor tint = Theme::secondary().on(this);
    const QString path = *file;
    menu->addAction(Symbols::icon(QStringLiteral("arrow.up.forward.app"), tint), L("Otevřít"), this,
                    [this, path] { Q_EMIT openRequested(path); });
    menu->addAction(Symbols::icon(QStringLiteral("folder"), tint), L("Ukázat ve správci souborů"), this,
                    [this, path] { Q_EMIT revealRequested(path); });
    menu->addAction(Symbols::icon(QStringLiteral("arrow.triangle.2.circlepath"), tint), L("Použít znovu v kole"), this,
                    [this, path] { Q_EMIT reuseRequested(path); });
    return menu;
}

QString HistoryList::toolTipAt(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || m_model->row(index.row()).kind != HistoryModel::Kind::entry)
        return {};
    const HistoryModel::FileState state = m_model->fileState(index.row());
    if (state == HistoryModel::FileState::missing)
        return L("Soubor už není na původním místě.");
    if (state == HistoryModel::FileState::present && menuButtonRect(visualRect(index)).contains(pos))
        return L("Další možnosti");
    return {};
}

void HistoryList::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    m_pressedFile.reset();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || event->button() != Qt::LeftButton)
        return;
    const std::optional<QString> file = m_model->file(index.row());
    if (!file)
        return; // a row whose file is gone does nothing, the highlight stays where it is
    if (menuButtonRect(visualRect(index)).contains(event->position().toPoint())) {
        QMenu* menu = makeMenu(index.row(), this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        const QRect button = menuButtonRect(visualRect(index));
        menu->popup(viewport()->mapToGlobal(button.bottomLeft()));
        return;
    }
    setCurrentIndex(index);
    m_pressedFile = file;
    m_pressAt = event->position().toPoint();
}

void HistoryList::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressedFile || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    const QString path = *m_pressedFile;
    m_pressedFile.reset();
    startFileDrag(path);
}

void HistoryList::mouseReleaseEvent(QMouseEvent*)
{
    m_pressedFile.reset();
}

void HistoryList::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || event->button() != Qt::LeftButton)
        return;
    if (menuButtonRect(visualRect(index)).contains(event->position().toPoint()))
        return;
    if (const std::optional<QString> file = m_model->file(index.row()))
        Q_EMIT openRequested(*file);
}

void HistoryList::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid() || !m_model->file(index.row()))
        return; // no file, no menu
    QMenu* menu = makeMenu(index.row(), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

bool HistoryList::viewportEvent(QEvent* event)
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
    return QListView::viewportEvent(event);
}

void HistoryList::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    viewport()->update(); // the column is centred in the width
    // The header may wrap its figures onto more lines at another width; a layout already
    // pending would otherwise keep the first row's height for the old one.
    if (event->size().width() != event->oldSize().width())
        scheduleDelayedItemsLayout();
}

void HistoryList::startFileDrag(const QString& path)
{
    auto* drag = new QDrag(this);
    drag->setMimeData(wheel::makeResultMime({path}));
    QPoint hotSpot;
    drag->setPixmap(wheel::fannedDragPixmap({path}, &hotSpot));
    drag->setHotSpot(hotSpot);
    if (m_starter)
        m_starter(drag);
}

// ---- HistoryDelegate ------------------------------------------------------------------------------

HistoryDelegate::HistoryDelegate(HistoryList* list) : QStyledItemDelegate(list), m_list(list) {}

QSize HistoryDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const HistoryModel::Row& row = m_list->historyModel()->row(index.row());
    switch (row.kind) {
    case HistoryModel::Kind::header:
        return {1, m_list->headerRowHeight()};
    case HistoryModel::Kind::day: {
        const int text = QFontMetrics(Theme::font(TextStyle::cardTitle)).height();
        return {1, HistoryList::sectionSpacing + text + 4 + kRowGap + 1};
    }
    case HistoryModel::Kind::entry:
        return {1, kRowGap + kRowHeight + kRowGap + 1};
    case HistoryModel::Kind::nothingFound:
        return {1, HistoryList::sectionSpacing + kNothingFoundHeight};
    case HistoryModel::Kind::end:
        return {1, kBottomPadding};
    }
    return {1, 1};
}

void HistoryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    switch (m_list->historyModel()->row(index.row()).kind) {
    case HistoryModel::Kind::day: paintDay(painter, option.rect, index.row()); break;
    case HistoryModel::Kind::entry: paintEntry(painter, option.rect, index.row()); break;
    case HistoryModel::Kind::nothingFound: paintNothingFound(painter, option.rect); break;
    case HistoryModel::Kind::header:
    case HistoryModel::Kind::end: break;
    }
    painter->restore();
}

void HistoryDelegate::paintDay(QPainter* p, const QRect& rect, int index) const
{
    const HistoryModel::Row& row = m_list->historyModel()->row(index);
    const bool dark = Theme::isDark(m_list);
    const QRect column = m_list->columnRect(rect);
    const QFont font = Theme::font(TextStyle::cardTitle);
    const QFontMetrics metrics(font);
    const int top = rect.top() + HistoryList::sectionSpacing;
    p->setFont(font);
    p->setPen(Theme::primary().resolve(dark));
    p->drawText(QRect(column.left(), top, column.width(), metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                metrics.elidedText(row.title, Qt::ElideRight, column.width()));
    p->fillRect(QRect(column.left(), rect.bottom(), column.width(), 1), Theme::hairline().resolve(dark));
}

void HistoryDelegate::paintNothingFound(QPainter* p, const QRect& rect) const
{
    const QRect column = m_list->columnRect(rect);
    p->setFont(Theme::font(TextStyle::body));
    p->setPen(Theme::secondary().resolve(Theme::isDark(m_list)));
    p->drawText(QRect(column.left(), rect.top() + HistoryList::sectionSpacing, column.width(), kNothingFoundHeight),
                Qt::AlignCenter | Qt::TextWordWrap, L("Nic jsem nenašel."));
}

void HistoryDelegate::paintEntry(QPainter* p, const QRect& rect, int index) const
{
    HistoryModel* model = m_list->historyModel();
    const ActivityItem& item = model->row(index).item;
    const std::optional<QString> file = model->file(index);
    const bool dark = Theme::isDark(m_list);
    const QColor primary = Theme::primary().resolve(dark);
    const QColor secondary = Theme::secondary().resolve(dark);
    const QRect column = m_list->columnRect(rect);
    const QRect row(column.left(), rect.top() + kRowGap, column.width(), kRowHeight);

    if (file && file == m_list->selectedFile()) {
        QColor tint = Theme::ember();
        tint.setAlphaF(0.14f);
        p->fillPath(rounded(QRectF(row).adjusted(-8, 0, 8, 0), 8), tint);
    }

    // Leading tile: the result itself, or the action's symbol when there is no file to show.
    const int side = HistoryList::thumbSide;
    const QRectF tile(row.left(), row.top() + (kRowHeight - side) / 2.0, side, side);
    // A result that is no picture (an archive, a text) shows its action's symbol as well.
    if (file && !m_list->thumbnails()->isUnreadable(*file)) {
        const QPainterPath clip = rounded(tile, side * 0.26);
        QColor wash = Theme::ember();
        wash.setAlphaF(0.12f);
        p->fillPath(clip, wash);
        const QImage picture = m_list->thumbnails()->image(*file);
        if (!picture.isNull()) {
            const qreal scale = qMax(tile.width() / picture.width(), tile.height() / picture.height());
            const QSizeF shown = QSizeF(picture.size()) * scale;
            p->save();
            p->setClipPath(clip);
            p->drawImage(QRectF(tile.center().x() - shown.width() / 2, tile.center().y() - shown.height() / 2, shown.width(),
                                shown.height()),
                         picture);
            p->restore();
        } else {
            Symbols::paint(*p, tile.adjusted(12, 12, -12, -12), QStringLiteral("photo"), Theme::ember());
        }
        p->setPen(QPen(Theme::hairline().resolve(dark), 1));
        p->setBrush(Qt::NoBrush);
        p->drawPath(rounded(tile.adjusted(0.5, 0.5, -0.5, -0.5), side * 0.26 - 0.5));
    } else {
        p->fillPath(rounded(tile, 8), Theme::primaryAt(dark, 0.05));
        Symbols::paint(*p, QRectF(tile.center().x() - 7, tile.center().y() - 7, 14, 14), item.symbol, secondary);
    }

    // Trailing parts, right to left: the menu button, the time, the saving.
    const QLocale locale = shownLocale();
    const QRect menu = m_list->menuButtonRect(rect);
    QColor menuTint = secondary;
    if (!file)
        menuTint.setAlphaF(menuTint.alphaF() * 0.45f);
    Symbols::paint(*p, QRectF(menu.center().x() - 7.5, menu.center().y() - 7.5, 15, 15), QStringLiteral("ellipsis"), menuTint);

    const QFont caption = Theme::font(TextStyle::caption);
    const QFontMetrics captionMetrics(caption);
    p->setFont(caption);
    p->setPen(secondary);
    int right = menu.left() - 10;
    const QString time = timeText(item.date, locale);
    const int timeWidth = captionMetrics.horizontalAdvance(time);
    p->drawText(QRect(right - timeWidth, row.top(), timeWidth, kRowHeight), Qt::AlignRight | Qt::AlignVCenter, time);
    right -= timeWidth + 14;
    if (const std::optional<QString> saved = savedText(item.savedBytes, locale)) {
        const int savedWidth = captionMetrics.horizontalAdvance(*saved);
        p->drawText(QRect(right - savedWidth, row.top(), savedWidth, kRowHeight), Qt::AlignRight | Qt::AlignVCenter, *saved);
        right -= savedWidth + 14;
    }

    // The name over the symbol and the translated title.
    const int left = row.left() + side + 14;
    const int textWidth = qMax(0, right + 6 - left);
    const QFont nameFont = Theme::font(TextStyle::callout, QFont::Medium);
    const QFontMetrics nameMetrics(nameFont);
    const int blockHeight = nameMetrics.height() + 3 + captionMetrics.height();
    const int nameTop = row.top() + (kRowHeight - blockHeight) / 2;
    p->setFont(nameFont);
    p->setPen(primary);
    p->drawText(QRect(left, nameTop, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                nameMetrics.elidedText(item.fileName, Qt::ElideMiddle, textWidth));
    const int titleTop = nameTop + nameMetrics.height() + 3;
    const qreal glyph = 10;
    Symbols::paint(*p, QRectF(left, titleTop + (captionMetrics.height() - glyph) / 2.0, glyph, glyph), item.symbol, secondary);
    const int titleLeft = left + int(glyph) + 6;
    const int titleWidth = qMax(0, left + textWidth - titleLeft);
    p->setFont(caption);
    p->setPen(secondary);
    p->drawText(QRect(titleLeft, titleTop, titleWidth, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                captionMetrics.elidedText(LParts(item.actionTitle), Qt::ElideRight, titleWidth));

    p->fillRect(QRect(column.left(), rect.bottom(), column.width(), 1), Theme::hairline().resolve(dark));
}

} // namespace kelvaro
