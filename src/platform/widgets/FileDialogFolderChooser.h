#pragma once
// The real folder panel: a modal folder dialog that picks one existing folder, or creates and
// picks a typed one that does not exist yet. Created once by the application at start-up and
// installed as FolderChooser::shared(). Main thread.
#include <optional>

#include <QFileDialog>
#include <QPointer>

#include "platform/FolderChooser.h"

class QWidget;

namespace kelvaro {

// Qt's own folder dialog (the same on every desktop), with the message that says what the
// folder is for above the file list. A typed path that does not exist yet is created and
// chosen; a folder made with "Create New Folder" replaces whatever was typed before.
class FolderDialog : public QFileDialog {
    Q_OBJECT
public:
    // Without `startAt` (or when it is gone) the dialog opens in the user's pictures folder.
    FolderDialog(QWidget* parent, const QString& message, const std::optional<QString>& startAt);

    // The chosen folder once accepted (absolute, clean); none before.
    std::optional<QString> chosen() const { return m_chosen; }
    QString typedText() const;
    void setTypedText(const QString& text);

    static QString defaultFolder();

public Q_SLOTS:
    void accept() override;

private:
    void followNewFolder();
    std::optional<QString> m_chosen;
};

// The dialog belongs to the window that asks, the active one (the onboarding, the settings window,
// a sheet), so it opens over that window and that window is in front and active again once it
// closes; a dialog of the main window would raise the main window over the one that asked.
class FileDialogFolderChooser : public FolderChooser {
public:
    // `fallback` asks when no window of the application is active; may be null (the dialog is then
    // application-modal).
    explicit FileDialogFolderChooser(QWidget* fallback = nullptr) : m_fallback(fallback) {}

    std::optional<QString> choose(const QString& message, const std::optional<QString>& startAt) override;

private:
    QPointer<QWidget> m_fallback;
};

} // namespace kelvaro
