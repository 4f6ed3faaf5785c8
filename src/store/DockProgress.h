#pragma once
// The progress of a user run of two or more files on the launcher icon, and the attention request
// when a run ends while the application is in the background. Owned by the store, main thread.
#include <memory>

namespace kelvaro {

class AttentionRequest;
class LauncherProgress;

class DockProgress {
public:
    // `attention` may be null: AttentionRequest::shared() is asked at each finish.
    DockProgress(std::shared_ptr<LauncherProgress> launcher, std::shared_ptr<AttentionRequest> attention);

    // Shows done/total (clamped to 0–1) while working with total ≥ 2; otherwise hides a shown bar.
    void update(int done, int total, bool working);
    // Hides the bar; asks for attention once when the application is not active.
    void finish();

    bool isShowing() const { return m_showing; }
    double fraction() const { return m_fraction; }

private:
    void hide();
    std::shared_ptr<LauncherProgress> m_launcher;
    std::shared_ptr<AttentionRequest> m_attention;
    bool m_showing = false;
    double m_fraction = 0;
};

} // namespace kelvaro
