#pragma once
// A segmented picker for the sheets: equal segments on a faint track, the selected one on a
// card-coloured pill. Each segment has a tag (the stored raw value) and a title shown as given.
// The owner keeps the value: a click (or Left/Right while focused) emits tagClicked and selects
// the segment; setSelection() follows the owner. A tag that matches no segment selects none.
// Main thread.
#include <QList>
#include <QWidget>

namespace kelvaro {

class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    struct Segment {
        QString tag;
        QString title;
    };

    // `label` names the picker for accessibility; it is not drawn.
    SegmentedPicker(const QList<Segment>& segments, const QString& label, QWidget* parent = nullptr);

    const QList<Segment>& segments() const { return m_segments; }
    QString selection() const { return m_selection; }
    // -1 when the selection matches no segment.
    int selectedIndex() const;
    void setSelection(const QString& tag);
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void tagClicked(const QString& tag);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void choose(int index);

    QList<Segment> m_segments;
    QString m_selection;
};

} // namespace kelvaro
