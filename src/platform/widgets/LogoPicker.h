#pragma once
// The panel in which the user picks a watermark logo, behind a small seam: the real one is a
// modal QFileDialog (installed by default), tests install a FakeLogoPicker. Main thread only.
#include <memory>
#include <optional>

#include <QString>

class QFileDialog;
class QWidget;

namespace kelvaro {

class LogoPicker {
public:
    virtual ~LogoPicker() = default;
    // Asks for one image file; none when cancelled.
    virtual std::optional<QString> choose(QWidget* parent) = 0;

    // The picker in use: a FileDialogLogoPicker unless another one was installed.
    static std::shared_ptr<LogoPicker> shared();
    static void setShared(std::shared_ptr<LogoPicker> picker);
};

// The real panel: one existing image file, "Použít" on its accept button.
class FileDialogLogoPicker : public LogoPicker {
public:
    std::optional<QString> choose(QWidget* parent) override;
    // The panel choose() shows, not yet shown; owned by `parent` (by the caller without one).
    static QFileDialog* makeDialog(QWidget* parent);
};

// Answers with a preset file (or a cancel) and counts how often it was asked.
class FakeLogoPicker : public LogoPicker {
public:
    explicit FakeLogoPicker(std::optional<QString> answer = std::nullopt) : answer(std::move(answer)) {}
    std::optional<QString> choose(QWidget*) override
    {
        ++requests;
        return answer;
    }

    std::optional<QString> answer;
    int requests = 0;
};

} // namespace kelvaro
