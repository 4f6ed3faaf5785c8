#pragma once
// Finds faces in a photo. The effects ask FaceDetector::shared(); tests set an override that
// returns fixed boxes. The real detector is the union of two networks of one face model (short
// and full range) and a Haar cascade, merged by non-maximum suppression; any of them whose file
// is missing is left out. Safe from any thread; the networks are loaded once per process.
#include <memory>

#include <QList>
#include <QRectF>

#include <opencv2/core.hpp>

namespace kelvaro::detectors {

class FaceDetector {
public:
    virtual ~FaceDetector() = default;
    // Faces in `rgb` (CV_8UC3, RGB), each a rectangle normalised to 0–1 of the image's width and
    // height, origin top-left. Boxes may reach a little past the image's border.
    virtual QList<QRectF> detect(const cv::Mat& rgb) const = 0;

    static std::shared_ptr<const FaceDetector> shared();
    // Replaces the real detector for the whole process; nullptr restores it.
    static void setOverride(std::shared_ptr<const FaceDetector> detector);
};

// A scored candidate in pixels of the image it was found in.
struct FaceCandidate {
    cv::Rect2f box;
    float score = 0;
};

// Keeps the best of boxes that overlap by more than `iouLimit` (intersection over union), or when
// one lies mostly (over 60 %) inside a bigger, better-scored one. Returns them best first.
QList<FaceCandidate> suppressOverlaps(QList<FaceCandidate> candidates, float iouLimit = 0.3f);

// The real detectors, each usable on its own (tests, tuning).
class BlazeFaceDetector final : public FaceDetector {
public:
    // `frontModel`/`backModel`: .onnx paths; an empty or unreadable one is skipped.
    BlazeFaceDetector(const QString& frontModel, const QString& backModel);
    ~BlazeFaceDetector() override;
    bool isAvailable() const;
    QList<QRectF> detect(const cv::Mat& rgb) const override;
    QList<FaceCandidate> candidates(const cv::Mat& rgb) const;

    struct Net; // one loaded network with its input size and threshold

private:
    std::unique_ptr<Net> m_front, m_back;
};

class HaarFaceDetector final : public FaceDetector {
public:
    explicit HaarFaceDetector(const QString& cascadeFile);
    ~HaarFaceDetector() override;
    bool isAvailable() const;
    QList<QRectF> detect(const cv::Mat& rgb) const override;
    QList<FaceCandidate> candidates(const cv::Mat& rgb) const;

private:
    struct Cascade;
    std::unique_ptr<Cascade> m_cascade;
};

// Union of the two with suppression: what shared() gives when nothing is overridden.
class CombinedFaceDetector final : public FaceDetector {
public:
    CombinedFaceDetector();
    QList<QRectF> detect(const cv::Mat& rgb) const override;

private:
    BlazeFaceDetector m_blaze;
    HaarFaceDetector m_haar;
};

} // namespace kelvaro::detectors
