#pragma once
// FitOrStackLayout: the home screen's counters side by side when they fit, one under the other
// when they do not. Main thread; created by the screen that holds the items.
#include <QLayout>
#include <QList>

namespace kelvaro {

// Lays its items out in one row (28 apart, at the left) when that fits the width, otherwise in
// one left-aligned column (10 apart).
class FitOrStackLayout : public QLayout {
public:
    explicit FitOrStackLayout(QWidget* parent = nullptr, int rowSpacing = 28, int columnSpacing = 10);
    ~FitOrStackLayout() override;

    bool fitsInRow(int width) const;
    bool isStacked() const { return m_stacked; }

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return {}; }

private:
    int rowWidth() const;
    int rowHeight() const;
    int stackHeight() const;

    QList<QLayoutItem*> m_items;
    int m_rowSpacing;
    int m_columnSpacing;
    bool m_stacked = false;
};

} // namespace kelvaro
