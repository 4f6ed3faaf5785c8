#include "ui/design/Symbols.h"

#include <cmath>

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace kelvaro::Symbols {
namespace {

// One glyph: `body` is drawn first, `cut` is then punched out of it (details inside filled
// shapes), `over` is drawn last. "CUR" stands for the tint colour.
struct Glyph {
    QString body;
    QString cut;
    QString over;
};

QString num(double v)
{
    return QString::number(v, 'f', 2);
}

QString polygon(const QList<QPointF>& points, bool filled)
{
    QString d;
    for (int i = 0; i < points.size(); ++i)
        d += (i == 0 ? QStringLiteral("M") : QStringLiteral("L")) + num(points[i].x()) + QLatin1Char(' ') + num(points[i].y());
    d += QLatin1Char('z');
    return QStringLiteral("<path d=\"%1\"%2/>").arg(d, filled ? QStringLiteral(" fill=\"CUR\"") : QString());
}

QPointF polar(double cx, double cy, double r, double angle)
{
    return {cx + r * std::cos(angle), cy + r * std::sin(angle)};
}

// A four-pointed spark.
QString sparkle(double cx, double cy, double r)
{
    QList<QPointF> pts;
    for (int i = 0; i < 8; ++i)
        pts << polar(cx, cy, i % 2 == 0 ? r : r * 0.3, -M_PI / 2 + i * M_PI / 4);
    return polygon(pts, true).replace(QStringLiteral("/>"), QStringLiteral(" stroke-width=\"0.8\"/>"));
}

QString star(double cx, double cy, double outer, double inner, int points, bool filled)
{
    QList<QPointF> pts;
    for (int i = 0; i < points * 2; ++i)
        pts << polar(cx, cy, i % 2 == 0 ? outer : inner, -M_PI / 2 + i * M_PI / points);
    return polygon(pts, filled);
}

QString gear(double cx, double cy, double outer, double inner, int teeth)
{
    QList<QPointF> pts;
    const double w = M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        const double c = 2 * M_PI * i / teeth;
        pts << polar(cx, cy, inner, c - 0.62 * w) << polar(cx, cy, outer, c - 0.36 * w)
            << polar(cx, cy, outer, c + 0.36 * w) << polar(cx, cy, inner, c + 0.62 * w);
    }
    return polygon(pts, false);
}

QString aperture()
{
    QString s = QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"9\"/>");
    for (int k = 0; k < 6; ++k) {
        const QPointF a = polar(12, 12, 3.6, k * M_PI / 3);
        const QPointF b = polar(12, 12, 3.6, (k + 1) * M_PI / 3);
        const QPointF dir = (b - a) / std::hypot(b.x() - a.x(), b.y() - a.y());
        // Walk from a along the hexagon edge until the outer circle.
        double t = 0;
        while (std::hypot(a.x() + dir.x() * t - 12, a.y() + dir.y() * t - 12) < 9 && t < 20)
            t += 0.05;
        s += QStringLiteral("<path d=\"M%1 %2L%3 %4\"/>").arg(num(a.x()), num(a.y()), num(a.x() + dir.x() * t), num(a.y() + dir.y() * t));
    }
    return s;
}

QString rays(double cx, double cy, double from, double to, int count)
{
    QString s;
    for (int i = 0; i < count; ++i) {
        const QPointF a = polar(cx, cy, from, i * 2 * M_PI / count);
        const QPointF b = polar(cx, cy, to, i * 2 * M_PI / count);
        s += QStringLiteral("<path d=\"M%1 %2L%3 %4\"/>").arg(num(a.x()), num(a.y()), num(b.x()), num(b.y()));
    }
    return s;
}

const QString kCorners = QStringLiteral("<path d=\"M3.5 8V5.5a2 2 0 0 1 2-2H8M16 3.5h2.5a2 2 0 0 1 2 2V8M20.5 16v2.5a2 2 0 0 1-2 2H16M8 20.5H5.5a2 2 0 0 1-2-2V16\"/>");
const QString kDoc = QStringLiteral("<path d=\"M14 3H7a2 2 0 0 0-2 2v14a2 2 0 0 0 2 2h10a2 2 0 0 0 2-2V8z\"/><path d=\"M14 3v5h5\"/>");
const QString kFolder = QStringLiteral("M3 7a1.5 1.5 0 0 1 1.5-1.5h4.3l2 2.2h8.7A1.5 1.5 0 0 1 21 9.2V18a1.5 1.5 0 0 1-1.5 1.5h-15A1.5 1.5 0 0 1 3 18z");
const QString kShield = QStringLiteral("M12 2.8 19.5 6v5.2c0 4.6-3.1 8.3-7.5 10-4.4-1.7-7.5-5.4-7.5-10V6z");
const QString kEye = QStringLiteral("M2.5 12C4.5 8 8 5.5 12 5.5S19.5 8 21.5 12C19.5 16 16 18.5 12 18.5S4.5 16 2.5 12z");
const QString kCircle = QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"9.5\" fill=\"CUR\"/>");
const QString kHand = QStringLiteral("M8 13V6.5a1.5 1.5 0 0 1 3 0V12V4.8a1.5 1.5 0 0 1 3 0V12V6.3a1.5 1.5 0 0 1 3 0V14c0 4.2-2.4 7-6 7-2.6 0-4.1-1.3-5.4-3.4l-2.1-3.5a1.5 1.5 0 0 1 2.5-1.6z");
const QString kPhotoLandscape = QStringLiteral("<circle cx=\"8.5\" cy=\"9.5\" r=\"1.6\"/>");

QString filledPath(const QString& d)
{
    return QStringLiteral("<path d=\"%1\" fill=\"CUR\"/>").arg(d);
}

