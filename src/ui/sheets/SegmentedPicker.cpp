#include "ui/sheets/SegmentedPicker.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/design/FocusRing.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {
constexpr int kInset = 2;
constexpr int kHeight = 28;

QFont segmentFont(bool selected)
{
    return Theme::font(TextStyle::body, selected ? QFont::DemiBold : QFont::Normal);
}
} // namespace

SegmentedPicker::SegmentedPicker(const QList<Segment>& segments, const QString& label, QWidget* parent)
    : QWidget(parent), m_segments(segments)
{
    setAccessibleName(label);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int SegmentedPicker::selectedIndex() const
{
    for (int i = 0; i < m_segments.size(); ++i)
        if (m_segments[i].tag == m_selection)
            return i;
    return -1;
}

void SegmentedPicker::setSelection(const QString& tag)
{
    if (tag == m_selection)
        return;
    m_selection = tag;
    update();
}

QRect SegmentedPicker::segmentRect(int index) const
{
    const int count = int(m_segments.size());
    if (count == 0 || index < 0 || index >= count)
        return {};
    const int inner = width() - 2 * kInset;
    const int x0 = kInset + inner * index / count;
    const int x1 = kInset + inner * (index + 1) / count;
    return {x0, kInset, x1 - x0, height() - 2 * kInset};
}

QSize SegmentedPicker::sizeHint() const
{
    int widest = 0;
    const QFontMetrics metrics(segmentFont(true));
    for (const Segment& s : m_segments)
        widest = qMax(widest, metrics.horizontalAdvance(s.title) + 24);
    return {int(m_segments.size()) * widest + 2 * kInset, kHeight};
}

QSize SegmentedPicker::minimumSizeHint() const
{
    return {int(m_segments.size()) * 40, kHeight};
}

void SegmentedPicker::choose(int index)
{
    if (index < 0 || index >= m_segments.size())
        return;
    const QString tag = m_segments[index].tag;
    setSelection(tag);
    Q_EMIT tagClicked(tag);
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    for (int i = 0; i < m_segments.size(); ++i) {
        if (segmentRect(i).contains(event->position().toPoint())) {
            choose(i);
            break;
        }
    }
}

void SegmentedPicker::keyPressEvent(QKeyEvent* event)
{
    const int current = selectedIndex();
    if (event->key() == Qt::Key_Left) {
        choose(current < 0 ? 0 : qMax(0, current - 1));
        return;
    }
    if (event->key() == Qt::Key_Right) {
        choose(current < 0 ? 0 : qMin(int(m_segments.size()) - 1, current + 1));
        return;
    }
    QWidget::keyPressEvent(event);
}

void SegmentedPicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), 8, 8);
    p.fillPath(track, Theme::primaryAt(dark, 0.06));
    const int selected = selectedIndex();
    if (selected >= 0) {
        const QRectF pill = QRectF(segmentRect(selected));
        QPainterPath path;
        path.addRoundedRect(pill, 6, 6);
        p.fillPath(path, Theme::cardFill().resolve(dark));
        p.setPen(QPen(Theme::hairline().resolve(dark), 1));
        p.drawRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
    }
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
    }
    for (int i = 0; i < m_segments.size(); ++i) {
        const bool on = i == selected;
        const QRect r = segmentRect(i);
        const QFont f = segmentFont(on);
        p.setFont(f);
        p.setPen((on ? Theme::primary() : Theme::secondary()).resolve(dark));
        p.drawText(r, Qt::AlignCenter, QFontMetrics(f).elidedText(m_segments[i].title, Qt::ElideRight, r.width() - 8));
    }
}

} // namespace kelvaro
