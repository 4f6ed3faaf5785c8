#pragma once
// A stop request for the one file a batch worker is producing: the batch raises it when a cancel
// means the file's result will not be kept, and the file's work gives up at its next check (a
// strip of pixels inside libvips, or a step of the bitmap path). The batch owns the token and
// sets it as the current one of the worker thread for the file's duration; elsewhere (watched
// folders, previews) there is none and nothing stops.
#include <atomic>
#include <memory>

#include <vips/vips8>

namespace kelvaro::ImageEngine {

class FileAbort {
public:
    void request() { m_requested.store(true); }
    bool requested() const { return m_requested.load(); }

private:
    std::atomic_bool m_requested = false;
};

using FileAbortPtr = std::shared_ptr<FileAbort>;

// Makes `abort` the current thread's token while it lives.
class CurrentFileAbort {
public:
    explicit CurrentFileAbort(FileAbortPtr abort);
    ~CurrentFileAbort();
    CurrentFileAbort(const CurrentFileAbort&) = delete;
    CurrentFileAbort& operator=(const CurrentFileAbort&) = delete;

private:
    FileAbortPtr m_previous;
};

// Thrown where a file's work notices its stop request.
struct FileAborted : std::exception {
    const char* what() const noexcept override { return "file stopped"; }
};

// Whether the current thread's file was asked to stop.
bool fileAbortRequested();

// Throws FileAborted when the current thread's file was asked to stop.
void checkFileAbort();

// `image` unchanged, except that computing any part of it fails (vips::VError) once the current
// thread's file was asked to stop, on whichever thread libvips computes it. `image` itself when
// the thread has no token. No disk.
vips::VImage abortable(const vips::VImage& image);

} // namespace kelvaro::ImageEngine