QString digit(int n)
{
    switch (n) {
    case 1: return QStringLiteral("<path d=\"M10.3 9 12.6 7.3V17\" stroke-width=\"2.1\"/>");
    case 2: return QStringLiteral("<path d=\"M9.3 9.8a2.8 2.8 0 0 1 5.4.6c0 2-5.3 4.6-5.3 6.6h5.6\" stroke-width=\"2.1\"/>");
    default: return QStringLiteral("<path d=\"M9.4 7.5h5.2l-2.9 3.4a2.9 2.9 0 1 1-2.5 4.6\" stroke-width=\"2.1\"/>");
    }
}

const QHash<QString, Glyph>& table()
{
    static const QHash<QString, Glyph> glyphs = [] {
        QHash<QString, Glyph> t;
        const QString bigCircle = QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"9\"/>");
        // Sections and window chrome.
        t[QStringLiteral("house")] = {QStringLiteral("<path d=\"M3.5 11 12 4l8.5 7\"/><path d=\"M5.5 9.5V20h4.5v-5.5h4V20h4.5V9.5\"/>"), {}, {}};
        t[QStringLiteral("house.fill")] = {filledPath(QStringLiteral("M12 3.5 3 11h2.5v9.5h5v-6h3v6h5V11H21z")), {}, {}};
        t[QStringLiteral("wand.and.stars")] = {QStringLiteral("<path d=\"M3.5 20.5 13.5 10.5\"/><path d=\"M13.5 10.5l2.6-2.6\" stroke-width=\"3.4\"/>")
                                                   + sparkle(18.5, 4.5, 2.8) + sparkle(20.5, 12, 1.9) + sparkle(10, 4, 1.9), {}, {}};
        t[QStringLiteral("eye")] = {QStringLiteral("<path d=\"%1\"/><circle cx=\"12\" cy=\"12\" r=\"3.2\"/>").arg(kEye), {}, {}};
        t[QStringLiteral("eye.fill")] = {filledPath(kEye), QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"3.8\" stroke-width=\"1.6\"/>"), {}};
        t[QStringLiteral("eye.slash")] = {QStringLiteral("<path d=\"%1\"/><circle cx=\"12\" cy=\"12\" r=\"3.2\"/>").arg(kEye),
                                          QStringLiteral("<path d=\"M5.6 2.6l16 16\" stroke-width=\"2.2\"/>"), QStringLiteral("<path d=\"M4 4l16 16\"/>")};
        t[QStringLiteral("tray.2")] = {QStringLiteral("<path d=\"M3.5 14.5h5l1.5 2h4l1.5-2h5\"/><path d=\"M3.5 14.5l2.2-5.5h12.6l2.2 5.5V19a1 1 0 0 1-1 1h-15a1 1 0 0 1-1-1z\"/><path d=\"M7 5.5h10\"/>"), {}, {}};
        t[QStringLiteral("tray.full")] = {QStringLiteral("<path d=\"M3.5 13.5h5l1.5 2h4l1.5-2h5V19a1 1 0 0 1-1 1h-15a1 1 0 0 1-1-1z\"/><path d=\"M6 10.5h12M7.5 7.5h9M9 4.5h6\"/>"), {}, {}};
        t[QStringLiteral("clock.arrow.circlepath")] = {QStringLiteral("<path d=\"M4.2 13.5A8 8 0 1 0 6.3 6.3\"/><path d=\"M6.6 2.6v3.9H2.7\"/><path d=\"M12 8v4.3l2.9 1.8\"/>"), {}, {}};
        t[QStringLiteral("questionmark.circle")] = {bigCircle + QStringLiteral("<path d=\"M9.6 9.4a2.5 2.5 0 1 1 3.6 2.3c-.8.4-1.2 1-1.2 1.8v.3\"/><circle cx=\"12\" cy=\"16.8\" r=\"1.05\" fill=\"CUR\" stroke=\"none\"/>"), {}, {}};
        t[QStringLiteral("info.circle")] = {bigCircle + QStringLiteral("<path d=\"M12 11v5.5\"/><circle cx=\"12\" cy=\"7.9\" r=\"1.05\" fill=\"CUR\" stroke=\"none\"/>"), {}, {}};
        t[QStringLiteral("gearshape")] = {gear(12, 12, 9.6, 7.2, 8) + QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"3\"/>"), {}, {}};
        t[QStringLiteral("gearshape.fill")] = {gear(12, 12, 9.6, 7.2, 8).replace(QStringLiteral("/>"), QStringLiteral(" fill=\"CUR\"/>")),
                                               QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"3\" fill=\"CUR\"/>"), {}};
        t[QStringLiteral("lock.shield")] = {QStringLiteral("<path d=\"%1\"/><rect x=\"9\" y=\"11\" width=\"6\" height=\"4.8\" rx=\"1\"/><path d=\"M10.3 11V9.6a1.7 1.7 0 0 1 3.4 0V11\"/>").arg(kShield), {}, {}};
        t[QStringLiteral("lock.shield.fill")] = {filledPath(kShield), QStringLiteral("<rect x=\"9\" y=\"11\" width=\"6\" height=\"4.8\" rx=\"1\" fill=\"CUR\"/><path d=\"M10.3 11V9.6a1.7 1.7 0 0 1 3.4 0V11\"/>"), {}};
        t[QStringLiteral("checkmark.shield.fill")] = {filledPath(kShield), QStringLiteral("<path d=\"M8.5 12l2.5 2.5 4.5-5\" stroke-width=\"2.1\"/>"), {}};
        t[QStringLiteral("camera.viewfinder")] = {kCorners + QStringLiteral("<path d=\"M7.5 10a1 1 0 0 1 1-1h1.3l1-1.4h2.4l1 1.4h1.3a1 1 0 0 1 1 1v5a1 1 0 0 1-1 1h-7a1 1 0 0 1-1-1z\"/><circle cx=\"12\" cy=\"12.4\" r=\"1.6\"/>"), {}, {}};
        t[QStringLiteral("menubar.rectangle")] = {QStringLiteral("<rect x=\"2.5\" y=\"4\" width=\"19\" height=\"16\" rx=\"2.5\"/><path d=\"M2.5 8.5h19\"/><path d=\"M14.5 6.3h4.5\" stroke-width=\"1.3\"/>"), {}, {}};
        t[QStringLiteral("dock.rectangle")] = {QStringLiteral("<rect x=\"2.5\" y=\"4\" width=\"19\" height=\"16\" rx=\"2.5\"/><rect x=\"6.5\" y=\"15\" width=\"11\" height=\"2.2\" rx=\"1.1\" fill=\"CUR\" stroke=\"none\"/>"), {}, {}};
        t[QStringLiteral("macwindow")] = {QStringLiteral("<rect x=\"2.5\" y=\"4\" width=\"19\" height=\"16\" rx=\"2.5\"/><path d=\"M2.5 8.5h19\"/><circle cx=\"5.4\" cy=\"6.3\" r=\".7\" fill=\"CUR\"/><circle cx=\"7.7\" cy=\"6.3\" r=\".7\" fill=\"CUR\"/>"), {}, {}};
        // The file manager: a window with a folder in it.
        t[QStringLiteral("folder.window")] = {QStringLiteral("<rect x=\"2.5\" y=\"4\" width=\"19\" height=\"16\" rx=\"2.5\"/><path d=\"M2.5 8.5h19\"/>"
                                                             "<path d=\"M7 17.5v-5a.8.8 0 0 1 .8-.8h2.4l1.1 1.2h4.9a.8.8 0 0 1 .8.8v3.8a.8.8 0 0 1-.8.8H7.8a.8.8 0 0 1-.8-.8z\"/>"), {}, {}};
        // Files and pictures.
        t[QStringLiteral("photo")] = {QStringLiteral("<rect x=\"3\" y=\"4.5\" width=\"18\" height=\"15\" rx=\"2.5\"/>") + kPhotoLandscape + QStringLiteral("<path d=\"M3.5 17.5l5-4.5 3.5 3 3.5-3.5 5 4.5\"/>"), {}, {}};
        t[QStringLiteral("photo.badge.plus")] = {QStringLiteral("<path d=\"M12.5 19.5h-7A2.5 2.5 0 0 1 3 17V7a2.5 2.5 0 0 1 2.5-2.5h13A2.5 2.5 0 0 1 21 7v5\"/>") + kPhotoLandscape + QStringLiteral("<path d=\"M3.5 16.5l5-4.5 3.5 3\"/><path d=\"M18.5 14.5v6M15.5 17.5h6\"/>"), {}, {}};
        t[QStringLiteral("photo.badge.checkmark")] = {QStringLiteral("<path d=\"M12.5 19.5h-7A2.5 2.5 0 0 1 3 17V7a2.5 2.5 0 0 1 2.5-2.5h13A2.5 2.5 0 0 1 21 7v5\"/>") + kPhotoLandscape + QStringLiteral("<path d=\"M3.5 16.5l5-4.5 3.5 3\"/><path d=\"M15 17.5l2.2 2.2 4-4.4\"/>"), {}, {}};
        t[QStringLiteral("photo.stack")] = {QStringLiteral("<rect x=\"3\" y=\"7.5\" width=\"15\" height=\"12.5\" rx=\"2.2\"/><path d=\"M6.5 4.2h12A2.5 2.5 0 0 1 21 6.7v9.8\"/><path d=\"M3.5 17.5l4-3.5 3 2.5 3-3 4.5 4\"/>"), {}, {}};
        t[QStringLiteral("photo.on.rectangle.angled")] = {QStringLiteral("<rect x=\"3\" y=\"7.5\" width=\"14\" height=\"12.5\" rx=\"2\"/><path d=\"M7 5.2l10.7-2a2 2 0 0 1 2.3 1.6l1.8 9.6a2 2 0 0 1-1.5 2.3\"/><path d=\"M3.5 17.5l3.5-3 3 2.5 2.5-2.5 4 3.5\"/>"), {}, {}};
        t[QStringLiteral("photo.artframe")] = {QStringLiteral("<rect x=\"2.5\" y=\"3.5\" width=\"19\" height=\"17\" rx=\"1.5\"/><rect x=\"6\" y=\"7\" width=\"12\" height=\"10\" rx=\".5\"/><path d=\"M6.5 15l3-3 2.5 2 2-2 3.5 3\"/>"), {}, {}};
        t[QStringLiteral("square.on.square")] = {QStringLiteral("<rect x=\"8\" y=\"8\" width=\"12.5\" height=\"12.5\" rx=\"2.5\"/><path d=\"M16 5.5v-.3a1.7 1.7 0 0 0-1.7-1.7H5.2a1.7 1.7 0 0 0-1.7 1.7v9.1A1.7 1.7 0 0 0 5.2 16h.3\"/>"), {}, {}};
        t[QStringLiteral("rectangle.on.rectangle")] = {QStringLiteral("<rect x=\"6.5\" y=\"8.5\" width=\"15\" height=\"10.5\" rx=\"2\"/><path d=\"M3 14.5V7a2 2 0 0 1 2-2h12\"/>"), {}, {}};
        t[QStringLiteral("camera.aperture")] = {aperture(), {}, {}};
        t[QStringLiteral("doc")] = {kDoc, {}, {}};
        t[QStringLiteral("doc.richtext")] = {kDoc + QStringLiteral("<path d=\"M8.5 17h7\"/><rect x=\"8.5\" y=\"10.5\" width=\"4\" height=\"3.5\" rx=\".6\"/><path d=\"M14.8 11h.7M14.8 13.5h.7\"/>"), {}, {}};
        t[QStringLiteral("doc.zipper")] = {kDoc + QStringLiteral("<path d=\"M11 4.5v1.3h1.8v1.5H11v1.5h1.8v1.5H11\"/><rect x=\"10\" y=\"12\" width=\"4\" height=\"4.5\" rx=\"1\"/>"), {}, {}};
        t[QStringLiteral("doc.viewfinder")] = {kCorners + QStringLiteral("<path d=\"M9 7h4l2.5 2.5V17H9z\"/><path d=\"M11 12h2.5M11 14.5h2.5\"/>"), {}, {}};
        t[QStringLiteral("text.viewfinder")] = {kCorners + QStringLiteral("<path d=\"M8 9h8M8 12h8M8 15h5\"/>"), {}, {}};
        t[QStringLiteral("doc.on.clipboard")] = {QStringLiteral("<rect x=\"5\" y=\"4.5\" width=\"14\" height=\"17\" rx=\"2\"/><rect x=\"8.5\" y=\"2.8\" width=\"7\" height=\"3.4\" rx=\"1.2\" fill=\"CUR\"/><path d=\"M8.5 11h7M8.5 14.5h7M8.5 18h4\"/>"), {}, {}};
        t[QStringLiteral("folder")] = {QStringLiteral("<path d=\"%1\"/><path d=\"M3 10h18\"/>").arg(kFolder), {}, {}};
        t[QStringLiteral("folder.fill")] = {filledPath(kFolder), {}, {}};
        t[QStringLiteral("folder.badge.gearshape")] = {QStringLiteral("<path d=\"M12 19.5H4.5A1.5 1.5 0 0 1 3 18V7a1.5 1.5 0 0 1 1.5-1.5h4.3l2 2.2h8.7A1.5 1.5 0 0 1 21 9.2V11\"/>")
                                                           + gear(17.5, 17, 4.4, 3.2, 7) + QStringLiteral("<circle cx=\"17.5\" cy=\"17\" r=\"1.2\"/>"), {}, {}};
        // Tools of the wheel.
        t[QStringLiteral("crop")] = {QStringLiteral("<path d=\"M7 3v13.5a.5.5 0 0 0 .5.5H21\"/><path d=\"M3 7h13.5a.5.5 0 0 1 .5.5V21\"/>"), {}, {}};
        t[QStringLiteral("arrow.up.left.and.arrow.down.right")] = {QStringLiteral("<path d=\"M4.5 10V4.5H10M4.5 4.5l6 6M19.5 14v5.5H14M19.5 19.5l-6-6\"/>"), {}, {}};
        t[QStringLiteral("arrow.down.right.and.arrow.up.left")] = {QStringLiteral("<path d=\"M10.5 4.5v6h-6M10.5 10.5 4 4M13.5 19.5v-6h6M13.5 13.5 20 20\"/>"), {}, {}};
        t[QStringLiteral("person.crop.rectangle")] = {QStringLiteral("<rect x=\"3\" y=\"4.5\" width=\"18\" height=\"15\" rx=\"2.5\"/><circle cx=\"12\" cy=\"10.2\" r=\"2.8\"/><path d=\"M6.8 19c.8-2.6 2.8-4 5.2-4s4.4 1.4 5.2 4\"/>"), {}, {}};
        t[QStringLiteral("slider.horizontal.3")] = {QStringLiteral("<path d=\"M4 6.5h16M4 12h16M4 17.5h16\"/><circle cx=\"9\" cy=\"6.5\" r=\"2.2\" fill=\"CUR\"/><circle cx=\"15.5\" cy=\"12\" r=\"2.2\" fill=\"CUR\"/><circle cx=\"7\" cy=\"17.5\" r=\"2.2\" fill=\"CUR\"/>"), {}, {}};
        t[QStringLiteral("face.dashed")] = {QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"9\" stroke-dasharray=\"2.6 2.6\"/><path d=\"M9.2 10v.8M14.8 10v.8\"/><path d=\"M8.8 14.5c1.8 1.8 4.6 1.8 6.4 0\"/>"), {}, {}};
        t[QStringLiteral("signature")] = {QStringLiteral("<path d=\"M3 20h18\"/><path d=\"M4 15.5c2-3.5 3.5-9.5 2-10s-2.5 6-.8 8.5c1.5 2 3.2-2.5 4.3-2 1 .5.3 3 1.5 3.2 1.3.2 2.2-2.6 3.5-2.4 1.2.2.8 2 2.2 2.2 1 .1 1.8-.6 2.3-1.2\"/>"), {}, {}};
        t[QStringLiteral("airplayaudio")] = {QStringLiteral("<path d=\"M7.2 16.3a6.8 6.8 0 1 1 9.6 0\"/><path d=\"M9.6 13.8a3.4 3.4 0 1 1 4.8 0\"/><path d=\"M12 15l-3.6 5.5h7.2z\" fill=\"CUR\"/>"), {}, {}};
        t[QStringLiteral("character.cursor.ibeam")] = {QStringLiteral("<path d=\"M3 18l4.5-12L12 18M4.7 13.5h5.6\"/><path d=\"M18 5.5v13M15.8 4.5c1.2 0 2.2.5 2.2 1.5 0-1 1-1.5 2.2-1.5M15.8 19.5c1.2 0 2.2-.5 2.2-1.5 0 1 1 1.5 2.2 1.5\"/>"), {}, {}};
        t[QStringLiteral("textformat")] = {QStringLiteral("<path d=\"M2.5 18l4.5-12 4.5 12M4.2 13.5h5.6\"/><circle cx=\"17\" cy=\"15\" r=\"3\"/><path d=\"M20 11.5V18\"/>"), {}, {}};
        t[QStringLiteral("bolt.fill")] = {filledPath(QStringLiteral("M13.5 2.5 5 13.5h6l-1.5 8 8.5-11h-6z")), {}, {}};
        t[QStringLiteral("bolt")] = {QStringLiteral("<path d=\"M13.5 2.5 5 13.5h6l-1.5 8 8.5-11h-6z\"/>"), {}, {}};
        t[QStringLiteral("arrow.triangle.2.circlepath")] = {QStringLiteral("<path d=\"M4.8 10.5a7.3 7.3 0 0 1 13.5-2.8\"/><path d=\"M19.5 4v4.3h-4.3\"/><path d=\"M19.2 13.5a7.3 7.3 0 0 1-13.5 2.8\"/><path d=\"M4.5 20v-4.3h4.3\"/>"), {}, {}};
        t[QStringLiteral("rotate.right")] = {QStringLiteral("<rect x=\"3.5\" y=\"10.5\" width=\"10.5\" height=\"10\" rx=\"1.5\"/><path d=\"M8.5 6h6.2a4.3 4.3 0 0 1 4.3 4.3v3.2\"/><path d=\"M16.5 11l2.5 2.5 2.5-2.5\"/>"), {}, {}};
        t[QStringLiteral("rotate.left")] = {QStringLiteral("<rect x=\"10\" y=\"10.5\" width=\"10.5\" height=\"10\" rx=\"1.5\"/><path d=\"M15.5 6H9.3A4.3 4.3 0 0 0 5 10.3v3.2\"/><path d=\"M2.5 11 5 13.5 7.5 11\"/>"), {}, {}};
        t[QStringLiteral("arrow.left.and.right.righttriangle.left.righttriangle.right")] = {QStringLiteral("<path d=\"M10 5v14H3.5z\"/><path d=\"M14 5v14h6.5z\" fill=\"CUR\"/><path d=\"M12 2.5v1.5M12 7v2M12 12v2M12 17v2M12 21.5v.1\"/>"), {}, {}};
        t[QStringLiteral("arrow.up.and.down.righttriangle.up.righttriangle.down")] = {QStringLiteral("<path d=\"M5 10h14L5 3.5z\"/><path d=\"M5 14h14L5 20.5z\" fill=\"CUR\"/><path d=\"M2.5 12h1.5M7 12h2M12 12h2M17 12h2M21.5 12h.1\"/>"), {}, {}};
        t[QStringLiteral("square.split.2x1")] = {QStringLiteral("<rect x=\"3\" y=\"4.5\" width=\"18\" height=\"15\" rx=\"2.5\"/><path d=\"M12 4.5v15\"/>"), {}, {}};
        t[QStringLiteral("square.stack.3d.up.fill")] = {filledPath(QStringLiteral("M12 3 21 7.5 12 12 3 7.5z")) + QStringLiteral("<path d=\"M3 12l9 4.5 9-4.5M3 16.5 12 21l9-4.5\"/>"), {}, {}};
        // Marks and small controls.
        t[QStringLiteral("plus")] = {QStringLiteral("<path d=\"M12 5v14M5 12h14\"/>"), {}, {}};
        t[QStringLiteral("xmark")] = {QStringLiteral("<path d=\"M6 6l12 12M18 6 6 18\"/>"), {}, {}};
        t[QStringLiteral("checkmark")] = {QStringLiteral("<path d=\"M4.5 12.5l5 5 10-11\"/>"), {}, {}};
        t[QStringLiteral("chevron.up")] = {QStringLiteral("<path d=\"M6 15l6-6 6 6\"/>"), {}, {}};
        t[QStringLiteral("chevron.down")] = {QStringLiteral("<path d=\"M6 9l6 6 6-6\"/>"), {}, {}};
        t[QStringLiteral("chevron.right")] = {QStringLiteral("<path d=\"M9 6l6 6-6 6\"/>"), {}, {}};
        t[QStringLiteral("arrow.right")] = {QStringLiteral("<path d=\"M4.5 12h15M13.5 6l6 6-6 6\"/>"), {}, {}};
        t[QStringLiteral("arrow.uturn.backward")] = {QStringLiteral("<path d=\"M9 14.5 4.5 10 9 5.5\"/><path d=\"M4.5 10H14a5.5 5.5 0 0 1 0 11h-3.5\"/>"), {}, {}};
        t[QStringLiteral("arrow.up.forward.app")] = {QStringLiteral("<path d=\"M20 13.5V18a2.5 2.5 0 0 1-2.5 2.5h-11A2.5 2.5 0 0 1 4 18V7a2.5 2.5 0 0 1 2.5-2.5H11\"/><path d=\"M14 3.5h6.5V10M20.5 3.5l-9 9\"/>"), {}, {}};
        t[QStringLiteral("arrow.right.square")] = {QStringLiteral("<rect x=\"3.5\" y=\"3.5\" width=\"17\" height=\"17\" rx=\"3\"/><path d=\"M8 12h8M12.5 8.5 16 12l-3.5 3.5\"/>"), {}, {}};
        t[QStringLiteral("trash")] = {QStringLiteral("<path d=\"M4 6.5h16M9.5 6.5v-2h5v2M6 6.5l1 13a1.5 1.5 0 0 0 1.5 1.5h7a1.5 1.5 0 0 0 1.5-1.5l1-13M10 10.5v6.5M14 10.5v6.5\"/>"), {}, {}};
        t[QStringLiteral("magnifyingglass")] = {QStringLiteral("<circle cx=\"10.5\" cy=\"10.5\" r=\"6.5\"/><path d=\"M15.5 15.5l5 5\"/>"), {}, {}};
        t[QStringLiteral("ellipsis")] = {QStringLiteral("<circle cx=\"6\" cy=\"12\" r=\"1.5\" fill=\"CUR\"/><circle cx=\"12\" cy=\"12\" r=\"1.5\" fill=\"CUR\"/><circle cx=\"18\" cy=\"12\" r=\"1.5\" fill=\"CUR\"/>"), {}, {}};
        t[QStringLiteral("ellipsis.circle")] = {bigCircle + QStringLiteral("<circle cx=\"7.8\" cy=\"12\" r=\"1.1\" fill=\"CUR\" stroke=\"none\"/><circle cx=\"12\" cy=\"12\" r=\"1.1\" fill=\"CUR\" stroke=\"none\"/><circle cx=\"16.2\" cy=\"12\" r=\"1.1\" fill=\"CUR\" stroke=\"none\"/>"), {}, {}};
        t[QStringLiteral("circle")] = {bigCircle, {}, {}};
        t[QStringLiteral("circle.fill")] = {kCircle, {}, {}};
        t[QStringLiteral("checkmark.circle.fill")] = {kCircle, QStringLiteral("<path d=\"M7.6 12.4l3 3 5.8-6.3\" stroke-width=\"2.2\"/>"), {}};
        t[QStringLiteral("xmark.circle.fill")] = {kCircle, QStringLiteral("<path d=\"M8.8 8.8l6.4 6.4M15.2 8.8l-6.4 6.4\" stroke-width=\"2.1\"/>"), {}};
        t[QStringLiteral("plus.circle.fill")] = {kCircle, QStringLiteral("<path d=\"M12 7.5v9M7.5 12h9\" stroke-width=\"2.1\"/>"), {}};
        t[QStringLiteral("arrow.down.circle.fill")] = {kCircle, QStringLiteral("<path d=\"M12 7v9.5M8 12.8l4 4 4-4\" stroke-width=\"2.1\"/>"), {}};
        t[QStringLiteral("arrow.left.and.right.circle.fill")] = {kCircle, QStringLiteral("<path d=\"M6.5 12h11M9 9.5 6.5 12 9 14.5M15 9.5l2.5 2.5-2.5 2.5\" stroke-width=\"1.9\"/>"), {}};
        t[QStringLiteral("exclamationmark.circle.fill")] = {kCircle, QStringLiteral("<path d=\"M12 7v6.3\" stroke-width=\"2.3\"/><circle cx=\"12\" cy=\"16.6\" r=\"1.3\" fill=\"CUR\" stroke=\"none\"/>"), {}};
        t[QStringLiteral("exclamationmark.triangle.fill")] = {filledPath(QStringLiteral("M10.3 4.3a2 2 0 0 1 3.4 0l7.6 13.3a2 2 0 0 1-1.7 3H4.4a2 2 0 0 1-1.7-3z")),
                                                               QStringLiteral("<path d=\"M12 9v5\" stroke-width=\"2.2\"/><circle cx=\"12\" cy=\"17.2\" r=\"1.2\" fill=\"CUR\" stroke=\"none\"/>"), {}};
        t[QStringLiteral("1.circle.fill")] = {kCircle, digit(1), {}};
        t[QStringLiteral("2.circle.fill")] = {kCircle, digit(2), {}};
        t[QStringLiteral("3.circle.fill")] = {kCircle, digit(3), {}};
        t[QStringLiteral("play.fill")] = {filledPath(QStringLiteral("M7.5 4.5v15l12-7.5z")), {}, {}};
        t[QStringLiteral("play.rectangle.fill")] = {QStringLiteral("<rect x=\"2.5\" y=\"4.5\" width=\"19\" height=\"15\" rx=\"3.5\" fill=\"CUR\"/>"), filledPath(QStringLiteral("M10 8.8v6.4l5.2-3.2z")), {}};
        t[QStringLiteral("sparkles")] = {sparkle(10, 13, 7) + sparkle(18.3, 5.3, 3.3) + sparkle(18.8, 17.5, 2.4), {}, {}};
        t[QStringLiteral("star.fill")] = {star(12, 12.6, 9.6, 4.2, 5, true), {}, {}};
        t[QStringLiteral("sun.max.fill")] = {QStringLiteral("<circle cx=\"12\" cy=\"12\" r=\"4.2\" fill=\"CUR\"/>") + rays(12, 12, 7, 9.8, 8), {}, {}};
        // People, hands and everyday things (workflow and shelf symbols).
        t[QStringLiteral("person.crop.circle.badge.xmark")] = {QStringLiteral("<path d=\"M20.5 11.5A8.5 8.5 0 1 0 11.5 20.5\"/><circle cx=\"12\" cy=\"9.5\" r=\"3\"/><path d=\"M6.2 17.3c1.3-1.9 3.3-2.8 5.8-2.8\"/><path d=\"M16 16l5 5M21 16l-5 5\"/>"), {}, {}};
        t[QStringLiteral("person.2.fill")] = {QStringLiteral("<circle cx=\"9\" cy=\"8\" r=\"3.3\" fill=\"CUR\"/>") + filledPath(QStringLiteral("M2.8 19.5c.6-3.5 3-5.6 6.2-5.6s5.6 2.1 6.2 5.6z"))
                                                  + QStringLiteral("<circle cx=\"16.6\" cy=\"7.6\" r=\"2.6\" fill=\"CUR\"/>") + filledPath(QStringLiteral("M17 12.5c2.5.2 4.2 2.1 4.6 5.4h-4.2c-.3-2-1-3.6-2.2-4.8.5-.4 1.1-.6 1.8-.6z")), {}, {}};
        t[QStringLiteral("hand.raised.fill")] = {filledPath(kHand), QStringLiteral("<path d=\"M11 8.5v3.5M14 8.5V12\" stroke-width=\"1.2\"/>"), {}};
        t[QStringLiteral("hand.wave.fill")] = {QStringLiteral("<g transform=\"rotate(-18 12 12)\">%1</g>").arg(filledPath(kHand)) + QStringLiteral("<path d=\"M19.5 3.5c1 .8 1.6 1.8 1.8 3M3.2 16.5c.3 1.3 1 2.3 2 3\"/>"), {}, {}};
        t[QStringLiteral("hand.draw")] = {QStringLiteral("<path d=\"M3.5 17.5c2.5-.5 3.5-6.5 6.5-6.5s1.5 5.5 4.2 5.5c2 0 2.6-3 5.8-3\"/><path d=\"M15 3.5l3.5 3.5-6.5 6.5H8.5V10z\"/>"), {}, {}};
        t[QStringLiteral("pawprint.fill")] = {QStringLiteral("<ellipse cx=\"6\" cy=\"10\" rx=\"1.9\" ry=\"2.4\" fill=\"CUR\"/><ellipse cx=\"10\" cy=\"6\" rx=\"1.9\" ry=\"2.5\" fill=\"CUR\"/><ellipse cx=\"14.5\" cy=\"6\" rx=\"1.9\" ry=\"2.5\" fill=\"CUR\"/><ellipse cx=\"18.3\" cy=\"10\" rx=\"1.9\" ry=\"2.4\" fill=\"CUR\"/>")
                                                  + filledPath(QStringLiteral("M12.2 11.5c2.6 0 5.6 4.3 5.6 6.5 0 2-1.8 2.5-3 2.3-1.2-.2-1.8-.8-2.6-.8s-1.4.6-2.6.8c-1.2.2-3-.3-3-2.3 0-2.2 3-6.5 5.6-6.5z")), {}, {}};
        t[QStringLiteral("paperplane.fill")] = {filledPath(QStringLiteral("M21 3 3 10.5l7 3 3 7z")), QStringLiteral("<path d=\"M10 13.5 20.5 3.5\" stroke-width=\"1.3\"/>"), {}};
        t[QStringLiteral("music.note")] = {QStringLiteral("<path d=\"M9 18V5.5l10-2V16\"/><circle cx=\"6.5\" cy=\"18\" r=\"2.5\" fill=\"CUR\"/><circle cx=\"16.5\" cy=\"16\" r=\"2.5\" fill=\"CUR\"/>"), {}, {}};
        t[QStringLiteral("graduationcap.fill")] = {filledPath(QStringLiteral("M12 4 2 9l10 5 10-5z")) + QStringLiteral("<path d=\"M6 11.2V16c2.5 2.5 9.5 2.5 12 0v-4.8\"/><path d=\"M21.5 9.5V15\"/>"), {}, {}};
        t[QStringLiteral("gift.fill")] = {QStringLiteral("<rect x=\"3.5\" y=\"8\" width=\"17\" height=\"4\" rx=\"1\" fill=\"CUR\"/><rect x=\"5\" y=\"12\" width=\"14\" height=\"8.5\" rx=\"1\" fill=\"CUR\"/>"),
                                          QStringLiteral("<path d=\"M12 8v12.5M3.5 12h17\" stroke-width=\"1.5\"/>"), QStringLiteral("<path d=\"M12 7.8C10 4 6.5 4.8 8 7.8M12 7.8c2-3.8 5.5-3 4 0\"/>")};
        t[QStringLiteral("fork.knife")] = {QStringLiteral("<path d=\"M5.5 3v5a2 2 0 0 0 4 0V3M7.5 3v18\"/><path d=\"M17 21V3c-2 1-3 3.5-3 7.5h3\"/>"), {}, {}};
        t[QStringLiteral("flag.fill")] = {QStringLiteral("<path d=\"M5 21V4\"/>") + filledPath(QStringLiteral("M5 4.5c3-1.5 5.5 1.5 8 0s4.5-1 6 0V13c-1.5-1-3.5-1.5-6 0s-5-1.5-8 0z")), {}, {}};
        t[QStringLiteral("heart")] = {QStringLiteral("<path d=\"M12 20s-8-4.8-8-10.3A4.4 4.4 0 0 1 12 7a4.4 4.4 0 0 1 8 2.7C20 15.2 12 20 12 20z\"/>"), {}, {}};
        t[QStringLiteral("heart.fill")] = {filledPath(QStringLiteral("M12 20s-8-4.8-8-10.3A4.4 4.4 0 0 1 12 7a4.4 4.4 0 0 1 8 2.7C20 15.2 12 20 12 20z")), {}, {}};
        t[QStringLiteral("camera.fill")] = {filledPath(QStringLiteral("M3 8.5A1.5 1.5 0 0 1 4.5 7h3l1.5-2.3h6L16.5 7h3A1.5 1.5 0 0 1 21 8.5V18a1.5 1.5 0 0 1-1.5 1.5h-15A1.5 1.5 0 0 1 3 18z")),
                                            QStringLiteral("<circle cx=\"12\" cy=\"13\" r=\"3.6\" stroke-width=\"1.8\"/>"), {}};
        t[QStringLiteral("shippingbox.fill")] = {filledPath(QStringLiteral("M12 2.8 20.5 7v10L12 21.2 3.5 17V7z")), QStringLiteral("<path d=\"M3.8 7.2 12 11.4l8.2-4.2M12 11.4v9.6M7.8 5l8.4 4.3\" stroke-width=\"1.3\"/>"), {}};
        t[QStringLiteral("briefcase.fill")] = {QStringLiteral("<rect x=\"3\" y=\"7\" width=\"18\" height=\"13\" rx=\"2\" fill=\"CUR\"/><path d=\"M9 7V5.5A1.5 1.5 0 0 1 10.5 4h3A1.5 1.5 0 0 1 15 5.5V7\"/>"),
                                               QStringLiteral("<path d=\"M3.5 12.5h17\" stroke-width=\"1.4\"/>"), {}};
        t[QStringLiteral("cart.fill")] = {QStringLiteral("<path d=\"M2.5 3.5h2.8l2.3 11h10.8l2-7.5H6.3\"/><circle cx=\"9\" cy=\"19\" r=\"1.6\" fill=\"CUR\"/><circle cx=\"17\" cy=\"19\" r=\"1.6\" fill=\"CUR\"/>") + filledPath(QStringLiteral("M6.3 7h14.3l-2 7.5H7.8z")), {}, {}};
        t[QStringLiteral("mountain.2.fill")] = {filledPath(QStringLiteral("M2 19.5 8.5 8l4 7 2.5-4 7 8.5z")), {}, {}};
        t[QStringLiteral("leaf.fill")] = {filledPath(QStringLiteral("M5 19c-1-8 4-14 15-14 0 10-5 15-13 14z")), QStringLiteral("<path d=\"M5.5 18.5C9 14 12 11 15 9\" stroke-width=\"1.4\"/>"), {}};
        t[QStringLiteral("printer.fill")] = {QStringLiteral("<path d=\"M7 8V3.5h10V8\"/><rect x=\"3\" y=\"8\" width=\"18\" height=\"8.5\" rx=\"2\" fill=\"CUR\"/>"),
                                             QStringLiteral("<rect x=\"6\" y=\"12.5\" width=\"12\" height=\"9\" rx=\"1\" fill=\"CUR\"/>"), QStringLiteral("<rect x=\"7\" y=\"13.5\" width=\"10\" height=\"7\" rx=\".8\"/>")};
        t[QStringLiteral("cursorarrow.click.2")] = {filledPath(QStringLiteral("M10 9.5l9.5 3.8-4.1 1.3-1.3 4.1z")) + QStringLiteral("<path d=\"M6.5 3v2.5M3 6.5h2.5M3.9 3.9l1.7 1.7M9.2 3.9 7.8 5.3M3.9 9.2l1.4-1.4\"/>"), {}, {}};
        t[QStringLiteral("globe")] = {bigCircle + QStringLiteral("<ellipse cx=\"12\" cy=\"12\" rx=\"4\" ry=\"9\"/><path d=\"M3 12h18M4.5 7.5h15M4.5 16.5h15\"/>"), {}, {}};
        t[QStringLiteral("keyboard")] = {QStringLiteral("<rect x=\"2.5\" y=\"6\" width=\"19\" height=\"12\" rx=\"2.2\"/><path d=\"M6 9.5h.5M9 9.5h.5M12 9.5h.5M15 9.5h.5M18 9.5h.5M6 12.5h.5M18 12.5h.5M9 12.5h.5M12 12.5h.5M15 12.5h.5M8 15h8\"/>"), {}, {}};
        t[QStringLiteral("airplane")] = {filledPath(QStringLiteral("M21 15.5v-2l-8-5V4a1 1 0 0 0-2 0v4.5l-8 5v2l8-2.5V18l-2 1.5V21l3-1 3 1v-1.5L13 18v-4.5z")), {}, {}};
        t[QStringLiteral("iphone")] = {QStringLiteral("<rect x=\"6.5\" y=\"2.5\" width=\"11\" height=\"19\" rx=\"2.5\"/><path d=\"M10.5 5h3\"/>"), {}, {}};
        return t;
    }();
    return glyphs;
}

