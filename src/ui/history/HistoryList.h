#pragma once
// The scrolling list of the history screen: painted rows (a delegate, no widget per row) so 500
// entries scroll smoothly, in a column at most 760 px wide centred in the view. The page's header
// is the one widget among the rows: it stands in the first row and scrolls with the list. An entry row
// shows the result's thumbnail (or its action's symbol when the file is gone), name, translated
// title, the bytes saved, the time and a "…" menu. Only rows whose file exists react: a click
// selects (every row of that file is highlighted), a double click opens, the menu and context
// menu offer open, reveal and use-again, and a drag carries the file (copy only). The list asks
// its owner to do these through signals. Main thread; created by HistoryView.
#include <functional>
#include <optional>

#include <QListView>
#include <QPointer>
#include <QStyledItemDelegate>

class QDrag;
class QMenu;

namespace kelvaro {

class HistoryModel;
class ThumbnailCache;

class HistoryList : public QListView {
    Q_OBJECT
public:
    static constexpr int columnMaxWidth = 760;
    static constexpr int sidePadding = 32;
    static constexpr int thumbSide = 40;
    static constexpr int topPadding = 28;
    static constexpr int sectionSpacing = 32; // between the header, the day sections and the no-match text

    HistoryList(HistoryModel* model, ThumbnailCache* thumbnails, QWidget* parent = nullptr);

    HistoryModel* historyModel() const { return m_model; }
    ThumbnailCache* thumbnails() const { return m_thumbnails; }
    // The selected file (shared by all rows of it); none until a row with a file is chosen.
    std::optional<QString> selectedFile() const { return m_selected; }
    // Makes the row of the selected file current again after the rows were rebuilt.
    void restoreCurrent();

    // Makes `header` the content of the first row: it moves into the list, scrolls with the rows
    // and gets the column's width and the height it needs for it.
    void setHeader(QWidget* header);
    QWidget* header() const { return m_header; }
    // The first row's height: the padding above the header and the header itself.
    int headerRowHeight() const;

    // Geometry of an entry row, for painting and for hit tests.
    QRect columnRect(const QRect& row) const;
    QRect menuButtonRect(const QRect& row) const;

    // The menu of an entry with a file (empty for any other row); its actions run at once.
    QMenu* makeMenu(int row, QWidget* parent);
    // The tooltip a point of the viewport shows, empty for none.
    QString toolTipAt(const QPoint& pos) const;

    // Runs a prepared drag; the default executes it with copy as the only action. Tests record.
    using DragStarter = std::function<void(QDrag* drag)>;
    void setDragStarter(DragStarter starter) { m_starter = std::move(starter); }

Q_SIGNALS:
    void openRequested(const QString& path);
    void revealRequested(const QString& path);
    void reuseRequested(const QString& path);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startFileDrag(const QString& path);
    void placeHeader();

    HistoryModel* m_model;
    ThumbnailCache* m_thumbnails;
    std::optional<QString> m_selected;
    std::optional<QString> m_pressedFile;
    QPoint m_pressAt;
    DragStarter m_starter;
    QPointer<QWidget> m_header;
};

// Paints the rows of a HistoryList.
class HistoryDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit HistoryDelegate(HistoryList* list);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintDay(QPainter* p, const QRect& rect, int row) const;
    void paintEntry(QPainter* p, const QRect& rect, int row) const;
    void paintNothingFound(QPainter* p, const QRect& rect) const;

    HistoryList* m_list;
};

} // namespace kelvaro
