#pragma once
// One running Kelvaro per user. The first process claims a lock file and listens on a local
// socket; a later launch (`kelvaro FILE…` from Open With or a launcher drop, `kelvaro --send
// FILE…` from the file manager's action) hands its local file paths to that process and exits.
// The lock, not the socket, decides who runs: two launches at the same moment cannot both
// become the running instance, and a socket left behind by a crash is cleared by the next one, as
// is a lock file no process holds (one a killed launch left empty) and anything else in the way.
// One profile (settings folder) has one running instance too, wherever each launch's runtime or
// temporary folder is: the instance holds a lock in the profile that names its socket, and a
// launch that finds it held goes to that socket instead of its own.
// A process that will not stay (it is ending) declines: a launch is told so, waits for the lock
// and then becomes the running instance itself, rather than being taken by a process about to go.
// Main thread (the declining answers come from a thread of their own); created by main() right
// after the application object.
#include <atomic>

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QThread;

namespace kelvaro {

// What one launch asks of the running instance.
struct LaunchRequest {
    QStringList files;     // absolute paths of existing local files and folders (NativePath text), in argument order
    bool activate = false; // a bare launch (no arguments): bring the main window forward
    bool operator==(const LaunchRequest&) const = default;
};

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Overrides the socket name (tests run their own instance next to a real one).
    static constexpr const char* socketEnvironment = "KELVARO_INSTANCE_SOCKET";

    enum class Role {
        primary,   // this process is the running instance (listening, unless the socket failed)
        handedOff, // the request went to the running instance; this process should exit 0
        failed,    // another instance holds the lock but did not take the request in time
        stillEnding, // the running instance said it is ending and did not let go in time; exit 1
    };

    // How long a launch waits for the running instance to take its request: one still starting
    // answers only once its window is built, which a busy machine may take seconds for, and a
    // launch that gave up would lose its files.
    static constexpr int answerPatienceMs = 20000;

    // How long a launch waits for a running instance that declined (it is ending) to let go: past
    // the end's wait for another process's settings lock and the last save's own wait (half a
    // minute each).
    static constexpr int endingPatienceMs = 90000;

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
    // for up to `endingPatienceMs` from its first answer; then this process becomes the running
    // instance, reading the settings only after the other's last save. Blocks the calling thread.
    Role claim(const LaunchRequest& request, int timeoutMs = SingleInstance::answerPatienceMs,
               int endingPatienceMs = SingleInstance::endingPatienceMs);

    // Sends `request` to the instance listening on `name`; true once it confirmed receipt (never
    // from one that declines). Blocks at most `timeoutMs`; usable from any thread.
    static bool send(const QString& name, const LaunchRequest& request, int timeoutMs = 2000);

    bool isListening() const;
    QString name() const { return m_name; }
    // This process will not stay: from now on no launch is taken (requested() is not emitted); each
    // is told to wait for release(). Keeps the lock. The answers come from a thread of their own,
    // so that they come while this thread waits for the last save. Nothing when not the instance.
    void decline();
    bool isDeclining() const { return m_decliner != nullptr; }
    // Takes launches again: the end declined for was called off. Nothing unless declining.
    void resume();
    // Stops listening (or declining) and lets go of the lock, so that a process started afterwards,
    // or a launch waiting, becomes the running instance.
    void release();
    // The language switch's restart: declines, starts `program` (this executable by default) and,
    // once it has started, quits this process (queued); the new process becomes the running
    // instance once this one has made its last save and let go. When it cannot be started, takes
    // launches again and returns false: this process keeps running.
    bool relaunch(const QString& program = {});

Q_SIGNALS:
    // A later launch's request; already checked (absolute, existing local paths only).
    void requested(const kelvaro::LaunchRequest& request);

private:
    enum class Answer { taken, ending, none };
    static Answer ask(const QString& name, const LaunchRequest& request, int timeoutMs);
    void listen();
    void stopListening();
    void takeConnection();
    void readFrom(QLocalSocket* socket);
    QString socketPath() const;
    QString lockPath() const;
    enum class ProfileLock { taken, heldElsewhere, none };
    ProfileLock lockProfile(int timeoutMs);
    void releaseProfile();

    QString m_name;
    QLockFile* m_lock = nullptr;
    QString m_profileLock; // empty: not kept
    int m_profileFd = -1;  // held (flock) while this process is the profile's instance
    QLocalServer* m_server = nullptr;
    QThread* m_decliner = nullptr;
    std::atomic<bool> m_stopDeclining{false};
};

} // namespace kelvaro
