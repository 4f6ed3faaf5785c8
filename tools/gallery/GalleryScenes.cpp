#include "gallery/GalleryScenes.h"

#include <algorithm>

#include <QMenu>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QThread>
#include <QVariantAnimation>

#include "app/KelvaroApp.h"
#include "app/MainWindow.h"
#include "model/Models.h"
#include "platform/BackgroundPools.h"
#include "store/KelvaroStore.h"
#include "ui/design/FileThumb.h"

namespace kelvaro::gallery {
namespace {

QList<Scene>& registry()
{
    static QList<Scene> list;
    return list;
}

// A soft landscape: gradient sky, a sun and a line of hills.
QImage landscape(QSize size, const QColor& top, const QColor& bottom, qreal sunX)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, top);
    sky.setColorAt(1, bottom);
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor(255, 250, 230, 220));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(sunX * w, 0.35 * h), 0.094 * w, 0.094 * w);
    QPainterPath hills;
    hills.moveTo(0, h);
    hills.lineTo(0, 0.71 * h);
    hills.cubicTo(0.25 * w, 0.54 * h, 0.47 * w, 0.88 * h, 0.72 * w, 0.67 * h);
    hills.cubicTo(0.84 * w, 0.58 * h, 0.94 * w, 0.62 * h, w, 0.67 * h);
    hills.lineTo(w, h);
    p.fillPath(hills, bottom.darker(160));
    return image;
}

QList<ActivityItem> demoActivities(const QStringList& pictures)
{
    QList<ActivityItem> items = SampleData::activities();
    // The image results get a file to show; archives and PDFs keep their symbol tiles.
    int next = 0;
    for (ActivityItem& item : items) {
        const QString lower = item.fileName.toLower();
        const bool picture = lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".heic"))
            || lower.endsWith(QLatin1String(".png")) || lower.endsWith(QLatin1String(".tiff"));
        if (picture && next < pictures.size())
            item.outputPath = pictures.at(next++);
    }
    return items;
}

} // namespace

GalleryScene::GalleryScene(const QString& name, Render render)
{
    registry().append({name, std::move(render)});
}

const QList<Scene>& scenes()
{
    return registry();
}

Env makeEnv(const QString& folder)
{
    const QList<QPair<QColor, QColor>> skies{{QColor(255, 176, 120), QColor(120, 70, 160)},
                                             {QColor(120, 190, 255), QColor(40, 90, 150)},
                                             {QColor(250, 220, 160), QColor(200, 90, 60)},
                                             {QColor(170, 230, 200), QColor(30, 110, 100)}};
    Env env;
    env.workDir = folder;
    for (int i = 0; i < skies.size(); ++i) {
        const QString path = folder + QStringLiteral("/demo-%1.jpg").arg(i + 1);
        landscape(QSize(640, 480), skies[i].first, skies[i].second, 0.31 + 0.125 * i).save(path, "JPG", 85);
        env.pictures << path;
    }
    env.photo32 = folder + QStringLiteral("/demo-3x2.jpg");
    landscape(QSize(1200, 800), QColor(255, 190, 140), QColor(90, 60, 140), 0.62).save(env.photo32, "JPG", 88);
    return env;
}

void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds || FileThumb::pendingCount() > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (FileThumb::pendingCount() > 0)
            QThread::msleep(5);
        if (timer.elapsed() > 15000)
            break;
    }
    // Previews (a comparison's result, a sheet's live preview) decode in pools of their own,
    // which on a busy machine are still at work when the time is up: a picture would show their
    // spinner.
    BackgroundPools::finish();
    QCoreApplication::processEvents();
    finishAnimations();
}

void finishAnimations()
{
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QVariantAnimation* animation : top->findChildren<QVariantAnimation*>())
            if (animation->state() == QAbstractAnimation::Running)
                animation->setCurrentTime(animation->totalDuration());
    QCoreApplication::processEvents();
}

Stage::Stage(const Env& env, bool emptyLibrary, StoreServices services)
{
    m_store = std::make_unique<KelvaroStore>(std::move(services), QStringLiteral("kelvaro.gallery.library"));
    // Demo content is never saved.
    if (emptyLibrary)
        m_store->enterDemo({}, {});
    else
        m_store->enterDemo(demoActivities(env.pictures), SampleData::shelves());
    KelvaroAppOptions options;
    options.useTray = false;
    m_app = std::make_unique<KelvaroApp>(*m_store, options);
    m_store->setSidebarSelection(SidebarItem::home);
    m_app->mainWindow()->resize(MainWindow::defaultSize);
}

Stage::~Stage()
{
    if (MainWindow* w = window())
        w->hide();
    m_store->setActiveSheet(std::nullopt);
    settle(20);
    m_app.reset();
    m_store.reset();
}

KelvaroStore& Stage::store()
{
    return *m_store;
}

MainWindow* Stage::window()
{
    return m_app ? m_app->mainWindow() : nullptr;
}

QImage grabWithSheet(QWidget* window, QDialog* sheet, bool dark, QWidget* popup)
{
    QImage image = window->grab().toImage();
    if (!sheet && !popup)
        return image;
    QPainter p(&image);
    // The popup keeps its place relative to the window it belongs to, which the picture may
    // draw elsewhere than the screen has it.
    QWidget* owner = window;
    QPoint ownerAt(0, 0);
    if (sheet) {
        const QImage sheetImage = sheet->grab().toImage();
        const QPoint at((image.width() / image.devicePixelRatio() - sheet->width()) / 2, 40);
        p.fillRect(QRectF(QPointF(0, 0), QSizeF(image.size()) / image.devicePixelRatio()), QColor(0, 0, 0, dark ? 90 : 40));
        p.drawImage(at, sheetImage);
        owner = sheet;
        ownerAt = at;
    }
    if (popup && popup->isVisible()) {
        // A popup that would reach past the picture's edge is drawn inside it, as a screen wider
        // than the window leaves it room.
        const QImage popupImage = popup->grab().toImage();
        const QSize room = (QSizeF(image.size()) / image.devicePixelRatio()).toSize();
        QPoint at = ownerAt + owner->mapFromGlobal(popup->mapToGlobal(QPoint(0, 0)));
        at.setX(std::max(0, std::min(at.x(), room.width() - popup->width() - 8)));
        at.setY(std::max(0, std::min(at.y(), room.height() - popup->height() - 8)));
        p.drawImage(at, popupImage);
    }
    return image;
}

QMenu* popUnderButton(QMenu* menu)
{
    QWidget* button = menu ? menu->parentWidget() : nullptr;
    if (!button)
        return nullptr;
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    return menu;
}

bool tabUntil(QWidget* window, const std::function<bool(QWidget*)>& reached, bool back, int limit)
{
    window->activateWindow();
    for (int i = 0; i < limit; ++i) {
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        QKeyEvent press(QEvent::KeyPress, back ? Qt::Key_Backtab : Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        if (window->focusWidget() && reached(window->focusWidget())) {
            settle();
            return true;
        }
    }
    return false;
}

QImage grabWidget(QWidget* widget, QSize size)
{
    widget->resize(size.isValid() ? size : widget->sizeHint());
    widget->show();
    settle(150);
    const QImage image = widget->grab().toImage();
    widget->hide();
    return image;
}

} // namespace kelvaro::gallery
