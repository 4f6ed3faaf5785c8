#include "engine/detectors/FaceDetector.h"

#include <algorithm>
#include <cmath>

#include <QMutex>

#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

#include "engine/detectors/DetectorSlot.h"
#include "engine/detectors/ModelFiles.h"
#include "platform/Log.h"

namespace kelvaro::detectors {
namespace {

// Tuned on real photos: a missed face leaves someone recognisable, a false patch only blurs a
// little background, so the thresholds lean towards finding.
constexpr float frontThreshold = 0.6f;
constexpr float backThreshold = 0.6f;
constexpr float haarScore = 0.5f; // ranks below a confident network box of the same face
// The cascade's own certainty (its last stage's weight): below this it mostly finds coins, moons
// and gravel.
constexpr double haarMinimumWeight = 2.0;
// The cascade sees the photo's grey levels spread over the whole range, so a dark or hazy face
// looks as it would in good light. No level may take more than this many times an even share of
// the range: a plain backdrop or sky that fills half the photo would otherwise take half the range
// and squeeze the faces on it into what is left, and the cascade then reads a whole figure with
// its head and collar as one face.
constexpr double haarContrastLimit = 4.0;

DetectorSlot<FaceDetector>& slot()
{
    static DetectorSlot<FaceDetector> instance([] { return std::make_shared<const CombinedFaceDetector>(); });
    return instance;
}

float iou(const cv::Rect2f& a, const cv::Rect2f& b)
{
    const float inter = (a & b).area();
    const float uni = a.area() + b.area() - inter;
    return uni > 0 ? inter / uni : 0;
}

QList<QRectF> normalised(const QList<FaceCandidate>& faces, const cv::Mat& image)
{
    QList<QRectF> boxes;
    for (const FaceCandidate& face : faces)
        boxes << QRectF(face.box.x / image.cols, face.box.y / image.rows, face.box.width / image.cols,
                        face.box.height / image.rows);
    return boxes;
}

} // namespace

std::shared_ptr<const FaceDetector> FaceDetector::shared() { return slot().get(); }
void FaceDetector::setOverride(std::shared_ptr<const FaceDetector> detector) { slot().setOverride(std::move(detector)); }

QList<FaceCandidate> suppressOverlaps(QList<FaceCandidate> candidates, float iouLimit)
{
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const FaceCandidate& a, const FaceCandidate& b) { return a.score > b.score; });
    QList<FaceCandidate> kept;
    for (const FaceCandidate& candidate : std::as_const(candidates)) {
        const bool covered = std::any_of(kept.cbegin(), kept.cend(), [&](const FaceCandidate& k) {
            const float inter = (k.box & candidate.box).area();
            return iou(k.box, candidate.box) > iouLimit || (candidate.box.area() > 0 && inter > 0.6f * candidate.box.area());
        });
        if (!covered)
            kept << candidate;
    }
    return kept;
}

// ---- Network face detector ----------------------------------------------------------------

struct BlazeFaceDetector::Net {
    cv::dnn::Net net;
    int size = 0;
    float threshold = 0;
    mutable QMutex lock; // one forward pass at a time per network

    // Candidates in `square` (a size × size-ready square crop), in its pixels.
    QList<FaceCandidate> run(const cv::Mat& square) const
    {
        cv::Mat input;
        cv::resize(square, input, cv::Size(size, size), 0, 0, cv::INTER_AREA);
        cv::Mat tensor;
        input.convertTo(tensor, CV_32FC3, 2.0 / 255, -1.0); // RGB in [−1, 1]
        const int shape[] = {1, size, size, 3};             // NHWC
        const cv::Mat blob(4, shape, CV_32F, tensor.data);
        std::vector<cv::Mat> outputs;
        {
            QMutexLocker guard(&lock);
            cv::dnn::Net& mutableNet = const_cast<cv::dnn::Net&>(net);
            mutableNet.setInput(blob);
            mutableNet.forward(outputs, std::vector<cv::String>{"Identity:0", "Identity_1:0", "Identity_2:0", "Identity_3:0"});
        }
        QList<FaceCandidate> found;
        const float scale = float(square.cols) / size;
        // Two anchor grids: 16 × 16 cells with 2 anchors, 8 × 8 cells with 6.
        for (int layer = 0; layer < 2; ++layer) {
            const int cells = layer == 0 ? 16 : 8;
            const int anchors = layer == 0 ? 2 : 6;
            const float* scores = outputs[layer].ptr<float>();
            const float* boxes = outputs[layer + 2].ptr<float>();
            for (int cy = 0; cy < cells; ++cy)
                for (int cx = 0; cx < cells; ++cx)
                    for (int a = 0; a < anchors; ++a) {
                        const int i = (cy * cells + cx) * anchors + a;
                        const float score = 1.f / (1.f + std::exp(-scores[i]));
                        if (score < threshold)
                            continue;
                        const float* b = boxes + i * 16;
                        const float x = (cx + 0.5f) / cells + b[0] / size;
                        const float y = (cy + 0.5f) / cells + b[1] / size;
                        const float w = b[2] / size, h = b[3] / size;
                        if (w <= 0 || h <= 0)
                            continue;
                        found << FaceCandidate{cv::Rect2f((x - w / 2) * size * scale, (y - h / 2) * size * scale,
                                                          w * size * scale, h * size * scale),
                                               score};
                    }
        }
        return found;
    }
};

