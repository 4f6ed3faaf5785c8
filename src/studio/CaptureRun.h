#pragma once
// One capture of every scene in the chosen languages: for each language in turn the studio
// switches into it, stages each of the eight scenes in the main window, the window is captured
// (StudioCapture) and finished into the scene's numbered JPEG in "<output>/AppStream/<code>",
// the folder the software centres read store screenshots from through AppStream. Progress goes to
// the studio's captureProgress, a failed capture's reason to its notice; at the end the studio is
// back in its language and the file manager shows the AppStream folder.
//
// A chain of single-shot timers on the main thread, never a blocking wait; only the finishing of
// a capture runs in the background, one at a time. Clearing the studio's isCapturing lets the
// scene in hand finish and ends the run before the next one; stop() ends it without capturing
// again, and once the studio has stopped the run never switches its language or shows a scene.
// Created by ScreenshotStudio::captureAll as the studio's child; deletes itself when done.
#include <chrono>
#include <memory>

#include <QList>
#include <QObject>
#include <QString>

#include "engine/Localization.h"

namespace kelvaro {

class FileManager;
class ScreenshotStudio;
struct StudioScene;

class CaptureRun : public QObject {
    Q_OBJECT
public:
    // How long the main window gets to show a new language, a scene, and a scene whose sheet or
    // comparison opens after ScreenshotStudio::sceneDelay.
    struct Timing {
        std::chrono::milliseconds language{700};
        std::chrono::milliseconds scene{900};
        std::chrono::milliseconds sheetScene{1600};
    };
    static const QString folderName; // "AppStream"

    // Starts a run unless the output folder cannot be had (the user cancelled the choice): then
    // nothing starts and null is returned. The caller checks that the studio is active and idle.
    static CaptureRun* start(ScreenshotStudio& studio, const QList<AppLanguage>& languages, bool framed,
                             std::shared_ptr<FileManager> files);
    // The scene's file: "01 Domů.jpg", "02 Kolo – Pozadí.jpg" (":" becomes " –", "/" becomes "-").
    static QString fileName(const StudioScene& scene);
    // Shorter waits for tests; the sheet scene's must stay above the studio's scene delay.
    static void setTiming(const Timing& timing);

private:
    CaptureRun(ScreenshotStudio& studio, const QList<AppLanguage>& languages, bool framed, const QString& output,
               std::shared_ptr<FileManager> files);
    bool goingOn() const { return !m_stopped && !m_ended; }
    void nextLanguage();
    void enterLanguage();
    void nextScene();
    void captureScene();
    void written(bool ok);
    void close();

    ScreenshotStudio& m_studio;
    const QList<AppLanguage> m_languages;
    const bool m_framed;
    const QString m_output;
    const std::shared_ptr<FileManager> m_files;
    const AppLanguage m_startLanguage;
    const int m_total;
    int m_saved = 0;
    int m_language = 0; // index into m_languages
    int m_scene = 0;    // index into StudioScene::all()
    QString m_folder;   // the language folder handled last
    bool m_stopped = false; // isCapturing was cleared
    bool m_ended = false;   // the studio stopped: nothing of demo mode may be touched again
};

} // namespace kelvaro
