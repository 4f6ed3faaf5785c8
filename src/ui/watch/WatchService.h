#pragma once
// What the watch screen, its rule cards and the add-watch sheet need of the folder watcher: the
// rules, their live statuses, the change signals and the operations behind the controls. The
// application hands the screen a FolderWatcherService over its one watcher; tests and the gallery
// hand it a scripted one. Main thread.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include "watch/WatchModels.h"

namespace kelvaro {

class FolderWatcher;
class KelvaroStore;

class WatchService : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // In the order they were added.
    virtual QList<WatchRule> rules() const = 0;
    // A rule without a status is idle, reachable and has no message.
    virtual WatchStatus status(const QUuid& id) const = 0;
    // The number of enabled rules.
    int activeCount() const;

    // The stored rules could not be read; they are left as they are and none can be added.
    virtual bool rulesUnreadable() const { return false; }
    // Remembers `folder` (absolute path) as a new enabled rule, or says why it did not. Refusing a
    // duplicate is the caller's job.
    virtual WatchAddResult add(const QString& folder, const WatchAction& action) = 0;
    virtual void setEnabled(const QUuid& id, bool on) = 0;
    virtual void remove(const QUuid& id) = 0;
    // Each returns at once; outcomes show up in the rule's status, a folder the file manager
    // did not show on the status line.
    virtual void processExisting(const QUuid& id) = 0;
    virtual void openFolder(const WatchRule& rule) = 0;
    virtual void openResults(const WatchRule& rule) = 0;

Q_SIGNALS:
    void rulesChanged();
    void statusesChanged();
};

// The application's watcher behind the screen's seam. Without a watcher (tests that build every
// screen, the gallery's main window) there are no rules and nothing can be added. A folder the
// file manager does not show is reported on `store`'s status line (when there is a store).
class FolderWatcherService final : public WatchService {
    Q_OBJECT
public:
    explicit FolderWatcherService(FolderWatcher* watcher, KelvaroStore* store = nullptr, QObject* parent = nullptr);

    QList<WatchRule> rules() const override;
    WatchStatus status(const QUuid& id) const override;
    bool rulesUnreadable() const override;
    WatchAddResult add(const QString& folder, const WatchAction& action) override;
    void setEnabled(const QUuid& id, bool on) override;
    void remove(const QUuid& id) override;
    void processExisting(const QUuid& id) override;
    void openFolder(const WatchRule& rule) override;
    void openResults(const WatchRule& rule) override;

private:
    QPointer<FolderWatcher> m_watcher;
    QPointer<KelvaroStore> m_store;
};

} // namespace kelvaro
