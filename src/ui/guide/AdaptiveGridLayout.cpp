#include "ui/guide/AdaptiveGridLayout.h"

#include <QWidget>

namespace kelvaro {

AdaptiveGridLayout::AdaptiveGridLayout(int minimumColumn, int spacing, int rowSpacing, RowAlignment alignment, QWidget* parent)
    : QLayout(parent), m_minimumColumn(qMax(1, minimumColumn)), m_spacing(spacing), m_rowSpacing(rowSpacing), m_alignment(alignment)
{
    setContentsMargins(0, 0, 0, 0);
}

AdaptiveGridLayout::~AdaptiveGridLayout()
{
    qDeleteAll(m_items);
}

int AdaptiveGridLayout::columnCount(int width) const
{
    const QMargins m = contentsMargins();
    const int inner = width - m.left() - m.right();
    return qMax(1, (inner + m_spacing) / (m_minimumColumn + m_spacing));
}

void AdaptiveGridLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
    invalidate();
}

QLayoutItem* AdaptiveGridLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* AdaptiveGridLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    invalidate();
    return m_items.takeAt(index);
}

int AdaptiveGridLayout::itemHeight(const QLayoutItem* item, int width)
{
    const int height = item->hasHeightForWidth() ? item->heightForWidth(width) : item->sizeHint().height();
    return qBound(item->minimumSize().height(), height, item->maximumSize().height());
}

QSize AdaptiveGridLayout::sizeHint() const
{
    // Two columns at their minimum when there is more than one item: a natural width to start from.
    const int columns = qMin(2, qMax(1, int(m_items.size())));
    const QMargins m = contentsMargins();
    const int width = columns * m_minimumColumn + (columns - 1) * m_spacing + m.left() + m.right();
    return {width, heightForWidth(width)};
}

QSize AdaptiveGridLayout::minimumSize() const
{
    int widest = 0;
    for (QLayoutItem* item : m_items)
        widest = qMax(widest, item->minimumSize().width());
    const QMargins m = contentsMargins();
    return {widest + m.left() + m.right(), 0};
}

int AdaptiveGridLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

void AdaptiveGridLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int AdaptiveGridLayout::arrange(const QRect& rect, bool apply) const
{
    const QMargins m = contentsMargins();
    const QRect inner = rect.marginsRemoved(m);
    const int columns = columnCount(rect.width());
    const int cell = qMax(0, (inner.width() - (columns - 1) * m_spacing) / columns);
    QList<QLayoutItem*> shown;
    for (QLayoutItem* item : m_items)
        if (!item->isEmpty())
            shown << item;

    int y = inner.y();
    for (qsizetype first = 0; first < shown.size(); first += columns) {
        const qsizetype end = qMin(shown.size(), first + columns);
        int rowHeight = 0;
        for (qsizetype i = first; i < end; ++i)
            rowHeight = qMax(rowHeight, itemHeight(shown[i], cell));
        if (apply)
            for (qsizetype i = first; i < end; ++i) {
                const int height = itemHeight(shown[i], cell);
                const int top = m_alignment == RowAlignment::top ? y : y + (rowHeight - height) / 2;
                shown[i]->setGeometry(QRect(inner.x() + int(i - first) * (cell + m_spacing), top, cell, height));
            }
        y += rowHeight + (end < shown.size() ? m_rowSpacing : 0);
    }
    return y - inner.y() + m.top() + m.bottom();
}

} // namespace kelvaro
