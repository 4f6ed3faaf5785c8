#pragma once
// What one launch asks of the running instance, and how it travels over the instance's local
// socket: a 4-byte big-endian length and a small JSON document; the answer is one byte. JSON
// rather than a binary stream: a garbled length inside it cannot make us allocate. Plain values,
// usable from any thread.
#include <optional>

#include <QByteArray>
#include <QStringList>

class QDeadlineTimer;
class QLocalSocket;

namespace kelvaro {

struct LaunchRequest {
    QStringList files;     // absolute paths of existing local files and folders (NativePath text), in argument order
    bool activate = false; // a bare launch (no arguments): bring the main window forward
    bool operator==(const LaunchRequest&) const = default;
};

namespace launchWire {

constexpr quint32 maxRequestBytes = 16 * 1024 * 1024;
// "Taken": the instance has the request and the launch may end.
constexpr char taken = '\x01';
// "This process is ending": the connection stays open until the end is called off (then `taken`
// follows) or the process lets go (it closes without a word). An older launch, which knows only
// `taken`, takes it for no answer and waits for the lock as for an instance that does not answer.
constexpr char ending = '\x02';
// "Offered": the running instance has read the request and takes it only once the launch answers
// `stillWaiting`; it acts on nothing before. A launch past its patience answers nothing (it closes)
// and the request is dropped. One that answers waits for `taken` as long as the connection stays,
// and asks again should it close without it (the instance began to end meanwhile, or died).
constexpr char offered = '\x03';
// The launch's answer to `offered`: it still waits, and goes on waiting for `taken`.
constexpr char stillWaiting = '\x04';

// The request's frame, length first.
QByteArray encode(const LaunchRequest& request);
// The request in `payload` (the frame without its length), keeping only what a local user could
// have meant: absolute paths that exist now. None when it is not a request. Touches disk.
std::optional<LaunchRequest> decode(const QByteArray& payload);
// Reads one whole request from `socket`, blocking until `deadline`; none when it did not come
// whole in time or was oversized. For a socket on a thread without an event loop.
std::optional<QByteArray> readFrame(QLocalSocket& socket, const QDeadlineTimer& deadline);
// Whether the other end has closed its connection (a launch that gave up or was killed), asked of
// the system without reading: what it sent before may still wait unread.
bool hungUp(const QLocalSocket& socket);

} // namespace launchWire
} // namespace kelvaro
