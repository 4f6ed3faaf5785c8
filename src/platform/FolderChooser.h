#pragma once
// The one folder panel of the application, behind a small seam: the app installs the real
// dialog at start-up (FileDialogFolderChooser), tests install a FakeFolderChooser. With none
// installed every choice is cancelled. Main thread only (the real panel is modal).
#include <memory>
#include <optional>

#include <QList>
#include <QString>

namespace kelvaro {

class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // Asks the user for one folder; `message` says what it is for. None when cancelled.
    virtual std::optional<QString> choose(const QString& message, const std::optional<QString>& startAt) = 0;

    static std::shared_ptr<FolderChooser> shared() { return slot(); }
    static void setShared(std::shared_ptr<FolderChooser> chooser) { slot() = std::move(chooser); }

private:
    static std::shared_ptr<FolderChooser>& slot()
    {
        static std::shared_ptr<FolderChooser> instance;
        return instance;
    }
};

// Answers with a preset folder (or a cancel) and records what it was asked.
class FakeFolderChooser : public FolderChooser {
public:
    struct Request {
        QString message;
        std::optional<QString> startAt;
    };

    explicit FakeFolderChooser(std::optional<QString> answer = std::nullopt) : answer(std::move(answer)) {}

    std::optional<QString> choose(const QString& message, const std::optional<QString>& startAt) override
    {
        requests.append({message, startAt});
        return answer;
    }

    std::optional<QString> answer;
    QList<Request> requests;
};

} // namespace kelvaro
