#include "ui/wheel/WheelPainter.h"

#include <cmath>
#include <optional>

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

#include "l10n/Localization.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

namespace {

constexpr double kLabelSymbolFrame = 34;
constexpr double kLabelSymbolSide = 20;
constexpr double kLabelSpacing = 5;
constexpr double kCentreSymbolSide = 24;
constexpr double kCentreSpacing = 4;

constexpr int kSmallestLabelSize = 9;

QFont labelFont(int pixelSize = TextSize::caption) { return wheelFont(pixelSize, QFont::Medium); }
QFont centreFont() { return wheelFont(TextSize::footnote, QFont::DemiBold); }

void scaleAbout(QPainter& painter, QPointF centre, double scale)
{
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
}

constexpr double kMaxLabelShift = 16;

// Where the label text goes when the label block (symbol over text) is centred at `c`.
QRectF labelTextRect(QPointF c, const QString& text, const QFont& font)
{
    const QFontMetricsF metrics(font);
    const double textHeight = metrics.height();
    const double top = c.y() - (kLabelSymbolFrame + kLabelSpacing + textHeight) / 2;
    const double textWidth = metrics.horizontalAdvance(text) + 2;
    return {c.x() - textWidth / 2, top + kLabelSymbolFrame + kLabelSpacing, textWidth, textHeight};
}

// The label's centre: the wedge's label point, or up to a few pixels further out along the
// wedge's middle, where the wedge is wider, when the text fits only there. None when it fits
// nowhere within that.
std::optional<QPointF> fittingCentre(const WheelGeometry& g, int i, const QString& text, const QFont& font)
{
    const QPainterPath wedge = g.wedgePath(i);
    const double angle = qDegreesToRadians(g.labelAngle(i));
    const QPointF outward(std::cos(angle), std::sin(angle));
    for (double shift = 0; shift <= kMaxLabelShift; shift += 2) {
        const QPointF c = g.labelCentre(i) + outward * shift;
        if (wedge.contains(labelTextRect(c, text, font)))
            return c;
    }
    return std::nullopt;
}

struct LabelLayout {
    int textSize = TextSize::caption;
    QList<QPointF> centres; // per wedge
};

// One text size for all labels, so the wheel reads evenly: from the caption size down to a
// still readable one, the largest at which the most labels fit inside their wedges. A long
// word on a narrow wedge may fit at none; it keeps its plain label point.
LabelLayout labelLayout(const WheelGeometry& g, const QList<WheelAction>& actions)
{
    LabelLayout best;
    int bestFitting = -1;
    for (int size = TextSize::caption; size >= kSmallestLabelSize; --size) {
        const QFont font = labelFont(size);
        LabelLayout layout{size, {}};
        int fitting = 0;
        for (int i = 0; i < actions.size(); ++i) {
            const auto c = fittingCentre(g, i, L(actions[i].key), font);
            fitting += c.has_value() ? 1 : 0;
            layout.centres.append(c.value_or(g.labelCentre(i)));
        }
        if (fitting > bestFitting) {
            best = layout;
            bestFitting = fitting;
        }
        if (fitting == actions.size())
            break;
    }
    return best;
}

void paintLabel(QPainter& painter, const WheelGeometry& g, int i, const WheelAction& action, double h,
                const WheelPalette& palette, int textSize, QPointF c)
{
    const QColor color = mix(palette.primary, Qt::white, h);
    const QFont font = labelFont(textSize);
    const QString text = L(action.key);
    const QRectF textRect = labelTextRect(c, text, font);

    painter.save();
    scaleAbout(painter, g.centre(), 1 + (kHighlightScale - 1) * h);
    const double top = textRect.top() - kLabelSpacing - kLabelSymbolFrame;
    const QRectF symbolFrame(c.x() - kLabelSymbolFrame / 2, top, kLabelSymbolFrame, kLabelSymbolFrame);
    const QRectF symbolRect(symbolFrame.center() - QPointF(kLabelSymbolSide / 2, kLabelSymbolSide / 2),
                            QSizeF(kLabelSymbolSide, kLabelSymbolSide));
    drawSymbol(painter, action.symbol, symbolRect, color);
    painter.setFont(font);
    const QPainterPath wedge = g.wedgePath(i);
    if (h <= 0.001 || wedge.contains(textRect)) {
        painter.setPen(color);
        painter.drawText(textRect, Qt::AlignCenter, text);
    } else {
        // A highlighted wedge's light text would vanish where it runs past the wedge onto the
        // gap or a neighbour: there it keeps the resting colour.
        painter.save();
        painter.setClipPath(wedge, Qt::IntersectClip);
        painter.setPen(color);
        painter.drawText(textRect, Qt::AlignCenter, text);
        painter.restore();
        QPainterPath outside;
        outside.addRect(textRect.adjusted(-4, -4, 4, 4));
        painter.setClipPath(outside.subtracted(wedge), Qt::IntersectClip);
        painter.setPen(palette.primary);
        painter.drawText(textRect, Qt::AlignCenter, text);
    }
    painter.restore();
}

void paintCentreContent(QPainter& painter, const WheelGeometry& g, const CentreContent& content, double opacity,
                        const WheelPalette& palette)
{
    if (opacity <= 0.001)
        return;
    const QFont font = centreFont();
    const QFontMetricsF metrics(font);
    const double disc = g.centreDiscDiameter();
    const double textHeight = metrics.height();
    const double total = kCentreSymbolSide + kCentreSpacing + textHeight;
    const QPointF c = g.centre();
    const double top = c.y() - total / 2;

    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    drawSymbol(painter, content.symbol,
               QRectF(c.x() - kCentreSymbolSide / 2, top, kCentreSymbolSide, kCentreSymbolSide), palette.ember);
    const double width = std::max(0.0, disc - 12);
    const QString title = metrics.elidedText(content.title, Qt::ElideRight, width);
    painter.setFont(font);
    painter.setPen(palette.primary);
    painter.drawText(QRectF(c.x() - width / 2, top + kCentreSymbolSide + kCentreSpacing, width, textHeight),
                     Qt::AlignCenter, title);
    painter.restore();
}

} // namespace

