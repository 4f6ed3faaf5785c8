#pragma once
// A decoder for the shared thumbnail loader that holds the files it is told to hold until they
// are let through, and counts the decodes each file had: the gallery's picture of a card whose
// file is still being drawn, and the widget tests' slow file. Every file, a held one once let
// through, is decoded as the application decodes it; a held decode whose stop request is set
// ends without a picture, as a drawer that is killed does. Installs itself while it lives and
// lets every held file through as it goes. Created on the main thread; its decoder runs on the
// loader's threads.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <QHash>
#include <QImage>
#include <QSet>
#include <QStringList>

#include "engine/FileAbort.h"
#include "ui/design/FileThumb.h"
#include "ui/design/ThumbnailLoader.h"

namespace kelvaro::gallery {

class HeldThumbnails {
public:
    explicit HeldThumbnails(const QStringList& held = {})
        : m_state(std::make_shared<State>())
    {
        m_state->held = QSet<QString>(held.begin(), held.end());
        ThumbnailLoader::shared().setDecoder(
            [state = m_state](const QString& path, int maxPixel) { return state->decode(path, maxPixel); });
    }
    ~HeldThumbnails()
    {
        ThumbnailLoader::shared().setDecoder({});
        const std::lock_guard lock(m_state->mutex);
        m_state->held.clear();
        m_state->changed.notify_all();
    }
    HeldThumbnails(const HeldThumbnails&) = delete;
    HeldThumbnails& operator=(const HeldThumbnails&) = delete;

    void letThrough(const QString& path)
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->held.remove(path);
        m_state->changed.notify_all();
    }
    // Decodes of `path` begun, held or not.
    int decodes(const QString& path) const
    {
        const std::lock_guard lock(m_state->mutex);
        return m_state->begun.value(path);
    }
    // Decodes begun and held now.
    int holding() const
    {
        const std::lock_guard lock(m_state->mutex);
        return m_state->holding;
    }
    // Whether a held decode of `path` ended on its stop request.
    bool stopped(const QString& path) const
    {
        const std::lock_guard lock(m_state->mutex);
        return m_state->stopped.contains(path);
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable changed;
        QSet<QString> held;
        QHash<QString, int> begun;
        QSet<QString> stopped;
        int holding = 0;

        QImage decode(const QString& path, int maxPixel)
        {
            {
                std::unique_lock lock(mutex);
                ++begun[path];
                if (held.contains(path)) {
                    ++holding;
                    // The stop request is a flag nobody signals: it is looked at between waits.
                    while (held.contains(path) && !ImageEngine::fileAbortRequested())
                        changed.wait_for(lock, std::chrono::milliseconds(10));
                    --holding;
                    if (ImageEngine::fileAbortRequested()) {
                        stopped.insert(path);
                        return {};
                    }
                }
            }
            return FileThumb::thumbnail(path, maxPixel);
        }
    };

    // Shared with decodes that may outlive this object on the loader's threads.
    std::shared_ptr<State> m_state;
};

} // namespace kelvaro::gallery
