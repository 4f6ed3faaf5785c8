#pragma once
// A stand-in for the segmentation network while this lives: made, kept between runs and let go as
// the real network is (ForegroundSegmenter::setMaker), priced at `bytes`, counting how often it is
// loaded, and keeping every pixel as foreground. Gone, the real network comes back and nothing it
// kept stays counted. Main thread.
#include <atomic>

#include <QtGlobal>

namespace kelvaro::test {

class StandInNetwork {
public:
    explicit StandInNetwork(qint64 bytes);
    ~StandInNetwork();
    StandInNetwork(const StandInNetwork&) = delete;
    StandInNetwork& operator=(const StandInNetwork&) = delete;

    int loads() const { return m_loads.load(); }

private:
    std::atomic_int m_loads = 0;
};

} // namespace kelvaro::test
