#include "StandInNetwork.h"

#include <memory>

#include <opencv2/core.hpp>

#include "engine/MemoryBudget.h"
#include "engine/detectors/ForegroundSegmenter.h"

namespace kelvaro::test {
namespace {

struct Network : detectors::ForegroundSegmenter {
    explicit Network(qint64 bytes) : m_bytes(bytes) {}
    cv::Mat segment(const cv::Mat& rgb) const override { return cv::Mat(rgb.size(), CV_8U, cv::Scalar(255)); }
    qint64 workingBytes() const override { return m_bytes; }

private:
    qint64 m_bytes;
};

} // namespace

StandInNetwork::StandInNetwork(qint64 bytes)
{
    detectors::ForegroundSegmenter::takeShared();
    detectors::ForegroundSegmenter::setMaker([this, bytes] {
        ++m_loads;
        return std::make_shared<const Network>(bytes);
    });
}

StandInNetwork::~StandInNetwork()
{
    detectors::ForegroundSegmenter::setMaker({});
    MemoryBudget::shared().takeKept();
    detectors::ForegroundSegmenter::takeShared();
}

} // namespace kelvaro::test
