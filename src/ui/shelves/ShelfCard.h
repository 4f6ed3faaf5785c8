#pragma once
// One entry of the shelf list on the shelves page: the shelf's symbol in its palette colour, its
// name on one line and its file count (claimed files plus items), on a faint rounded fill when
// it is the shelf shown. The whole rectangle is the click target; what a click or the context
// menu does is the page's. Main thread; created by ShelvesView.
#include <QAbstractButton>

#include "model/Models.h"

namespace kelvaro {

class ShelfCard : public QAbstractButton {
    Q_OBJECT
public:
    ShelfCard(const Shelf& shelf, bool selected, QWidget* parent = nullptr);

    const Shelf& shelf() const { return m_shelf; }
    bool isSelected() const { return m_selected; }
    // The colour the symbol is drawn in.
    QColor symbolColor() const;
    // The count shown: claimed files plus items, saturating.
    qint64 shownCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shelf m_shelf;
    bool m_selected;
};

} // namespace kelvaro
