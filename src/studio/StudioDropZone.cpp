#include "studio/StudioDropZone.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QtConcurrent>

#include "engine/Bitmap.h"
#include "engine/ImageEngine.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "store/KelvaroStore.h"
#include "studio/CaptureRun.h"
#include "studio/ScreenshotFinisher.h"
#include "studio/ScreenshotStudio.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Spinner.h"

namespace kelvaro {
namespace {

struct Job {
    QString source;
    QString target;
};

// Qt reads PNG, JPEG and TIFF itself; HEIC comes through the engine's loader. Both open the path's
// own bytes (NativePath text): Qt would find no file whose name is not UTF-8. A fifo named like a
// capture is never read (a read would wait for ever), and what Qt refuses meets the engine's
// ceiling on pixels and its refusal of a file cut short.
QImage readCapture(const QString& path)
{
    if (!ImageEngine::isRegularFile(path))
        return {};
    const QByteArray native = NativePath::encoded(path);
    QFile file;
    if (const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); fd >= 0) {
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            ::close(fd);
    }
    if (file.isOpen() && !file.isSequential()) {
        QImageReader reader(&file);
        const QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    try {
        return toQImage(ImageEngine::load(path).image);
    } catch (const std::exception&) {
        return {};
    }
}

int finishAll(const QList<Job>& jobs, StudioSize size, const std::optional<ScreenshotFinisher::Caption>& caption)
{
    int saved = 0;
    for (const Job& job : jobs) {
        const QImage capture = readCapture(job.source);
        if (!capture.isNull() && ScreenshotFinisher::exportImage(capture, size, caption, job.target))
            ++saved;
    }
    return saved;
}

} // namespace

StudioDropZone::StudioDropZone(ScreenshotStudio& studio, std::function<bool()> framed, std::shared_ptr<FileManager> files,
                               QWidget* parent)
    : QWidget(parent), m_studio(studio), m_framed(std::move(framed)), m_files(std::move(files))
{
    setObjectName(QStringLiteral("dropZone"));
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 22, 12, 22);
    column->setSpacing(6);
    auto* symbol = new SymbolView(QStringLiteral("photo.badge.checkmark"), 22, this);
    symbol->setColor(Theme::primary());
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* title = new Text(QStringLiteral("Přetáhni sem vyfocená PNG"), TextStyle::callout, this);
    title->setStyle(TextStyle::callout, QFont::Medium);
    column->addWidget(title, 0, Qt::AlignHCenter);
    auto* detail = new Text(QStringLiteral("Vznikne JPG v přesné velikosti bez průhlednosti"), TextStyle::caption, this);
    detail->setColor(Theme::secondary());
    column->addWidget(detail, 0, Qt::AlignHCenter);
    m_spinner = new Spinner(14, this);
    m_spinner->hide();
    column->addWidget(m_spinner, 0, Qt::AlignHCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

bool StudioDropZone::accepts(const QUrl& url)
{
    static const QStringList extensions{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                        QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("heic")};
    return url.isLocalFile() && extensions.contains(QFileInfo(NativePath::localFile(url)).suffix().toLower());
}

bool StudioDropZone::finish(const QList<QUrl>& urls)
{
    QStringList sources;
    for (const QUrl& url : urls)
        if (accepts(url))
            sources << NativePath::localFile(url);
    if (sources.isEmpty() || m_busy)
        return false;
    const std::optional<QString> output = OutputFolder::obtain();
    if (!output)
        return false;
    m_studio.store().holdAccess(*output);

    const QString code = rawValue(m_studio.language());
    std::optional<ScreenshotFinisher::Caption> caption;
    if (m_framed && m_framed()) {
        for (const StudioScene& scene : StudioScene::all())
            if (m_studio.currentScene() == scene.id)
                caption = ScreenshotFinisher::Caption{scene.headlineFor(code), scene.sublineFor(code)};
    }
    const QString folder = *output + QLatin1Char('/') + CaptureRun::folderName + QLatin1Char('/') + code;
    FileSystem::current().makePath(folder); // a folder that cannot be made shows as nothing saved
    QList<Job> jobs;
    for (const QString& source : sources) {
        // The source's name as it is, bytes that are not UTF-8 too; only the extension changes.
        const QString name = QFileInfo(source).fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        jobs.append({source, folder + QLatin1Char('/') + (dot > 0 ? name.left(dot) : name) + QStringLiteral(".jpg")});
    }

    setBusy(true);
    auto* watcher = new QFutureWatcher<int>(this);
    connect(watcher, &QFutureWatcher<int>::finished, this, [this, watcher, folder, code, total = jobs.size()] {
        watcher->deleteLater();
        const int saved = watcher->result();
        setBusy(false);
        Q_EMIT finished(QStringLiteral("Hotovo: %1 z %2 → %3/%4").arg(saved).arg(total).arg(CaptureRun::folderName, code));
        if (saved > 0 && !m_files->reveal({folder}))
            m_studio.store().reportUnanswered(HandoffFailure::folder, {folder});
    });
    watcher->setFuture(QtConcurrent::run([jobs, size = m_studio.size(), caption] { return finishAll(jobs, size, caption); }));
    return true;
}

QSize StudioDropZone::sizeHint() const
{
    return {360, layout()->sizeHint().height()};
}

void StudioDropZone::setTargeted(bool targeted)
{
    if (m_targeted == targeted)
        return;
    m_targeted = targeted;
    update();
}

void StudioDropZone::setBusy(bool busy)
{
    m_busy = busy;
    m_spinner->setVisible(busy);
}

void StudioDropZone::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(m_targeted ? Theme::ember() : Theme::hairline().on(this), 1.5);
    pen.setDashPattern({5 / 1.5, 5 / 1.5}); // in pen widths: 5 px drawn, 5 px left out
    p.setPen(pen);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 12, 12);
    p.drawPath(path);
}

void StudioDropZone::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_busy || !event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    setTargeted(true);
}

void StudioDropZone::dragLeaveEvent(QDragLeaveEvent* event)
{
    setTargeted(false);
    QWidget::dragLeaveEvent(event);
}

void StudioDropZone::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    // Taken whatever comes of it, so the file manager never animates the files back.
    event->acceptProposedAction();
    finish(event->mimeData()->urls());
}

} // namespace kelvaro
