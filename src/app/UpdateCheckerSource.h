#pragma once
// The about page's view of the update checker: forwards its state and requests, and reports any
// change of status, release or automatic-check setting as one change. Main thread; the screen
// installer creates one over the shared checker.
#include "ui/settings/UpdateSource.h"

namespace kelvaro {

class UpdateChecker;

class UpdateCheckerSource : public settings::UpdateSource {
    Q_OBJECT
public:
    explicit UpdateCheckerSource(UpdateChecker& checker, QObject* parent = nullptr);

    bool hasFeed() const override;
    QString feedHost() const override;
    Status status() const override;
    std::optional<QString> availableVersion() const override;
    std::optional<QString> notes() const override;
    bool autoCheck() const override;
    void setAutoCheck(bool autoCheck) override;
    void check() override;
    void openDownload() override;

private:
    UpdateChecker& m_checker;
};

} // namespace kelvaro
