#pragma once
// The real folder panel: a modal QFileDialog that picks one existing (or newly created) folder.
// Created once by the application at start-up and installed as FolderChooser::shared().
#include "platform/FolderChooser.h"

class QWidget;

namespace kelvaro {

class FileDialogFolderChooser : public FolderChooser {
public:
    // `parent` may be null; the dialog is then application-modal.
    explicit FileDialogFolderChooser(QWidget* parent = nullptr) : m_parent(parent) {}

    std::optional<QString> choose(const QString& message, const std::optional<QString>& startAt) override;

private:
    QWidget* m_parent;
};

} // namespace kelvaro
