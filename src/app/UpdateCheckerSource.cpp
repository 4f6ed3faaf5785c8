#include "app/UpdateCheckerSource.h"

#include "app/UpdateChecker.h"

namespace kelvaro {

UpdateCheckerSource::UpdateCheckerSource(UpdateChecker& checker, QObject* parent) : UpdateSource(parent), m_checker(checker)
{
    connect(&checker, &UpdateChecker::statusChanged, this, &UpdateSource::changed);
    connect(&checker, &UpdateChecker::availableChanged, this, &UpdateSource::changed);
    connect(&checker, &UpdateChecker::autoCheckChanged, this, &UpdateSource::changed);
}

bool UpdateCheckerSource::hasFeed() const
{
    return m_checker.hasFeed();
}

QString UpdateCheckerSource::feedHost() const
{
    return m_checker.feed().host();
}

UpdateCheckerSource::Status UpdateCheckerSource::status() const
{
    switch (m_checker.status()) {
    case UpdateChecker::Status::checking: return Status::checking;
    case UpdateChecker::Status::upToDate: return Status::upToDate;
    case UpdateChecker::Status::failed: return Status::failed;
    case UpdateChecker::Status::idle: break;
    }
    return Status::idle;
}

std::optional<QString> UpdateCheckerSource::availableVersion() const
{
    if (!m_checker.available())
        return std::nullopt;
    return m_checker.available()->version;
}

std::optional<QString> UpdateCheckerSource::notes() const
{
    return m_checker.notes();
}

bool UpdateCheckerSource::autoCheck() const
{
    return m_checker.autoCheck();
}

void UpdateCheckerSource::setAutoCheck(bool autoCheck)
{
    m_checker.setAutoCheck(autoCheck);
}

void UpdateCheckerSource::check()
{
    m_checker.check(true);
}

void UpdateCheckerSource::openDownload()
{
    // The checker opens http and https addresses only.
    m_checker.openDownload();
}

} // namespace kelvaro