const Glyph& fallbackGlyph()
{
    static const Glyph g{QStringLiteral("<rect x=\"4.5\" y=\"4.5\" width=\"15\" height=\"15\" rx=\"4\"/>"), {}, {}};
    return g;
}

QByteArray svg(const QString& body, const QColor& color, qreal weight)
{
    const QString colour = color.name(QColor::HexRgb);
    QString inner = body;
    inner.replace(QStringLiteral("CUR"), colour);
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\" fill=\"none\" stroke=\"%1\" "
                          "stroke-width=\"%2\" stroke-linecap=\"round\" stroke-linejoin=\"round\">%3</svg>")
        .arg(colour, num(1.75 * weight), inner)
        .toUtf8();
}

void renderLayer(QPainter& painter, const QString& body, const QColor& color, qreal weight, const QRectF& target)
{
    if (body.isEmpty())
        return;
    QSvgRenderer renderer(svg(body, color, weight));
    renderer.render(&painter, target);
}

QImage renderGlyph(const QString& name, const QColor& color, int pixels, qreal weight)
{
    const Glyph& glyph = contains(name) ? table().value(name) : fallbackGlyph();
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF target(0, 0, pixels, pixels);
    const QColor opaque(color.red(), color.green(), color.blue());
    renderLayer(p, glyph.body, opaque, weight, target);
    if (!glyph.cut.isEmpty()) {
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        renderLayer(p, glyph.cut, opaque, weight, target);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    renderLayer(p, glyph.over, opaque, weight, target);
    p.end();
    if (color.alpha() < 255) {
        QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
        faded.fill(Qt::transparent);
        QPainter f(&faded);
        f.setOpacity(color.alphaF());
        f.drawImage(0, 0, image);
        f.end();
        return faded;
    }
    return image;
}

} // namespace

