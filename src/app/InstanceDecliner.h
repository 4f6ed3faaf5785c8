#pragma once
// Answers launches for a running instance that will not stay (it is ending), on a thread of its
// own (a QThread: its sockets need the event dispatcher Qt gives only its own threads) so that
// they are answered while the main thread waits for the last save. Each launch's
// request is read and told to wait, and its connection is held: when the end is called off the
// instance takes every request whose launch still waits, and when the instance lets go the
// connections close, and each launch then waits for the instance's lock instead of asking again.
// Created and stopped by SingleInstance on the main thread.
#include <atomic>
#include <memory>
#include <mutex>

#include <QList>
#include <QString>

#include "app/LaunchRequest.h"

class QThread;

namespace kelvaro {

class InstanceDecliner {
public:
    // Starts listening on `name` (the instance's own socket, which it must have closed).
    explicit InstanceDecliner(const QString& name);
    ~InstanceDecliner(); // stops as letGo() does
    InstanceDecliner(const InstanceDecliner&) = delete;
    InstanceDecliner& operator=(const InstanceDecliner&) = delete;

    // The end was called off: stops listening and tells each launch still waiting that its request
    // was taken; returns those requests, in the order they came, for the instance to handle.
    QList<LaunchRequest> takeWaiting();
    // Stops listening and closes the launches' connections, so that they wait for the lock.
    void letGo();

private:
    enum Stop { running, closing, taking };
    void stop(Stop how);
    void run(const QString& name);

    std::unique_ptr<QThread> m_thread;
    // Set by the thread as the last thing it does: QThread::wait() synchronises inside Qt, where
    // ThreadSanitizer cannot see it, and this flag's release and acquire are what it sees instead.
    std::atomic<bool> m_ran{false};
    std::atomic<int> m_stop{running};
    std::mutex m_takenMutex;
    QList<LaunchRequest> m_taken; // written by the thread as it ends
};

} // namespace kelvaro
