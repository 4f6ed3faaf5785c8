#include "ui/wheel/WheelPainter.h"

#include <QFontMetricsF>
#include <QPainter>

#include "engine/Localization.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

namespace {

constexpr double kLabelSymbolFrame = 34;
constexpr double kLabelSymbolSide = 20;
constexpr double kLabelSpacing = 5;
constexpr double kCentreSymbolSide = 24;
constexpr double kCentreSpacing = 4;

QFont labelFont() { return wheelFont(TextSize::caption, QFont::Medium); }
QFont centreFont() { return wheelFont(TextSize::footnote, QFont::DemiBold); }

void scaleAbout(QPainter& painter, QPointF centre, double scale)
{
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
}

void paintLabel(QPainter& painter, const WheelGeometry& g, int i, const WheelAction& action, double h,
                const WheelPalette& palette)
{
    const QColor color = mix(palette.primary, Qt::white, h);
    const QFont font = labelFont();
    const QFontMetricsF metrics(font);
    const QString text = L(action.key);
    const double textHeight = metrics.height();
    const double total = kLabelSymbolFrame + kLabelSpacing + textHeight;
    const QPointF c = g.labelCentre(i);

    painter.save();
    scaleAbout(painter, g.centre(), 1 + (kHighlightScale - 1) * h);
    const double top = c.y() - total / 2;
    const QRectF symbolFrame(c.x() - kLabelSymbolFrame / 2, top, kLabelSymbolFrame, kLabelSymbolFrame);
    const QRectF symbolRect(symbolFrame.center() - QPointF(kLabelSymbolSide / 2, kLabelSymbolSide / 2),
                            QSizeF(kLabelSymbolSide, kLabelSymbolSide));
    drawSymbol(painter, action.symbol, symbolRect, color);
    const double textWidth = metrics.horizontalAdvance(text) + 2;
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(c.x() - textWidth / 2, top + kLabelSymbolFrame + kLabelSpacing, textWidth, textHeight),
                     Qt::AlignCenter, text);
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
    for (int i : order)
        paintLabel(painter, wedgeGeometry, i, visual.actions[i], visual.highlightOf(i), palette);

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
