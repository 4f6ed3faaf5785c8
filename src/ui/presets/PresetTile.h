#pragma once
// The pieces of the preset panel: a one-click tile (glyph, title of at most two lines, detail),
// the capsule that heads each group, and the shape that stands for a platform preset's target
// size. Drawn from their fields and the theme; main thread; created by the preset panel.
#include <functional>

#include <QAbstractButton>
#include <QList>
#include <QSizeF>

class QPainter;
class QVariantAnimation;

namespace kelvaro {

// The target size's shape inside a 26 × 26 box: the longer side 26, the other in proportion,
// with 4-px corners, the tint at 22 % behind a 1.5-px inner border of the tint.
struct AspectGlyph {
    static constexpr qreal box = 26;
    // A side below 1 counts as 1.
    static QSizeF shapeSize(int width, int height);
    // Draws the shape centred in `area`.
    static void paint(QPainter& painter, const QRectF& area, int width, int height, const QColor& tint);
};

// A plain button: the glyph in a 28-px box, the title (callout, medium, at most two lines) over
// the detail (caption, secondary, on as many lines as it needs), on a rounded rectangle of the
// primary colour at 5 %, 10 % and with an ember border while the pointer is over it (eased over
// 0.12 s). Its height follows its width; it is drawn dimmed while disabled.
class PresetTile : public QAbstractButton {
    Q_OBJECT
public:
    // Draws the glyph into its box.
    using Glyph = std::function<void(QPainter& painter, const QRectF& box)>;

    PresetTile(const QString& title, const QString& detail, Glyph glyph, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    QString detail() const { return m_detail; }
    bool isHovering() const { return m_hovering; }

    // The title as drawn at `width`: one or two lines, the second cut with an ellipsis.
    QStringList linesFor(int width) const;
    // The detail as drawn at `width`, wrapped, never cut.
    QStringList detailLinesFor(int width) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHovering(bool hovering);

    QString m_title;
    QString m_detail;
    Glyph m_glyph;
    bool m_hovering = false;
    qreal m_hover = 0; // 0 at rest, 1 hovered (animated)
    QVariantAnimation* m_animation;
};

// A group's capsule: the symbol and the title (looked up) in bold white caption type on a fill of
// one colour, or of several as a gradient from the leading to the trailing edge.
class GroupHeader : public QWidget {
    Q_OBJECT
public:
    GroupHeader(const QString& title, const QString& symbol, QList<QColor> fill, QWidget* parent = nullptr);

    QString title() const { return m_title; }
    const QList<QColor>& fill() const { return m_fill; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QString m_symbol;
    QList<QColor> m_fill;
};

} // namespace kelvaro
