#include "engine/detectors/ForegroundSegmenter.h"

#include <QMutex>

#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include "engine/FileAbort.h"
#include "engine/detectors/DetectorSlot.h"
#include "engine/detectors/ModelFiles.h"
#include "platform/Log.h"

namespace kelvaro::detectors {
namespace {

constexpr int networkSide = 1024;
// Below this peak the network saw nothing it would call a subject (a plain wall peaks < 0.05).
constexpr double subjectPeak = 0.5;
// GrabCut is slow and needs no detail: it works on a copy of at most this long side.
constexpr int grabCutSide = 320;

DetectorSlot<ForegroundSegmenter>& slot()
{
    static DetectorSlot<ForegroundSegmenter> instance([] { return std::make_shared<const DefaultSegmenter>(); });
    return instance;
}

} // namespace

std::shared_ptr<const ForegroundSegmenter> ForegroundSegmenter::shared() { return slot().get(); }
std::shared_ptr<const ForegroundSegmenter> ForegroundSegmenter::loaded() { return slot().made(); }
void ForegroundSegmenter::setOverride(std::shared_ptr<const ForegroundSegmenter> segmenter)
{
    slot().setOverride(std::move(segmenter));
}
std::shared_ptr<const ForegroundSegmenter> ForegroundSegmenter::takeShared() { return slot().takeReal(); }
void ForegroundSegmenter::setMaker(std::function<std::shared_ptr<const ForegroundSegmenter>()> make)
{
    slot().setMaker(std::move(make));
}

// ---- Network ------------------------------------------------------------------------------------

struct IsNetSegmenter::Net {
    cv::dnn::Net net;
    QMutex lock; // one forward pass at a time; each uses every core anyway
};

IsNetSegmenter::IsNetSegmenter(const QString& modelPath)
{
    if (modelPath.isEmpty())
        return;
    try {
        auto net = std::make_unique<Net>();
        net->net = cv::dnn::readNetFromONNX(modelPath.toStdString());
        m_net = std::move(net);
    } catch (const cv::Exception& error) {
        logLine(QStringLiteral("failed to load segmentation model %1: %2").arg(modelPath, QString::fromUtf8(error.what())));
    }
}

IsNetSegmenter::~IsNetSegmenter() = default;

bool IsNetSegmenter::isAvailable() const { return bool(m_net); }

cv::Mat IsNetSegmenter::segment(const cv::Mat& rgb) const
{
    if (!m_net || rgb.empty())
        return cv::Mat::zeros(rgb.size(), CV_8U);
    // (v − 127.5) / 255: the network was trained on values centred on zero with unit range.
    const cv::Mat blob = cv::dnn::blobFromImage(rgb, 1.0 / 255, cv::Size(networkSide, networkSide),
                                                cv::Scalar::all(127.5), false, false);
    cv::Mat output;
    {
        QMutexLocker guard(&m_net->lock);
        // Batch files queue here: one asked to stop meanwhile gives its turn away at once.
        if (ImageEngine::fileAbortRequested())
            return cv::Mat::zeros(rgb.size(), CV_8U);
        m_net->net.setInput(blob);
        output = m_net->net.forward().clone();
    }
    const cv::Mat map(networkSide, networkSide, CV_32F, output.ptr<float>());
    double low = 0, high = 0;
    cv::minMaxLoc(map, &low, &high);
    if (high < subjectPeak)
        return cv::Mat::zeros(rgb.size(), CV_8U);
    cv::Mat stretched;
    map.convertTo(stretched, CV_8U, 255.0 / (high - low), -low * 255.0 / (high - low));
    cv::Mat mask;
    cv::resize(stretched, mask, rgb.size(), 0, 0, cv::INTER_LINEAR);
    return mask;
}

// ---- GrabCut ------------------------------------------------------------------------------------

cv::Mat GrabCutSegmenter::segment(const cv::Mat& rgb) const
{
    if (rgb.cols < 8 || rgb.rows < 8)
        return cv::Mat::zeros(rgb.size(), CV_8U);
    const double scale = std::min(1.0, double(grabCutSide) / std::max(rgb.cols, rgb.rows));
    cv::Mat small;
    cv::resize(rgb, small, cv::Size(), scale, scale, cv::INTER_AREA);
    cv::Mat bgr;
    cv::cvtColor(small, bgr, cv::COLOR_RGB2BGR);
    // The subject is assumed to sit in the middle: a border of 8 % is taken as background.
    const int mx = std::max(1, int(small.cols * 0.08)), my = std::max(1, int(small.rows * 0.08));
    const cv::Rect seed(mx, my, small.cols - 2 * mx, small.rows - 2 * my);
    cv::Mat labels(small.size(), CV_8U, cv::Scalar(cv::GC_BGD));
    cv::Mat bgModel, fgModel;
    try {
        cv::grabCut(bgr, labels, seed, bgModel, fgModel, 5, cv::GC_INIT_WITH_RECT);
    } catch (const cv::Exception&) {
        return cv::Mat::zeros(rgb.size(), CV_8U); // a photo without two colours to tell apart
    }
    cv::Mat hard = (labels == cv::GC_FGD) | (labels == cv::GC_PR_FGD);
    // Soft edges like the network's: blur the hard cut a little before scaling it up.
    cv::Mat soft;
    cv::GaussianBlur(hard, soft, cv::Size(0, 0), 1.0);
    cv::Mat mask;
    cv::resize(soft, mask, rgb.size(), 0, 0, cv::INTER_LINEAR);
    return mask;
}

// ---- Default ------------------------------------------------------------------------------------

DefaultSegmenter::DefaultSegmenter()
    : m_network(modelFile(QLatin1String(segmentationModel)))
{
    if (!m_network.isAvailable())
        logLine(QStringLiteral("segmentation model not found; background removal uses GrabCut"));
}

cv::Mat DefaultSegmenter::segment(const cv::Mat& rgb) const
{
    return m_network.isAvailable() ? m_network.segment(rgb) : m_fallback.segment(rgb);
}

} // namespace kelvaro::detectors