QString modeSymbol(WheelMode mode)
{
    switch (mode) {
    case WheelMode::convert: return QStringLiteral("arrow.triangle.2.circlepath");
    case WheelMode::tools: return QStringLiteral("wand.and.stars");
    case WheelMode::actions: return QStringLiteral("bolt.fill");
    }
    return {};
}

CentreContent centreContent(WheelMode mode, std::optional<int> hovered)
{
    const QList<WheelAction>& list = actions(mode);
    if (hovered && *hovered >= 0 && *hovered < list.size())
        return {list[*hovered].symbol, L(list[*hovered].key)};
    return {modeSymbol(mode), title(mode)};
}

WheelLabels wheelLabels(const WheelGeometry& geometry, const QList<WheelAction>& actions)
{
    const LabelLayout layout = labelLayout(geometry, actions);
    WheelLabels labels{layout.textSize, {}};
    const QFont font = labelFont(layout.textSize);
    for (int i = 0; i < actions.size(); ++i)
        labels.textRects.append(labelTextRect(layout.centres.value(i, geometry.labelCentre(i)), L(actions[i].key), font));
    return labels;
}

QColor WheelVisual::colorOf(int i) const
{
    if (wedgeColors.isEmpty())
        return wedgeHighlightColors().first();
    return wedgeColors[i % wedgeColors.size()];
}

WheelVisual settledVisual(WheelMode mode, std::optional<int> hovered, const QList<QColor>& wedgeColors)
{
    WheelVisual visual;
    visual.actions = actions(mode);
    visual.wedgeColors = wedgeColors;
    for (int i = 0; i < visual.actions.size(); ++i)
        visual.highlight.append(hovered && *hovered == i ? 1.0 : 0.0);
    visual.centre = centreContent(mode, hovered);
    visual.previousCentre = visual.centre;
    visual.centreHighlight = hovered && *hovered >= 0 && *hovered < visual.actions.size() ? 1.0 : 0.0;
    return visual;
}

void paintWheel(QPainter& painter, const WheelGeometry& g, const WheelVisual& visual, const WheelPalette& palette)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF c = g.centre();

    // Outer ring, its 1 px line inside the ring's diameter.
    const double ring = g.outerRingDiameter() / 2 - 0.5;
    painter.setPen(QPen(palette.hairline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(c, ring, ring);

    // Wedges at rest first, so a growing wedge is never cut by a neighbour's outline.
    const int n = visual.actions.size();
    QList<int> order;
    for (int i = 0; i < n; ++i)
        if (visual.highlightOf(i) <= 0.001)
            order.append(i);
    for (int i = 0; i < n; ++i)
        if (visual.highlightOf(i) > 0.001)
            order.append(i);
    const WheelGeometry wedgeGeometry{g.size, g.innerRatio, std::max(n, 1)};
    for (int i : order) {
        const double h = visual.highlightOf(i);
        painter.save();
        scaleAbout(painter, c, 1 + (kHighlightScale - 1) * h);
        painter.setPen(QPen(palette.canvas, 1.5));
        painter.setBrush(mix(palette.wedgeFill, visual.colorOf(i), h));
        painter.drawPath(wedgeGeometry.wedgePath(i));
        painter.restore();
    }
    const LabelLayout labels = labelLayout(wedgeGeometry, visual.actions);
    for (int i : order)
        paintLabel(painter, wedgeGeometry, i, visual.actions[i], visual.highlightOf(i), palette, labels.textSize,
                   labels.centres.value(i, wedgeGeometry.labelCentre(i)));

    // Centre disc with its border drawn inside the disc.
    const double disc = g.centreDiscDiameter() / 2;
    const double border = 1 + 0.5 * visual.centreHighlight;
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.cardFill);
    painter.drawEllipse(c, disc, disc);
    painter.setPen(QPen(mix(palette.hairline, palette.ember, visual.centreHighlight), border));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(c, disc - border / 2, disc - border / 2);
    if (visual.centreBlend < 1)
        paintCentreContent(painter, g, visual.previousCentre, 1 - visual.centreBlend, palette);
    paintCentreContent(painter, g, visual.centre, visual.centreBlend, palette);
    painter.restore();
}

} // namespace kelvaro::wheel
