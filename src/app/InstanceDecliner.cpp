#include "app/InstanceDecliner.h"

#include <vector>

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include "platform/Log.h"

namespace kelvaro {
namespace {

// How often the thread looks whether it is to stop, in milliseconds.
constexpr int kPollMs = 20;
// How long the thread reads one launch's request: one that says nothing holds up the others no
// longer.
constexpr int kReadMs = 1000;
// How long telling one waiting launch that its request was taken may take.
constexpr int kTellMs = 1000;

struct Waiting {
    std::unique_ptr<QLocalSocket> socket;
    LaunchRequest request;
};

// Writes the one-byte answer; false when it could not be written in time.
bool tell(QLocalSocket& socket, char answer)
{
    if (!socket.putChar(answer))
        return false;
    socket.flush();
    return socket.bytesToWrite() == 0 || socket.waitForBytesWritten(kTellMs);
}

} // namespace

InstanceDecliner::InstanceDecliner(const QString& name)
{
    m_thread.reset(QThread::create([this, name] {
        run(name);
        m_ran.store(true, std::memory_order_release);
    }));
    // Should no thread be had, launches find no answer and wait for the lock.
    m_thread->start();
}

InstanceDecliner::~InstanceDecliner()
{
    stop(closing);
}

QList<LaunchRequest> InstanceDecliner::takeWaiting()
{
    stop(taking);
    const std::lock_guard lock(m_takenMutex);
    return std::exchange(m_taken, {});
}

void InstanceDecliner::letGo()
{
    stop(closing);
}

void InstanceDecliner::stop(Stop how)
{
    if (!m_thread)
        return;
    m_stop = how;
    m_thread->wait();
    (void)m_ran.load(std::memory_order_acquire);
    m_thread.reset();
}

void InstanceDecliner::run(const QString& name)
{
    std::vector<Waiting> waiting;
    {
        QLocalServer server;
        server.setSocketOptions(QLocalServer::UserAccessOption);
        QLocalServer::removeServer(name);
        if (!server.listen(name)) {
            logLine(QStringLiteral("cannot tell other launches that this one is ending: %1").arg(server.errorString()));
            return;
        }
        while (m_stop.load() == running && server.isListening()) {
            if (server.waitForNewConnection(kPollMs)) {
                while (QLocalSocket* accepted = server.nextPendingConnection()) {
                    accepted->setParent(nullptr); // outlives the server, which closes first
                    std::unique_ptr<QLocalSocket> socket(accepted);
                    const std::optional<QByteArray> frame = launchWire::readFrame(*socket, QDeadlineTimer(kReadMs));
                    const std::optional<LaunchRequest> request = frame ? launchWire::decode(*frame) : std::nullopt;
                    if (!request)
                        continue;
                    if (!tell(*socket, launchWire::ending))
                        continue;
                    logLine(QStringLiteral("told a launch to wait: this process is ending"));
                    waiting.push_back({std::move(socket), *request});
                }
            }
        }
        // Closed before the launches hear anything: one that then asks again finds no socket.
    }
    if (m_stop.load() != taking)
        return; // the connections close with their sockets
    // Whether a launch has gone (killed while it waited) is asked here, at the last moment, and only
    // here: its socket stays until then.
    for (Waiting& launch : waiting) {
        if (launchWire::hungUp(*launch.socket))
            continue;
        if (!tell(*launch.socket, launchWire::taken))
            continue;
        launch.socket->disconnectFromServer();
        const std::lock_guard lock(m_takenMutex);
        m_taken.append(launch.request);
    }
}

} // namespace kelvaro
