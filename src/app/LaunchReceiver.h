#pragma once
// Takes later launches' requests for the running instance: listens on the instance's socket, reads
// each request, offers to take it, and takes it (emits requested()) only once its launch answers
// that it still waits. A launch gives up when the instance does not answer in time; one that gave
// up, or was killed, while this process was held has closed its end or never answers the offer, so
// its request is dropped instead of opening files (and calling an end off) for a launch that
// already told its user it failed. Owns the listening socket and the connections offered to.
// Main thread; created by SingleInstance while it is the running instance and takes launches.
#include <memory>

#include <QObject>

#include "app/LaunchRequest.h"

class QLocalServer;
class QLocalSocket;

namespace kelvaro {

class LaunchReceiver : public QObject {
    Q_OBJECT
public:
    explicit LaunchReceiver(QObject* parent = nullptr);
    // Closes the socket and every connection: a launch offered to and not yet taken finds its
    // connection closed without a word and asks again.
    ~LaunchReceiver() override;

    // Listens on `name` (a socket name or path, whatever stood there removed); false, with the
    // reason logged, when it cannot. Touches disk.
    bool listen(const QString& name);
    bool isListening() const;

Q_SIGNALS:
    // A launch's request, taken; already checked (absolute, existing local paths only).
    void requested(const kelvaro::LaunchRequest& request);

private:
    struct Connection;
    void takeConnection();
    void readFrom(QLocalSocket& socket, Connection& connection);

    std::unique_ptr<QLocalServer> m_server;
    bool m_closing = false; // the destructor closes the connections: no launch gave up
};

} // namespace kelvaro
