#pragma once
// The progress bar that desktop launchers and task bars draw over the application's icon, and
// the request for the user's attention when work ends in the background. Main thread.
#include <QList>
#include <QString>

namespace kelvaro {

class LauncherProgress {
public:
    virtual ~LauncherProgress() = default;
    // Shows the bar at `fraction` (0–1).
    virtual void show(double fraction) = 0;
    virtual void hide() = 0;
};

// The com.canonical.Unity.LauncherEntry "Update" signal for the application's desktop id
// (QGuiApplication::desktopFileName); quietly nothing without a session bus.
class DBusLauncherProgress : public LauncherProgress {
public:
    void show(double fraction) override;
    void hide() override;
    // "application://<desktop id>.desktop"
    static QString applicationUri();
};

struct LauncherUpdate {
    bool visible = false;
    double fraction = 0;
    bool operator==(const LauncherUpdate&) const = default;
};

class RecordingLauncherProgress : public LauncherProgress {
public:
    void show(double fraction) override { updates.append({true, fraction}); }
    void hide() override { updates.append({false, 0}); }
    QList<LauncherUpdate> updates;
};

// Whether the application is in front, and the short "look at me" of its window or icon.
class AttentionRequest {
public:
    virtual ~AttentionRequest() = default;
    virtual bool isApplicationActive() const;   // QGuiApplication's state
    virtual void requestAttention() {}          // informational, never critical

    // The process-wide one; the widgets layer installs its own (the core cannot reach widgets).
    static AttentionRequest& shared();
    static void setShared(AttentionRequest* request); // not owned; nullptr restores the default
};

class RecordingAttention : public AttentionRequest {
public:
    bool isApplicationActive() const override { return active; }
    void requestAttention() override { ++requests; }
    bool active = true;
    int requests = 0;
};

} // namespace kelvaro