namespace {
std::unique_ptr<BlazeFaceDetector::Net> loadNet(const QString& path, int size, float threshold)
{
    if (path.isEmpty())
        return {};
    try {
        auto net = std::make_unique<BlazeFaceDetector::Net>();
        net->net = cv::dnn::readNetFromONNX(path.toStdString());
        net->size = size;
        net->threshold = threshold;
        return net;
    } catch (const cv::Exception& error) {
        logLine(QStringLiteral("failed to load face model %1: %2").arg(path, QString::fromUtf8(error.what())));
        return {};
    }
}
} // namespace

BlazeFaceDetector::BlazeFaceDetector(const QString& frontModel, const QString& backModel)
    : m_front(loadNet(frontModel, 128, frontThreshold))
    , m_back(loadNet(backModel, 256, backThreshold))
{
}

BlazeFaceDetector::~BlazeFaceDetector() = default;

bool BlazeFaceDetector::isAvailable() const { return m_front || m_back; }

QList<FaceCandidate> BlazeFaceDetector::candidates(const cv::Mat& rgb) const
{
    QList<FaceCandidate> found;
    if (rgb.empty() || !isAvailable())
        return found;
    // The networks want a square: pad with black rather than distort the faces.
    const int side = std::max(rgb.cols, rgb.rows);
    const cv::Point offset((side - rgb.cols) / 2, (side - rgb.rows) / 2);
    cv::Mat square(side, side, CV_8UC3, cv::Scalar::all(0));
    rgb.copyTo(square(cv::Rect(offset, rgb.size())));
    auto collect = [&](const Net& net, const cv::Rect& area) {
        for (FaceCandidate face : net.run(square(area))) {
            face.box.x += area.x - offset.x;
            face.box.y += area.y - offset.y;
            found << face;
        }
    };
    const cv::Rect whole(0, 0, side, side);
    if (m_front)
        collect(*m_front, whole);
    if (m_back) {
        collect(*m_back, whole);
        // Small faces of a group photo vanish at 256 px: look again at four overlapping quarters.
        if (side >= 384) {
            const int tile = int(side * 0.6);
            for (int ty : {0, side - tile})
                for (int tx : {0, side - tile})
                    collect(*m_back, cv::Rect(tx, ty, tile, tile));
        }
    }
    return found;
}

QList<QRectF> BlazeFaceDetector::detect(const cv::Mat& rgb) const
{
    return normalised(suppressOverlaps(candidates(rgb)), rgb);
}

// ---- Haar cascade -------------------------------------------------------------------------------

struct HaarFaceDetector::Cascade {
    cv::CascadeClassifier classifier;
    mutable QMutex lock; // the classifier keeps per-call state
};

HaarFaceDetector::HaarFaceDetector(const QString& cascadeFile)
{
    if (cascadeFile.isEmpty())
        return;
    auto cascade = std::make_unique<Cascade>();
    try {
        if (cascade->classifier.load(cascadeFile.toStdString()))
            m_cascade = std::move(cascade);
    } catch (const cv::Exception&) {
    }
    if (!m_cascade)
        logLine(QStringLiteral("failed to load face cascade %1").arg(cascadeFile));
}

HaarFaceDetector::~HaarFaceDetector() = default;

bool HaarFaceDetector::isAvailable() const { return bool(m_cascade); }

QList<FaceCandidate> HaarFaceDetector::candidates(const cv::Mat& rgb) const
{
    QList<FaceCandidate> found;
    if (rgb.empty() || !m_cascade)
        return found;
    cv::Mat grey;
    cv::cvtColor(rgb, grey, cv::COLOR_RGB2GRAY);
    // One tile: the same spread everywhere, as a plain equalisation but for the limit.
    cv::createCLAHE(haarContrastLimit, cv::Size(1, 1))->apply(grey, grey);
    std::vector<cv::Rect> faces;
    std::vector<int> levels;
    std::vector<double> weights;
    {
        QMutexLocker guard(&m_cascade->lock);
        m_cascade->classifier.detectMultiScale(grey, faces, levels, weights, 1.1, 5, 0, cv::Size(20, 20), cv::Size(), true);
    }
    for (size_t i = 0; i < faces.size(); ++i)
        if (i < weights.size() && weights[i] >= haarMinimumWeight)
            found << FaceCandidate{cv::Rect2f(faces[i]), haarScore};
    return found;
}

QList<QRectF> HaarFaceDetector::detect(const cv::Mat& rgb) const
{
    return normalised(suppressOverlaps(candidates(rgb)), rgb);
}

// ---- Both ---------------------------------------------------------------------------------------

CombinedFaceDetector::CombinedFaceDetector()
    : m_blaze(modelFile(QLatin1String(faceFrontModel)), modelFile(QLatin1String(faceBackModel)))
    , m_haar(modelFile(QLatin1String(faceCascade)))
{
    if (!m_blaze.isAvailable())
        logLine(QStringLiteral("face models not found; faces are found by the cascade alone"));
}

QList<QRectF> CombinedFaceDetector::detect(const cv::Mat& rgb) const
{
    QList<FaceCandidate> all = m_blaze.candidates(rgb);
    all << m_haar.candidates(rgb);
    return normalised(suppressOverlaps(all), rgb);
}

} // namespace kelvaro::detectors