bool contains(const QString& name)
{
    return table().contains(name);
}

QStringList names()
{
    QStringList all = table().keys();
    all.sort();
    return all;
}

QPixmap pixmap(const QString& name, const QColor& color, int side, qreal devicePixelRatio, qreal weight)
{
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4|%5").arg(name, color.name(QColor::HexArgb)).arg(side).arg(devicePixelRatio).arg(weight);
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    const int pixels = qMax(1, qRound(side * devicePixelRatio));
    QPixmap pm = QPixmap::fromImage(renderGlyph(name, color, pixels, weight));
    pm.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, pm);
    return pm;
}

void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color, qreal weight)
{
    const qreal side = qMin(rect.width(), rect.height());
    if (side <= 0)
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int logical = qMax(1, qCeil(side));
    const QPixmap pm = pixmap(name, color, logical, dpr, weight);
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, pm, QRectF(0, 0, pm.width(), pm.height()));
    painter.restore();
}

QIcon icon(const QString& name, const QColor& color, const QColor& disabledColor)
{
    QIcon result;
    const QColor disabled = disabledColor.isValid() ? disabledColor : QColor(color.red(), color.green(), color.blue(), 90);
    for (int side : {16, 20, 24, 32, 48}) {
        for (qreal dpr : {1.0, 2.0}) {
            result.addPixmap(pixmap(name, color, side, dpr), QIcon::Normal);
            result.addPixmap(pixmap(name, disabled, side, dpr), QIcon::Disabled);
        }
    }
    return result;
}

} // namespace kelvaro::Symbols
