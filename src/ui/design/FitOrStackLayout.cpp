#include "ui/design/FitOrStackLayout.h"

namespace kelvaro {

FitOrStackLayout::FitOrStackLayout(QWidget* parent, int rowSpacing, int columnSpacing)
    : QLayout(parent), m_rowSpacing(rowSpacing), m_columnSpacing(columnSpacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FitOrStackLayout::~FitOrStackLayout()
{
    qDeleteAll(m_items);
}

void FitOrStackLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

QLayoutItem* FitOrStackLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* FitOrStackLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

int FitOrStackLayout::rowWidth() const
{
    int width = 0;
    for (QLayoutItem* item : m_items)
        width += item->sizeHint().width();
    return width + qMax(0, int(m_items.size()) - 1) * m_rowSpacing;
}

int FitOrStackLayout::rowHeight() const
{
    int height = 0;
    for (QLayoutItem* item : m_items)
        height = qMax(height, item->sizeHint().height());
    return height;
}

int FitOrStackLayout::stackHeight() const
{
    int height = 0;
    for (QLayoutItem* item : m_items)
        height += item->sizeHint().height();
    return height + qMax(0, int(m_items.size()) - 1) * m_columnSpacing;
}

bool FitOrStackLayout::fitsInRow(int width) const
{
    return rowWidth() <= width;
}

QSize FitOrStackLayout::sizeHint() const
{
    return {rowWidth(), rowHeight()};
}

QSize FitOrStackLayout::minimumSize() const
{
    int widest = 0;
    for (QLayoutItem* item : m_items)
        widest = qMax(widest, item->minimumSize().width());
    return {widest, rowHeight()};
}

int FitOrStackLayout::heightForWidth(int width) const
{
    return fitsInRow(width) ? rowHeight() : stackHeight();
}

void FitOrStackLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    m_stacked = !fitsInRow(rect.width());
    int x = rect.x();
    int y = rect.y();
    const int rowH = rowHeight();
    for (QLayoutItem* item : m_items) {
        const QSize hint = item->sizeHint();
        if (m_stacked) {
            item->setGeometry(QRect(rect.x(), y, qMin(hint.width(), rect.width()), hint.height()));
            y += hint.height() + m_columnSpacing;
        } else {
            item->setGeometry(QRect(x, rect.y() + (rowH - hint.height()) / 2, hint.width(), hint.height()));
            x += hint.width() + m_rowSpacing;
        }
    }
}

} // namespace kelvaro
