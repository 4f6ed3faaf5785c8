#pragma once
// A grid whose number of columns follows its width: as many columns of at least `minimumColumn`
// pixels as fit with `spacing` between them (at least one), sharing the width equally. Items fill
// their cell's width and are placed row by row in order; each takes the height it needs for that
// width, at the top of its row or centred in it. Laid out again on every resize; main thread.
#include <QLayout>

namespace kelvaro {

class AdaptiveGridLayout : public QLayout {
public:
    enum class RowAlignment { top, centre };

    AdaptiveGridLayout(int minimumColumn, int spacing, int rowSpacing, RowAlignment alignment = RowAlignment::top,
                       QWidget* parent = nullptr);
    ~AdaptiveGridLayout() override;

    // The number of columns at `width` (the layout's own width, margins included).
    int columnCount(int width) const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

private:
    // Lays the items out in `rect` (only measures when `apply` is false); returns the height used.
    int arrange(const QRect& rect, bool apply) const;
    static int itemHeight(const QLayoutItem* item, int width);

    QList<QLayoutItem*> m_items;
    int m_minimumColumn;
    int m_spacing;
    int m_rowSpacing;
    RowAlignment m_alignment;
};

} // namespace kelvaro
