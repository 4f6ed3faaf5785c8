#pragma once
// What the about page shows of the update checker and asks of it, behind a small seam: the
// application hands in the shared checker, the tests and the gallery a FakeUpdateSource whose
// state they set. changed() is emitted when anything shown here changes. Main thread.
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

namespace kelvaro::settings {

class UpdateSource : public QObject {
    Q_OBJECT
public:
    enum class Status { idle, checking, upToDate, failed };
    using QObject::QObject;

    // Whether a release feed is configured; without one nothing is ever checked.
    virtual bool hasFeed() const = 0;
    // The feed's host, named in the privacy policy.
    virtual QString feedHost() const = 0;
    virtual Status status() const = 0;
    // The version of a newer release found by the last check.
    virtual std::optional<QString> availableVersion() const = 0;
    // Its notes in the interface language; none when it has none.
    virtual std::optional<QString> notes() const = 0;
    virtual bool autoCheck() const = 0;
    virtual void setAutoCheck(bool autoCheck) = 0;
    // A check the user asked for; the answer arrives as a change of state.
    virtual void check() = 0;
    // Opens the newer release's download page.
    virtual void openDownload() = 0;

Q_SIGNALS:
    void changed();
};

// Test double: state set by hand; records the requests.
class FakeUpdateSource : public UpdateSource {
public:
    bool hasFeed() const override { return feed; }
    QString feedHost() const override { return host; }
    Status status() const override { return state; }
    std::optional<QString> availableVersion() const override { return version; }
    std::optional<QString> notes() const override { return releaseNotes; }
    bool autoCheck() const override { return automatic; }
    void setAutoCheck(bool autoCheck) override
    {
        automatic = autoCheck;
        Q_EMIT changed();
    }
    void check() override { ++checks; }
    void openDownload() override { ++downloads; }

    // Sets the shown state at once.
    void set(Status status, std::optional<QString> available = std::nullopt, std::optional<QString> notes = std::nullopt)
    {
        state = status;
        version = std::move(available);
        releaseNotes = std::move(notes);
        Q_EMIT changed();
    }

    bool feed = true;
    QString host = QStringLiteral("updates.example.org");
    Status state = Status::idle;
    std::optional<QString> version;
    std::optional<QString> releaseNotes;
    bool automatic = true;
    int checks = 0;
    int downloads = 0;
};

} // namespace kelvaro::settings
