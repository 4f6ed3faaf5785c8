#pragma once
// One running Kelvaro per user. The first process claims the instance and listens on a local
// socket; a later launch (`kelvaro FILE…` from Open With or a launcher drop, `kelvaro --send
// FILE…` from the file manager's action) hands its local file paths to that process and exits.
// Locks, not the socket, decide who runs: two launches at the same moment cannot both become the
// running instance. One profile (settings folder) has one running instance wherever each launch's
// runtime or temporary folder is: the profile's lock (ProfileLock) is the authority, taken first
// and let go last; the lock beside the socket follows it, so that launches of one runtime folder
// meet at one socket. A socket or lock file left behind by a crash is cleared by the next launch,
// as is anything else in the way. A launch that finds the profile held asks the socket its holder
// named there, and its own. The running instance takes a request only once its launch, offered to,
// answers that it still waits (LaunchReceiver): a launch that gave up on an instance held past its
// patience, or was killed meanwhile, is never taken later.
// A process that will not stay (it is ending) declines: a launch is told so and waits, its
// connection held, until the end is called off (its files are then taken) or the process lets go
// (it then waits for the locks and becomes the running instance itself, or hands its files to the
// one that did), rather than being taken by a process about to go. However long the end takes, the
// launch waits while that process lives: its files never end with it.
// Main thread (the declining answers come from a thread of their own); created by main() right
// after the application object.
#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

#include <QObject>
#include <QString>
#include <QStringList>

#include "app/LaunchRequest.h"

class QDeadlineTimer;
class QLockFile;

namespace kelvaro {

class InstanceDecliner;
class LaunchReceiver;
class ProfileLock;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Overrides the socket name (tests run their own instance next to a real one).
    static constexpr const char* socketEnvironment = "KELVARO_INSTANCE_SOCKET";

    enum class Role {
        primary,   // this process is the running instance (listening, unless the socket failed)
        handedOff, // the request went to the running instance; this process should exit 0
        failed,    // another instance holds the lock but did not take the request in time
    };

    // How long a launch waits for the running instance to take its request: one still starting
    // answers only once its window is built, which a busy machine may take seconds for, and a
    // launch that gave up would lose its files.
    static constexpr int answerPatienceMs = 20000;

    // `name`: a socket name or absolute path; empty means defaultName() and the profile's lock
    // (profileLockPath()) kept as well.
    explicit SingleInstance(const QString& name = {}, QObject* parent = nullptr);
    ~SingleInstance() override; // releases

    // $KELVARO_INSTANCE_SOCKET when set, else "kelvaro-instance" in the user's runtime folder
    // (or the per-user name "kelvaro-<user>" in the temporary folder without one that takes files).
    static QString defaultName();
    // "instance.lock" in the settings folder.
    static QString profileLockPath();
    // Keeps the one instance of the profile whose lock is `lockPath` as well, before claim().
    void guardProfile(const QString& lockPath);

    // The request of a command line (the program name first), each argument as NativePath::decoded
    // gives it: QCoreApplication::arguments() has lost any byte of a file name that is not UTF-8.
    // Relative paths are taken against `workingDir`; file: URIs become paths; web links, other
    // URIs, options and paths that do not exist are dropped. Touches disk (exists checks).
    static LaunchRequest parseArguments(const QStringList& arguments, const QString& workingDir);
    // What `--help` (the arguments the program takes) or `--version` print instead of starting
    // any window; none for every other command line. Options end at "--".
    static std::optional<QString> informationRequest(const QStringList& arguments);

    // Becomes the running instance, or sends `request` to the one already running and waits for
    // its answer at most `timeoutMs` (it may still be starting up). One that declines is waited
    // for as long as its process lives, on the connection and then on the locks, with no deadline;
    // this process becomes the running instance once it holds them, reading the settings only
    // after the other's last save, or hands `request` to whoever took them (which has `timeoutMs`
    // to answer once the ending process is gone). Blocks the calling thread.
    Role claim(const LaunchRequest& request, int timeoutMs = SingleInstance::answerPatienceMs);

    // Sends `request` to the instance listening on `name`; true once it confirmed receipt (never
    // from one that declines). Blocks at most `timeoutMs` for the offer to take it, then as long as
    // that instance keeps the connection; usable from any thread.
    static bool send(const QString& name, const LaunchRequest& request, int timeoutMs = 2000);

    bool isListening() const;
    QString name() const { return m_name; }
    // This process will not stay: from now on no launch is taken (requested() is not emitted); each
    // is told to wait for release(). Keeps the locks. The answers come from a thread of their own,
    // so that they come while this thread waits for the last save. Nothing when not the instance.
    void decline();
    bool isDeclining() const { return m_decliner != nullptr; }
    // Takes launches again: the end declined for was called off. The launches told to wait that
    // still do are taken too (requested() for each, queued). Nothing unless declining.
    void resume();
    // Stops listening (or declining) and lets go of the locks, the profile's last, so that a process
    // started afterwards, or a launch waiting, becomes the running instance.
    void release();
    // Where release() stands when it calls the hook a test set, which may hold it there.
    enum class ReleaseStep { socketClosed, socketLockReleased };
    void setReleaseHook(std::function<void(ReleaseStep)> hook) { m_releaseHook = std::move(hook); }
    // The language switch's restart: declines, starts `program` (this executable by default) and,
    // once it has started, quits this process (queued); the new process becomes the running
    // instance once this one has made its last save and let go. When it cannot be started, takes
    // launches again and returns false: this process keeps running.
    bool relaunch(const QString& program = {});

Q_SIGNALS:
    // A later launch's request; already checked (absolute, existing local paths only).
    void requested(const kelvaro::LaunchRequest& request);

private:
    enum class Answer {
        taken,   // the instance has the request
        ending,  // it is ending (asked with no `ender` to wait for)
        letGo,   // it was ending and has let go (or died): its locks are free or about to be
        dropped, // it offered to take the request, was told the launch still waits, and closed
                 // without taking it (it began to end meanwhile, or died): worth asking again
        silent,  // it was sent the request and had not answered by the deadline; should it read the
                 // request later, it finds this launch gone and drops it
        none,    // nobody answered
    };
    // Sends `request` to `name` and waits for the answer until `deadline`. Offered to, answers that
    // it still waits and from then on waits on the connection, with no deadline, for the request to
    // be taken. Told that the instance is ending, returns at once when `ender` is null; else sets
    // `*ender` to that process and waits on the connection, with no deadline, until the request is
    // taken or the process lets go.
    static Answer ask(const QString& name, const LaunchRequest& request, const QDeadlineTimer& deadline, pid_t* ender);
    enum class Locks { taken, socketAlone, heldElsewhere };
    Locks takeLocks();
    QStringList socketsToAsk() const;
    void listen();
    void stopListening();
    QString socketPath() const;
    QString lockPath() const;

    QString m_name;
    QLockFile* m_lock = nullptr;
    std::unique_ptr<ProfileLock> m_profile; // none: not kept
    std::unique_ptr<LaunchReceiver> m_receiver; // while taking launches
    std::unique_ptr<InstanceDecliner> m_decliner;
    std::function<void(ReleaseStep)> m_releaseHook;
};

} // namespace kelvaro
