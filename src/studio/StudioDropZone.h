#pragma once
// The studio window's drop zone for captures taken by hand with a desktop screenshot tool (which
// may carry transparent margins and rounded corners): each dropped PNG, JPEG, TIFF or HEIC file
// becomes a store screenshot of the exact size, without transparency, written as
// "<output>/AppStream/<code>/<name>.jpg" in the studio's language, framed with the current scene's
// caption when `framed` says so. Only local files count; the same name is written over.
//
// Main thread; the files are read, finished and written one after another on a background thread,
// and the zone takes no new drop until they are done. Created by the studio window.
#include <functional>
#include <memory>

#include <QList>
#include <QUrl>
#include <QWidget>

namespace kelvaro {

class FileManager;
class ScreenshotStudio;
class Spinner;

class StudioDropZone : public QWidget {
    Q_OBJECT
public:
    StudioDropZone(ScreenshotStudio& studio, std::function<bool()> framed, std::shared_ptr<FileManager> files,
                   QWidget* parent = nullptr);

    // Whether a dropped item is a capture this zone finishes.
    static bool accepts(const QUrl& url);
    // Starts finishing the accepted files among `urls`; false (and nothing happens) when none is
    // accepted, a drop is still being finished, or no output folder can be had.
    bool finish(const QList<QUrl>& urls);
    bool isBusy() const { return m_busy; }
    bool isTargeted() const { return m_targeted; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // "Hotovo: <saved> z <accepted> → AppStream/<code>", once a drop has been finished.
    void finished(const QString& note);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setTargeted(bool targeted);
    void setBusy(bool busy);

    ScreenshotStudio& m_studio;
    std::function<bool()> m_framed;
    std::shared_ptr<FileManager> m_files;
    Spinner* m_spinner;
    bool m_targeted = false;
    bool m_busy = false;
};

} // namespace kelvaro
