#pragma once
// ScreenshotStudio: turns the running application into a stage for store screenshots. It swaps
// the user's history, shelves and watched folders for demo content (and back), switches the
// language and the appearance, sizes the main window to an exact store size and sets up each of
// the eight scenes in it. The user's own data is only ever set aside in memory: the store and the
// watcher neither save nor poll while they show demo content, and stop() gives everything back.
//
// Lives on the main thread; shared() is the application's, created on first use; tests and the
// gallery make their own over their store. Delayed scene actions are single-shot timers on the
// main thread that run only while the studio is still active and on the scene (or language
// switch) that scheduled them; nothing here ever blocks. changed() is emitted when an observed
// field really changes.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include "engine/Localization.h"
#include "studio/StudioScene.h"

class QWidget;

namespace kelvaro {

class CaptureRun;
class FileManager;
class FolderWatcher;
class KelvaroStore;

class ScreenshotStudio : public QObject {
    Q_OBJECT
public:
    // How long a scene waits before opening its sheet or comparison, and a language switch before
    // showing the current scene again (the main window is rebuilt in between).
    static constexpr std::chrono::milliseconds sceneDelay{450};
    static constexpr std::chrono::milliseconds reshowDelay{350};

    // `watcher` may be null (nothing is shown on the watch screen then). Reads the stored size.
    explicit ScreenshotStudio(KelvaroStore& store, FolderWatcher* watcher, QObject* parent = nullptr);
    ~ScreenshotStudio() override;

    // The application's studio over the shared store and watcher.
    static ScreenshotStudio& shared();
    // The application's main window (object name "main"), or null.
    static QWidget* mainWindow();

    // ---- Observed fields ----
    bool isActive() const { return m_isActive; }
    AppLanguage language() const { return m_language; } // the language last switched to
    StudioSize size() const { return m_size; }
    // Stores the size ("kelvaro.studio.size") and, while active, fits the window to it.
    void setSize(StudioSize size);
    std::optional<int> currentScene() const { return m_currentScene; }
    bool isDark() const { return m_isDark; }
    // A Czech message for the studio window, shown as it stands in every language.
    const std::optional<QString>& notice() const { return m_notice; }
    void setNotice(const std::optional<QString>& notice);
    // A notice that staging and fitting scenes do not replace (a failed capture's reason); the
    // next capture run or stop() lets it go.
    void holdNotice(const QString& notice);
    // A capture of all scenes is running; stop() clears it, which ends the run before its next scene.
    bool isCapturing() const { return m_isCapturing; }
    void setCapturing(bool capturing);
    const QString& captureProgress() const { return m_captureProgress; }
    void setCaptureProgress(const QString& progress);
    // A run still exists: capturing, or finishing the scene it was on when it was told to stop.
    bool isCaptureRunning() const { return !m_run.isNull(); }

    // ---- Operations ----
    // Enters demo mode once: keeps the user's language aside, switches to English when that is the
    // current language and to Czech otherwise, and fits the main window.
    void start();
    // Leaves demo mode: the real history, shelves, watched folders and language come back, the
    // appearance follows the desktop again, a running capture ends and pending scene actions are
    // dropped. Nothing while inactive.
    void stop();
    // Writes the language and rebuilds the demo content in it; the current scene is shown again a
    // moment later. Nothing while inactive: the user's language is saved only by start().
    void setLanguage(AppLanguage language);
    // Forces the dark or the light appearance, active or not.
    void setDark(bool dark);
    // Sets up scene `id` (1–8; any other id shows an empty home screen) and fits the window.
    void show(int id);
    // Brings the main window to the front at the studio size, centred at the top of its screen.
    void fitWindow();
    // Captures every scene in each of `languages` (in that order) into the output folder, framed
    // with the scenes' captions or flattened; returns at once (see CaptureRun). Nothing while
    // inactive or while a run exists. `files` shows the result folder (none: the desktop's).
    void captureAll(const QList<AppLanguage>& languages, bool framed, std::shared_ptr<FileManager> files = nullptr);

    KelvaroStore& store() const { return m_store; }

Q_SIGNALS:
    void changed();

private:
    template <typename T>
    void assign(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        Q_EMIT changed();
    }
    // Runs `action` after `delay` unless the studio stops or moves on to another scene first.
    void later(std::chrono::milliseconds delay, std::function<void()> action);
    void cancelPending() { ++m_generation; }
    void sceneNotice(const std::optional<QString>& notice);
    void clearWheel();
    void stage(int id, const QStringList& photos);

    KelvaroStore& m_store;
    FolderWatcher* m_watcher;
    bool m_isActive = false;
    AppLanguage m_language = AppLanguage::czech;
    StudioSize m_size = StudioSize::large;
    std::optional<int> m_currentScene;
    bool m_isDark = false;
    std::optional<QString> m_notice;
    bool m_isCapturing = false;
    QString m_captureProgress;
    bool m_noticeHeld = false;
    QPointer<CaptureRun> m_run;
    quint64 m_generation = 0; // a delayed action runs only while this is what it was scheduled at
};

} // namespace kelvaro
