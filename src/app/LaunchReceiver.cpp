#include "app/LaunchReceiver.h"

#include <optional>

#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

#include "platform/Log.h"

namespace kelvaro {

// What one launch's connection has come to.
struct LaunchReceiver::Connection {
    std::optional<LaunchRequest> offered; // read and offered to take, not yet answered
    bool done = false;                    // taken, dropped or refused: nothing more is read
};

LaunchReceiver::LaunchReceiver(QObject* parent)
    : QObject(parent)
{
}

LaunchReceiver::~LaunchReceiver()
{
    m_closing = true;
    m_server.reset(); // its connections with it
}

bool LaunchReceiver::listen(const QString& name)
{
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a crashed instance would make listen() fail.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name)) {
        logLine(QStringLiteral("cannot listen for other launches: %1").arg(m_server->errorString()));
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &LaunchReceiver::takeConnection);
    return true;
}

bool LaunchReceiver::isListening() const
{
    return m_server && m_server->isListening();
}

void LaunchReceiver::takeConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QLocalSocket* socket = m_server->nextPendingConnection();
        auto connection = std::make_shared<Connection>();
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, connection] {
            if (m_closing)
                return; // the socket goes with the server
            if (connection->offered && !connection->done)
                logLine(QStringLiteral("dropped the request of a launch that stopped waiting before it answered"));
            connection->done = true;
            socket->deleteLater();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, connection] { readFrom(*socket, *connection); });
        readFrom(*socket, *connection);
    }
}

void LaunchReceiver::readFrom(QLocalSocket& socket, Connection& connection)
{
    if (connection.done)
        return;
    if (connection.offered) {
        char answer = 0;
        if (!socket.getChar(&answer))
            return;
        connection.done = true;
        if (answer != launchWire::stillWaiting) {
            logLine(QStringLiteral("refused a launch that answered the offer with something else"));
            socket.abort();
            return;
        }
        // Told before it is acted on: the launching process may exit as soon as it hears back.
        socket.putChar(launchWire::taken);
        socket.flush();
        socket.disconnectFromServer();
        Q_EMIT requested(*connection.offered);
        return;
    }
    if (socket.bytesAvailable() < 4)
        return;
    char header[4];
    socket.peek(header, 4);
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > launchWire::maxRequestBytes) {
        logLine(QStringLiteral("refused an oversized request from another launch"));
        connection.done = true;
        socket.abort();
        return;
    }
    if (socket.bytesAvailable() < qint64(4 + size))
        return;
    socket.skip(4);
    const std::optional<LaunchRequest> request = launchWire::decode(socket.read(size));
    if (!request) {
        logLine(QStringLiteral("refused an unreadable request from another launch"));
        connection.done = true;
        socket.abort();
        return;
    }
    // This process may have been held (stopped, busy) past the launch's patience: a launch that
    // gave up then, or was killed, has told its user it failed, and its files must not open now.
    if (launchWire::hungUp(socket)) {
        logLine(QStringLiteral("dropped the request of a launch that stopped waiting before it was read"));
        connection.done = true;
        socket.abort();
        return;
    }
    connection.offered = request;
    socket.putChar(launchWire::offered);
    socket.flush();
}

} // namespace kelvaro
