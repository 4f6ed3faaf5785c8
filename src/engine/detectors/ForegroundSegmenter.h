#pragma once
// Separates the subject(s) of a photo from the background. The effects ask
// ForegroundSegmenter::shared(); tests set an override that returns a fixed mask. The real one
// runs the segmentation network when its model is installed, else GrabCut seeded by a centred
// rectangle. Safe from any thread; the network is loaded when a run first needs it, kept a while
// after the last run for the next one, and then let go (takeShared).
#include <functional>
#include <memory>

#include <QString>
#include <QtGlobal>

#include <opencv2/core.hpp>

namespace kelvaro::detectors {

class ForegroundSegmenter {
public:
    virtual ~ForegroundSegmenter() = default;
    // A soft mask of all foreground instances: CV_8U of `rgb`'s size (rgb: CV_8UC3, RGB), 255 =
    // subject, 0 = background. All zero when there is no subject.
    virtual cv::Mat segment(const cv::Mat& rgb) const = 0;
    // What it holds whatever the photo's size, for the memory budget.
    virtual qint64 workingBytes() const { return 0; }

    static std::shared_ptr<const ForegroundSegmenter> shared();
    // The real segmenter made so far, without making one; none when none is.
    static std::shared_ptr<const ForegroundSegmenter> loaded();
    static void setOverride(std::shared_ptr<const ForegroundSegmenter> segmenter);
    // Tests: what the real segmenter is made by, a stand-in that is loaded, kept and let go as the
    // network is (unlike an override); none restores the network.
    static void setMaker(std::function<std::shared_ptr<const ForegroundSegmenter>()> make);
    // Lets the real segmenter made so far go, network and all: the next shared() loads it again.
    // What is returned is freed where the caller drops it.
    static std::shared_ptr<const ForegroundSegmenter> takeShared();
};

// What the segmentation network holds once it has run, whatever the photo's size: its weights
// and the activations of a 1024² pass, which OpenCV keeps for the next one. From the peak
// resident size of one small photo's run beyond a conversion's.
inline constexpr qint64 segmenterWorkingBytes = 640'000'000;

// The segmentation network (1 × 3 × 1024 × 1024 in, a 1024² sigmoid map out).
class IsNetSegmenter final : public ForegroundSegmenter {
public:
    explicit IsNetSegmenter(const QString& modelPath);
    ~IsNetSegmenter() override;
    bool isAvailable() const;
    cv::Mat segment(const cv::Mat& rgb) const override;
    qint64 workingBytes() const override { return isAvailable() ? segmenterWorkingBytes : 0; }

private:
    struct Net;
    std::unique_ptr<Net> m_net;
};

// No model needed: GrabCut seeded by a rectangle over the centre of the photo.
class GrabCutSegmenter final : public ForegroundSegmenter {
public:
    cv::Mat segment(const cv::Mat& rgb) const override;
};

// The network when its model is found, else GrabCut.
class DefaultSegmenter final : public ForegroundSegmenter {
public:
    DefaultSegmenter();
    cv::Mat segment(const cv::Mat& rgb) const override;
    qint64 workingBytes() const override { return m_network.workingBytes(); }

private:
    IsNetSegmenter m_network;
    GrabCutSegmenter m_fallback;
};

} // namespace kelvaro::detectors
