#pragma once
// The screenshot studio's control panel, the content of the "studio" window: start and end demo
// mode, the language, appearance and window size of the screenshots, the capture of every scene
// with its language boxes and frame switch, the scene list that stages a scene by a click, and the
// drop zone for captures taken by hand. Its texts are fixed Czech, the same in every language
// (the studio switches the language under it). Closing the window ends demo mode.
//
// Main thread; built by the screen factory for the studio window over the studio model, which it
// only drives and observes (its own state is the capture and frame choices).
#include <functional>
#include <memory>

#include <QList>
#include <QScrollArea>

class QAbstractButton;

namespace kelvaro {

class FileManager;
class KelvaroButton;
class ScreenshotStudio;
class StudioDropZone;
class Text;
class SegmentedPicker;

class StudioWindow : public QScrollArea {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> openMainWindow; // opens or raises the main window
        std::shared_ptr<FileManager> files;   // shows results; none: the desktop's
    };
    StudioWindow(ScreenshotStudio& studio, Hooks hooks, QWidget* parent = nullptr);
    // Ends demo mode: the window going away gives everything back, as closing it does.
    ~StudioWindow() override;

    // 400 wide; as high as the content, at least 560 and at most the screen allows.
    QSize sizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* header();
    QWidget* startCard();
    QWidget* options();
    QWidget* autoCapture();
    QWidget* scenes();
    QWidget* finisher();
    void captureAll();
    void refresh();

    ScreenshotStudio& m_studio;
    Hooks m_hooks;
    QWidget* m_column;
    QWidget* m_end = nullptr;
    QWidget* m_startCard = nullptr;
    QList<QWidget*> m_activeSections;
    SegmentedPicker* m_language = nullptr;
    SegmentedPicker* m_appearance = nullptr;
    SegmentedPicker* m_size = nullptr;
    Text* m_notice = nullptr;
    QAbstractButton* m_czech = nullptr;
    QAbstractButton* m_english = nullptr;
    QAbstractButton* m_framed = nullptr;
    KelvaroButton* m_capture = nullptr;
    QWidget* m_capturing = nullptr;
    Text* m_progress = nullptr;
    QList<QWidget*> m_sceneRows;
    Text* m_finishNote = nullptr;
    bool m_wasActive = false;
    bool m_watchingWindow = false;
};

} // namespace kelvaro
