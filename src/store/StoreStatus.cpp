#include "store/StoreStatus.h"

#include "store/Observed.h"

namespace kelvaro {

void StoreStatus::setStatusMessage(const std::optional<QString>& v)
{
    if (v != m_statusMessage)
        setStatusDetails({});
    assignObserved(this, m_statusMessage, v, &StoreStatus::statusMessageChanged);
}
void StoreStatus::setStatusDetails(const QStringList& v) { assignObserved(this, m_statusDetails, v, &StoreStatus::statusDetailsChanged); }
void StoreStatus::setStatusIsError(bool v) { assignObserved(this, m_statusIsError, v, &StoreStatus::statusIsErrorChanged); }
void StoreStatus::setLastOutputs(const QStringList& v) { assignObserved(this, m_lastOutputs, v, &StoreStatus::lastOutputsChanged); }

void StoreStatus::setStatus(const std::optional<QString>& message, bool isError)
{
    setStatusMessage(message);
    setStatusIsError(isError);
    if (message && isError)
        Q_EMIT errorReported();
}

} // namespace kelvaro
