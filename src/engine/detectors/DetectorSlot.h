#pragma once
// The one instance of a detector interface the effects use: a test override when one is set,
// else the real implementation, made on first use and shared by every thread for the rest of the
// process. Implementations must be safe to call from several threads at once.
#include <functional>
#include <memory>
#include <utility>

#include <QMutex>

namespace kelvaro::detectors {

template <typename Interface>
class DetectorSlot {
public:
    using Ptr = std::shared_ptr<const Interface>;

    explicit DetectorSlot(std::function<Ptr()> makeReal) : m_makeOwn(std::move(makeReal)), m_makeReal(m_makeOwn) {}

    Ptr get()
    {
        QMutexLocker lock(&m_lock);
        if (m_override)
            return m_override;
        if (!m_real)
            m_real = m_makeReal();
        return m_real;
    }
    // The real implementation made so far, none when none is; kept by the slot.
    Ptr made()
    {
        QMutexLocker lock(&m_lock);
        return m_real;
    }
    // The real implementation made so far, let go by the slot: the next get() makes a new one.
    // Returned so that the caller frees it outside the slot's lock.
    Ptr takeReal()
    {
        QMutexLocker lock(&m_lock);
        return std::exchange(m_real, nullptr);
    }
    // Replaces what makes the real implementation (tests: a stand-in made, kept and let go as
    // the real one is); none restores it. Takes effect at the next make.
    void setMaker(std::function<Ptr()> make)
    {
        QMutexLocker lock(&m_lock);
        m_makeReal = make ? std::move(make) : m_makeOwn;
    }
    // nullptr goes back to the real implementation.
    void setOverride(Ptr detector)
    {
        QMutexLocker lock(&m_lock);
        m_override = std::move(detector);
    }

private:
    QMutex m_lock;
    const std::function<Ptr()> m_makeOwn;
    std::function<Ptr()> m_makeReal;
    Ptr m_real;
    Ptr m_override;
};

} // namespace kelvaro::detectors
