#pragma once
// HeldFolder: the one output folder whose access the store keeps open (the last run's, or the
// output folder while shelves are worked on). Holding another releases the previous one. Owned
// by KelvaroStore; main thread. Not observed.
#include <optional>

#include <QString>

namespace kelvaro {

class HeldFolder {
public:
    HeldFolder() = default;
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    const std::optional<QString>& folder() const { return m_folder; }
    // Starts access to `folder` and stops the one held before; none is held when it cannot start.
    void hold(const QString& folder);
    // Holds the remembered output folder, when there is one. Touches disk (resolves it).
    void holdOutputFolder();

private:
    std::optional<QString> m_folder;
};

} // namespace kelvaro
