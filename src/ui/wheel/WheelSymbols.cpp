#include "ui/wheel/WheelSymbols.h"

#include "ui/design/Symbols.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace kelvaro::wheel {

namespace {

struct Drawing {
    QString body;    // SVG content in a 24 × 24 box; "C" stands for the colour
    QString cut;     // optional glyph cut out of (or drawn over) the body
};

// Stroke defaults for every drawing; filled parts say so themselves.
const char* kHead = "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 24 24' width='24' height='24'>"
                    "<g fill='none' stroke='C' stroke-width='1.8' stroke-linecap='round' stroke-linejoin='round'>";
const char* kTail = "</g></svg>";

const QHash<QString, Drawing>& drawings()
{
    static const QHash<QString, Drawing> table = {
        // convert mode
        {"photo", {"<rect x='3' y='5' width='18' height='14' rx='2.5'/><circle cx='8.5' cy='9.5' r='1.5'/>"
                   "<path d='M3.5 17.5l5.5-5.5 4.5 4.5 3-3 4 4'/>", {}}},
        {"square.on.square", {"<rect x='8' y='8' width='13' height='13' rx='2.5'/>"
                              "<path d='M16 8V5.5A2.5 2.5 0 0 0 13.5 3h-8A2.5 2.5 0 0 0 3 5.5v8A2.5 2.5 0 0 0 5.5 16H8'/>", {}}},
        {"camera.aperture", {"<circle cx='12' cy='12' r='9'/>"
                             "<path d='M12 8L20.9 13.2M15.5 10L15.5 20.3M15.5 14L6.5 19.2M12 16L3.1 10.8M8.5 14L8.5 3.7M8.5 10L17.5 4.8'/>", {}}},
        {"photo.artframe", {"<rect x='3' y='3' width='18' height='18' rx='2'/><rect x='6.5' y='6.5' width='11' height='11' rx='1'/>"
                            "<path d='M6.5 15.5l3.5-3.5 2.5 2.5 1.5-1.5 3.5 3.5'/>", {}}},
        {"doc.richtext", {"<path d='M14 3H7a2 2 0 0 0-2 2v14a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V8z'/><path d='M14 3v5h5'/>"
                          "<path d='M8.5 12.5h7M8.5 15.5h7M8.5 18h4'/>", {}}},
        {"doc.zipper", {"<path d='M14 3H7a2 2 0 0 0-2 2v14a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V8z'/><path d='M14 3v5h5'/>"
                        "<path d='M11 5h1.5M10 7.5h1.5M11 10h1.5M10 12.5h1.5'/><rect x='9.5' y='15' width='3.5' height='3.5' rx='0.8'/>", {}}},
        // tools mode
        {"crop", {"<path d='M6.5 2.5v13a2 2 0 0 0 2 2h13'/><path d='M17.5 21.5v-13a2 2 0 0 0-2-2h-13'/>", {}}},
        {"arrow.up.left.and.arrow.down.right", {"<path d='M3.5 9.5v-6h6M3.5 3.5l7 7M20.5 14.5v6h-6M20.5 20.5l-7-7'/>", {}}},
        {"arrow.down.right.and.arrow.up.left", {"<path d='M4.5 10.5h6v-6M10.5 10.5l-7-7M19.5 13.5h-6v6M13.5 13.5l7 7'/>", {}}},
        {"person.crop.rectangle", {"<rect x='3' y='4' width='18' height='16' rx='2.5'/><circle cx='12' cy='10.5' r='3'/>"
                                   "<path d='M7 19.5c1-2.8 2.8-4.2 5-4.2s4 1.4 5 4.2'/>", {}}},
        {"slider.horizontal.3", {"<path d='M4 6h16M4 12h16M4 18h16'/>"
                                 "<circle cx='9' cy='6' r='2.2' fill='C'/><circle cx='15.5' cy='12' r='2.2' fill='C'/>"
                                 "<circle cx='7' cy='18' r='2.2' fill='C'/>", {}}},
        {"face.dashed", {"<circle cx='12' cy='12' r='9' stroke-dasharray='2.6 2.6'/>"
                         "<circle cx='9' cy='10' r='0.9' fill='C'/><circle cx='15' cy='10' r='0.9' fill='C'/>"
                         "<path d='M8.5 14.5c1 1.3 2.2 2 3.5 2s2.5-0.7 3.5-2'/>", {}}},
        {"text.viewfinder", {"<path d='M3 8V5.5A2.5 2.5 0 0 1 5.5 3H8M16 3h2.5A2.5 2.5 0 0 1 21 5.5V8M21 16v2.5a2.5 2.5 0 0 1-2.5 2.5H16M8 21H5.5A2.5 2.5 0 0 1 3 18.5V16'/>"
                             "<path d='M8 8.5h8M12 8.5v8'/>", {}}},
        {"doc.viewfinder", {"<path d='M3 8V5.5A2.5 2.5 0 0 1 5.5 3H8M16 3h2.5A2.5 2.5 0 0 1 21 5.5V8M21 16v2.5a2.5 2.5 0 0 1-2.5 2.5H16M8 21H5.5A2.5 2.5 0 0 1 3 18.5V16'/>"
                            "<path d='M13 7.5H9.5a1 1 0 0 0-1 1v7a1 1 0 0 0 1 1h5a1 1 0 0 0 1-1V10z'/>", {}}},
        {"signature", {"<path d='M3 16.5c1.8-3.5 3.3-9.5 5-9.5 1.6 0-0.6 9 1.4 9 1.5 0 2.4-4.5 3.9-4.5 1.3 0 0.8 3.5 2.2 3.5 1 0 1.7-1.5 2.8-1.5 0.8 0 1.2 0.6 2.2 0.6'/>"
                       "<path d='M3 20.5h18'/>", {}}},
        // actions mode
        {"tray.full", {"<path d='M3 13.5l2.3-7.2A2 2 0 0 1 7.2 5h9.6a2 2 0 0 1 1.9 1.3L21 13.5V18a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2z'/>"
                       "<path d='M3 13.5h5l1.5 2.5h5l1.5-2.5h5M8 8.5h8M7.2 11h9.6'/>", {}}},
        {"airplayaudio", {"<path d='M7.3 15.2a6.5 6.5 0 1 1 9.4 0'/><path d='M4.6 18a10 10 0 1 1 14.8 0'/>"
                          "<path d='M12 14.5l4 6H8z' fill='C'/>", {}}},
        {"folder", {"<path d='M3 7.5A2.5 2.5 0 0 1 5.5 5h3.6l2 2h7.4A2.5 2.5 0 0 1 21 9.5v8a2.5 2.5 0 0 1-2.5 2.5h-13A2.5 2.5 0 0 1 3 17.5z'/>", {}}},
        {"character.cursor.ibeam", {"<path d='M3 18.5l4.5-12.5 4.5 12.5M4.8 14h5.4'/><path d='M17.5 4v16M15.5 4h4M15.5 20h4'/>", {}}},
        {"eye.slash", {"<path d='M2.5 12s3.5-6.5 9.5-6.5 9.5 6.5 9.5 6.5-3.5 6.5-9.5 6.5S2.5 12 2.5 12z'/>"
                       "<circle cx='12' cy='12' r='3'/><path d='M4 3.5l16 17'/>", {}}},
        {"doc.on.clipboard", {"<rect x='5' y='4' width='14' height='17' rx='2.5'/><rect x='9' y='2.5' width='6' height='3.5' rx='1.2' fill='C'/>"
                              "<path d='M9 11h6M9 14h6M9 17h3.5'/>", {}}},
        // modes and the centre disc
        {"arrow.triangle.2.circlepath", {"<path d='M4 12a8 8 0 0 1 13.7-5.6M20 12a8 8 0 0 1-13.7 5.6'/>"
                                         "<path d='M18.5 2.8v4h-4M5.5 21.2v-4h4'/>", {}}},
        {"wand.and.stars", {"<path d='M4 20L14.5 9.5M12.8 7.8l3.4 3.4'/>"
                            "<path d='M18.5 2.5v4M16.5 4.5h4M8.5 3.5v3M7 5h3M19 13v3M17.5 14.5h3'/>", {}}},
        {"bolt.fill", {"<path d='M13.5 2L4.5 13.5h6.5L10 22l9-11.5h-6.5z' fill='C'/>", {}}},
        // status, prompt, results, compare
        {"cursorarrow.click.2", {"<path d='M10 10l10 3.7-4.4 1.5L13.7 20z' fill='C'/>"
                                 "<path d='M10 2.8v2.6M4.2 5.2l1.9 1.9M2.8 10h2.6M15.8 5.2l-1.9 1.9M4.2 14.8l1.9-1.9'/>", {}}},
        {"photo.stack", {"<rect x='3' y='8' width='15' height='13' rx='2.5'/><path d='M3.5 19l4.5-4.5 3.5 3.5 2-2 4 4'/>"
                         "<circle cx='8' cy='12' r='1.3'/><path d='M6.5 5H18a3 3 0 0 1 3 3v9.5'/>", {}}},
        {"plus", {"<path d='M12 5v14M5 12h14'/>", {}}},
        {"square.split.2x1", {"<rect x='3' y='5' width='18' height='14' rx='2.5'/><path d='M12 5v14'/>", {}}},
        {"arrow.right", {"<path d='M4 12h16M14 6l6 6-6 6'/>", {}}},
        {"square.stack.3d.up.fill", {"<path d='M12 3l9 4.5-9 4.5-9-4.5z' fill='C'/><path d='M3 12l9 4.5 9-4.5M3 16.5l9 4.5 9-4.5'/>", {}}},
        {"doc", {"<path d='M14 3H7a2 2 0 0 0-2 2v14a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V8z'/><path d='M14 3v5h5'/>", {}}},
        {"exclamationmark.triangle", {"<path d='M12 3.5L21.5 20h-19z'/><path d='M12 10v4.5M12 17.3v0.2'/>", {}}},
        // round filled symbols: the glyph is cut out of the disc
        {"arrow.down.circle.fill", {"<circle cx='12' cy='12' r='10' fill='C' stroke='none'/>", "<path d='M12 6.8v9.5M7.8 12.3l4.2 4.2 4.2-4.2' stroke-width='2.2'/>"}},
        {"plus.circle.fill", {"<circle cx='12' cy='12' r='10' fill='C' stroke='none'/>", "<path d='M12 7v10M7 12h10' stroke-width='2.2'/>"}},
        {"xmark.circle.fill", {"<circle cx='12' cy='12' r='10' fill='C' stroke='none'/>", "<path d='M8.5 8.5l7 7M15.5 8.5l-7 7' stroke-width='2.2'/>"}},
        {"arrow.left.and.right.circle.fill", {"<circle cx='12' cy='12' r='10' fill='C' stroke='none'/>",
                                              "<path d='M6.5 12h11M9.5 9l-3 3 3 3M14.5 9l3 3-3 3' stroke-width='2'/>"}},
    };
    return table;
}

QByteArray svgFor(const QString& content, const QColor& color)
{
    QString svg = QString::fromLatin1(kHead) + content + QString::fromLatin1(kTail);
    svg.replace(QStringLiteral("'C'"), QStringLiteral("'%1'").arg(color.name(QColor::HexRgb)));
    return svg.toUtf8();
}

void renderLayer(QPainter& painter, const QString& content, const QColor& color, const QRectF& rect)
{
    QSvgRenderer renderer(svgFor(content, color));
    painter.save();
    painter.setOpacity(painter.opacity() * color.alphaF());
    renderer.render(&painter, rect);
    painter.restore();
}

QRectF squareIn(const QRectF& rect)
{
    const qreal side = qMin(rect.width(), rect.height());
    return QRectF(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
}

} // namespace

bool hasSymbol(const QString& name)
{
    return drawings().contains(name);
}

void drawSymbol(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color,
                const QColor& secondary)
{
    const QRectF box = squareIn(rect);
    if (Symbols::contains(name)) {
        if (secondary.isValid() && name.endsWith(QLatin1String(".circle.fill"))) {
            // The glyph is cut out of the disc; a disc of the second colour behind shows through.
            painter.save();
            painter.setPen(Qt::NoPen);
            painter.setBrush(secondary);
            painter.drawEllipse(box.center(), box.width() * 0.36, box.width() * 0.36);
            painter.restore();
        }
        Symbols::paint(painter, box, name, color);
        return;
    }
    const auto it = drawings().constFind(name);
    if (it == drawings().constEnd()) {
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(box.center(), box.width() * 0.16, box.width() * 0.16);
        painter.restore();
        return;
    }
    if (it->cut.isEmpty()) {
        renderLayer(painter, it->body, color, box);
        return;
    }
    if (secondary.isValid()) {
        renderLayer(painter, it->body, color, box);
        renderLayer(painter, it->cut, secondary, box);
        return;
    }
    // Cut the glyph out of the disc in a layer of its own, so the card shows through.
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize px = (box.size() * dpr * 2).toSize().expandedTo(QSize(1, 1));
    QImage layer(px, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        const QRectF full(QPointF(0, 0), QSizeF(px));
        renderLayer(lp, it->body, QColor(color.red(), color.green(), color.blue()), full);
        lp.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        renderLayer(lp, it->cut, Qt::black, full);
    }
    painter.save();
    painter.setOpacity(painter.opacity() * color.alphaF());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(box, layer);
    painter.restore();
}

QPixmap symbolPixmap(const QString& name, int side, const QColor& color, const QColor& secondary, qreal dpr)
{
    QPixmap pixmap(QSize(side, side) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSymbol(painter, name, QRectF(0, 0, side, side), color, secondary);
    return pixmap;
}

} // namespace kelvaro::wheel
