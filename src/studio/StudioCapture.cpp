#include "studio/StudioCapture.h"

#include <cmath>

#include <QApplication>
#include <QDialog>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPainter>

#include "studio/ScreenshotStudio.h"

namespace kelvaro::StudioCapture {
namespace {

// The dialogs that block `window` as sheets do, in the order they were shown (each is drawn over
// the one before).
QList<QDialog*> sheetsOf(QWidget* window)
{
    QList<QDialog*> sheets;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible() && dialog->windowModality() == Qt::WindowModal && dialog->parentWidget()
            && dialog->parentWidget()->window() == window)
            sheets << dialog;
    }
    return sheets;
}

// Draws `sheet` at `at` (device pixels) with the shadow a sheet casts: 8 px × scale below it,
// blurred over 30 px × scale, black at 30 %.
void drawSheet(QPainter& painter, const QImage& sheet, QPointF at, qreal scale)
{
    QGraphicsScene scene;
    QGraphicsPixmapItem* item = scene.addPixmap(QPixmap::fromImage(sheet));
    auto* shadow = new QGraphicsDropShadowEffect;
    shadow->setBlurRadius(30 * scale);
    shadow->setOffset(0, 8 * scale);
    shadow->setColor(QColor(0, 0, 0, 77));
    item->setGraphicsEffect(shadow); // the item owns it
    const qreal margin = std::ceil(38 * scale);
    const QRectF source = QRectF(sheet.rect()).adjusted(-margin, -margin, margin, margin);
    scene.setSceneRect(source);
    scene.render(&painter, source.translated(at), source);
}

QImage pixels(QWidget* widget)
{
    QImage image = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1);
    return image;
}

} // namespace

QImage capture(QWidget* window)
{
    if (!window)
        return {};
    const qreal scale = window->devicePixelRatioF();
    QImage image = pixels(window);
    if (image.isNull())
        return {};
    const QList<QDialog*> sheets = sheetsOf(window);
    if (sheets.isEmpty())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (QDialog* sheet : sheets) {
        const QImage drawn = pixels(sheet);
        if (drawn.isNull())
            continue; // the window without this sheet is still a capture
        const QPoint offset = sheet->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
        drawSheet(painter, drawn, QPointF(offset) * scale, scale);
    }
    return image;
}

Shot captureMainWindow()
{
    QWidget* window = ScreenshotStudio::mainWindow();
    if (!window || !window->isVisible())
        return {{}, QStringLiteral("Hlavní okno se nepodařilo najít.")};
    QImage image = capture(window);
    if (image.isNull())
        return {{}, QStringLiteral("Hlavní okno se nepodařilo vyfotit.")};
    return {image, {}};
}

} // namespace kelvaro::StudioCapture
