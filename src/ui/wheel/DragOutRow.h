#pragma once
// The row from which the last run's results are dragged out of the application: one chip per
// result for the first three, and from two results on a chip that drags all of them at once.
// Drags carry the existing result files as text/uri-list and offer copying only: a moved result
// would break undo and the history. Nothing is copied or written here. Main thread.
#include <functional>

#include <QStringList>
#include <QWidget>

class QDrag;
class QHBoxLayout;
class QLabel;
class QMimeData;

namespace kelvaro::wheel {

// The payload of a drag of these files: their file URLs as text/uri-list, in order.
QMimeData* makeResultMime(const QStringList& paths);
// The only operation a result drag offers.
inline constexpr Qt::DropActions kResultDragActions = Qt::CopyAction;
// Offsets of the fanned icons of a drag of `count` files: 6 px right and down per file, at most
// 30 (the sixth and later share the place).
QList<QPoint> fanOffsets(int count);
// The picture under the pointer while all results are dragged: 48-px file icons fanned out;
// `hotSpot` is set to the first icon's centre.
QPixmap fannedDragPixmap(const QStringList& paths, QPoint* hotSpot);

class DragOutRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxChips = 3;

    explicit DragOutRow(QWidget* parent = nullptr);
    void setPaths(const QStringList& paths);
    QStringList paths() const { return m_paths; }

    // The chips shown, left to right (file chips first, then the all-results chip).
    QList<QWidget*> chips() const { return m_chips; }
    QWidget* allChip() const { return m_allChip; }

    // Runs a prepared drag; the default executes it with copy as the only action. Tests record.
    using DragStarter = std::function<void(QDrag* drag)>;
    void setDragStarter(DragStarter starter) { m_starter = std::move(starter); }
    // Builds and starts the drag of `paths` from `source` (used by the chips).
    void startDrag(QWidget* source, const QStringList& paths, bool fanned);

private:
    void rebuild();
    QStringList m_paths;
    QHBoxLayout* m_chipRow = nullptr;
    QList<QWidget*> m_chips;
    QWidget* m_allChip = nullptr;
    QLabel* m_caption = nullptr;
    DragStarter m_starter;
};

} // namespace kelvaro::wheel
