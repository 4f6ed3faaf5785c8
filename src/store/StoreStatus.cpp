#include "store/StoreStatus.h"

#include <utility>

#include "store/Observed.h"

namespace kelvaro {

void StoreStatus::assignMessage(const std::optional<QString>& v)
{
    if (v != m_statusMessage)
        setStatusDetails({});
    assignObserved(this, m_statusMessage, v, &StoreStatus::statusMessageChanged);
}
void StoreStatus::assignIsError(bool v) { assignObserved(this, m_statusIsError, v, &StoreStatus::statusIsErrorChanged); }

void StoreStatus::setStatusMessage(const std::optional<QString>& v)
{
    m_whenSaved.reset();
    assignMessage(v);
}
void StoreStatus::setStatusDetails(const QStringList& v) { assignObserved(this, m_statusDetails, v, &StoreStatus::statusDetailsChanged); }
void StoreStatus::setStatusIsError(bool v)
{
    m_whenSaved.reset();
    assignIsError(v);
}
void StoreStatus::setLastOutputs(const QStringList& v) { assignObserved(this, m_lastOutputs, v, &StoreStatus::lastOutputsChanged); }

void StoreStatus::setStatus(const std::optional<QString>& message, bool isError)
{
    setStatusMessage(message);
    setStatusIsError(isError);
    if (message && isError)
        Q_EMIT errorReported();
}

void StoreStatus::setUnsavedStatus(const QString& message, bool isError, const std::optional<QString>& whenSaved)
{
    setStatus(message, isError);
    m_whenSaved = whenSaved;
}

void StoreStatus::changesSaved()
{
    if (!m_whenSaved)
        return;
    const std::optional<QString> message = *std::exchange(m_whenSaved, std::nullopt);
    // The failures of a run's files still stand behind what its sentence says now.
    const QStringList details = message ? m_statusDetails : QStringList();
    assignMessage(message);
    assignIsError(false);
    setStatusDetails(details);
}

} // namespace kelvaro
