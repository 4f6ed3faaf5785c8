#include "studio/CaptureRun.h"

#include <QDir>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent>

#include "output/OutputFolder.h"
#include "platform/BackgroundPools.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "store/KelvaroStore.h"
#include "studio/ScreenshotFinisher.h"
#include "studio/ScreenshotStudio.h"
#include "studio/StudioCapture.h"

namespace kelvaro {
namespace {

CaptureRun::Timing& timing()
{
    static CaptureRun::Timing value;
    return value;
}

QThreadPool* finishing()
{
    static QThreadPool* pool = BackgroundPools::make(1);
    return pool;
}

} // namespace

const QString CaptureRun::folderName = QStringLiteral("AppStream");

void CaptureRun::setTiming(const Timing& value)
{
    timing() = value;
}

QString CaptureRun::fileName(const StudioScene& scene)
{
    QString title = scene.title;
    title.replace(QLatin1Char(':'), QStringLiteral(" –")).replace(QLatin1Char('/'), QLatin1Char('-'));
    return QStringLiteral("%1 %2.jpg").arg(scene.id, 2, 10, QLatin1Char('0')).arg(title);
}

CaptureRun* CaptureRun::start(ScreenshotStudio& studio, const QList<AppLanguage>& languages, bool framed,
                              std::shared_ptr<FileManager> files)
{
    const std::optional<QString> output = OutputFolder::obtain();
    if (!output)
        return nullptr;
    studio.store().holdAccess(*output);
    studio.setCapturing(true);
    studio.setNotice(std::nullopt);
    auto* run = new CaptureRun(studio, languages, framed, *output, std::move(files));
    run->nextLanguage();
    return run;
}

CaptureRun::CaptureRun(ScreenshotStudio& studio, const QList<AppLanguage>& languages, bool framed, const QString& output,
                       std::shared_ptr<FileManager> files)
    : QObject(&studio),
      m_studio(studio),
      m_languages(languages),
      m_framed(framed),
      m_output(output),
      m_files(std::move(files)),
      m_startLanguage(studio.language()),
      m_total(int(languages.size() * StudioScene::all().size()))
{
    // Noted when it happens, not when the next step looks: by then a new session may be active.
    connect(&studio, &ScreenshotStudio::changed, this, [this] {
        if (!m_studio.isCapturing())
            m_stopped = true;
        if (!m_studio.isActive())
            m_ended = true;
    });
}

void CaptureRun::nextLanguage()
{
    if (m_language >= m_languages.size() || !goingOn()) {
        close();
        return;
    }
    m_studio.setLanguage(m_languages.at(m_language));
    QTimer::singleShot(timing().language, this, &CaptureRun::enterLanguage);
}

void CaptureRun::enterLanguage()
{
    if (!goingOn()) {
        close();
        return;
    }
    m_folder = m_output + QLatin1Char('/') + folderName + QLatin1Char('/') + rawValue(m_languages.at(m_language));
    QDir().mkpath(m_folder); // a folder that cannot be made shows as screenshots not written
    m_scene = 0;
    nextScene();
}

void CaptureRun::nextScene()
{
    const QList<StudioScene>& scenes = StudioScene::all();
    if (m_scene >= scenes.size()) {
        ++m_language;
        nextLanguage();
        return;
    }
    if (!goingOn()) {
        close();
        return;
    }
    const StudioScene& scene = scenes.at(m_scene);
    m_studio.setCaptureProgress(QStringLiteral("%1 / %2 · %3 · %4")
                                    .arg(m_saved + 1)
                                    .arg(m_total)
                                    .arg(rawValue(m_languages.at(m_language)), scene.title));
    m_studio.show(scene.id);
    // Scenes 3 and 4 open their comparison or sheet a moment after they are shown.
    const bool opensSheet = scene.id == 3 || scene.id == 4;
    QTimer::singleShot(opensSheet ? timing().sheetScene : timing().scene, this, &CaptureRun::captureScene);
}

void CaptureRun::captureScene()
{
    // Stopped while the scene settled: the window shows the user's own data again.
    if (m_ended) {
        close();
        return;
    }
    const StudioCapture::Shot shot = StudioCapture::captureMainWindow();
    if (shot.image.isNull()) {
        m_studio.holdNotice(shot.failure);
        logLineAsIs(QStringLiteral("Kelvaro studio capture failed: ") + shot.failure);
        close();
        return;
    }
    const StudioScene& scene = StudioScene::all().at(m_scene);
    const QString code = rawValue(m_languages.at(m_language));
    std::optional<ScreenshotFinisher::Caption> caption;
    if (m_framed)
        caption = ScreenshotFinisher::Caption{scene.headlineFor(code), scene.sublineFor(code)};
    const QString path = m_folder + QLatin1Char('/') + fileName(scene);
    auto* watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcher<bool>::finished, this, [this, watcher] {
        watcher->deleteLater();
        written(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(finishing(), [image = shot.image, size = m_studio.size(), caption, path] {
        return ScreenshotFinisher::exportImage(image, size, caption, path);
    }));
}

void CaptureRun::written(bool ok)
{
    if (ok)
        ++m_saved;
    ++m_scene;
    nextScene();
}

void CaptureRun::close()
{
    m_studio.setCapturing(false);
    m_studio.setCaptureProgress(m_saved > 0 ? QStringLiteral("Uloženo %1 z %2 snímků").arg(m_saved).arg(m_total) : QString());
    if (!m_ended) {
        m_studio.store().setActiveSheet(std::nullopt);
        m_studio.store().setStudioCompare(false);
        m_studio.setLanguage(m_startLanguage);
    }
    if (m_saved > 0 && !m_folder.isEmpty()) {
        const QString shots = m_output + QLatin1Char('/') + folderName;
        if (!m_files->reveal({shots}))
            m_studio.store().reportUnanswered(HandoffFailure::folder, {shots});
    }
    disconnect(&m_studio, nullptr, this, nullptr);
    deleteLater();
}

} // namespace kelvaro
