#include "engine/ExtraEffects.h"

#include <algorithm>
#include <cmath>

#include <QRegularExpression>

#include <opencv2/imgproc.hpp>

#include "engine/FileAbort.h"
#include "engine/detectors/FaceDetector.h"
#include "engine/detectors/ForegroundSegmenter.h"
#include "engine/detectors/ModelFiles.h"
#include "engine/detectors/TextRecognizer.h"
#include "platform/Log.h"

namespace kelvaro {

using namespace detectors;

namespace {

// Text is read at a higher resolution than other detectors look at: letters of a photographed
// page are only a few pixels high at 1024 px.
constexpr int textMaxSide = 2048;
// A mask with fewer subject pixels than this share holds no real subject (noise, a speck).
constexpr double minimumSubjectShare = 0.002;
// Mask levels at or below `clearBelow` become fully transparent, at or above `solidAbove` fully
// opaque, so clear background leaves no haze while the subject's edges stay soft.
constexpr int clearBelow = 12;
constexpr int solidAbove = 243;

cv::Rect clippedRect(const QRectF& rect, const cv::Size& size)
{
    const int x0 = std::clamp(int(std::floor(rect.left())), 0, size.width);
    const int y0 = std::clamp(int(std::floor(rect.top())), 0, size.height);
    const int x1 = std::clamp(int(std::ceil(rect.right())), 0, size.width);
    const int y1 = std::clamp(int(std::ceil(rect.bottom())), 0, size.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

// Fills every cell of a grid (cells of `cell` px, lines through `origin`) that meets `clip` with
// the mean colour of the cell's pixels in `src`; writes only inside `clip` of `dst`. `src` and
// `dst` may be the same image: cells do not overlap.
void pixelateInto(const cv::Mat& src, cv::Mat& dst, const cv::Rect& clip, double cell, cv::Point2d origin)
{
    if (clip.empty() || cell <= 0)
        return;
    const cv::Rect bounds(0, 0, src.cols, src.rows);
    const auto cellStart = [&](double o, long k) { return int(std::floor(o + k * cell)); };
    const long kx0 = long(std::floor((clip.x - origin.x) / cell));
    const long kx1 = long(std::floor((clip.x + clip.width - 1 - origin.x) / cell));
    const long ky0 = long(std::floor((clip.y - origin.y) / cell));
    const long ky1 = long(std::floor((clip.y + clip.height - 1 - origin.y) / cell));
    for (long ky = ky0; ky <= ky1; ++ky)
        for (long kx = kx0; kx <= kx1; ++kx) {
            const int x0 = cellStart(origin.x, kx), x1 = cellStart(origin.x, kx + 1);
            const int y0 = cellStart(origin.y, ky), y1 = cellStart(origin.y, ky + 1);
            const cv::Rect whole(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0));
            // Cells past the border take the border's colour, as from an image extended by its edges.
            cv::Rect sampled = whole & bounds;
            if (sampled.empty()) {
                const int sx = std::clamp(whole.x, 0, src.cols - 1), sy = std::clamp(whole.y, 0, src.rows - 1);
                sampled = cv::Rect(sx, sy, 1, 1);
            }
            const cv::Scalar mean = cv::mean(src(sampled));
            const cv::Rect written = whole & clip;
            if (!written.empty())
                dst(written).setTo(mean);
        }
}

// The blur style's effect for one face, for the pixels of `boxClip`: a strong blur, coarse
// cells over it and a second, lighter blur, from the source extended by its edge pixels.
// Worked on a reduced copy: the result holds no detail finer than its cells anyway.
cv::Mat blurPatch(const cv::Mat& src, const QRectF& face, const QRectF& box, const cv::Rect& boxClip)
{
    const double sigma1 = std::max(std::max(face.width(), face.height()) / 4.5, 8.0);
    const double sigma2 = std::max(sigma1 / 2.5, 4.0);
    const int margin = int(std::ceil(3 * sigma1 + 4 * sigma2));
    const cv::Rect area(boxClip.x - margin, boxClip.y - margin, boxClip.width + 2 * margin, boxClip.height + 2 * margin);
    const cv::Rect inner = area & cv::Rect(0, 0, src.cols, src.rows);
    const double factor = std::max(1.0, sigma1 / 4);
    const cv::Size reducedSize(std::max(1, int(std::lround(inner.width / factor))),
                               std::max(1, int(std::lround(inner.height / factor))));
    const double fx = double(inner.width) / reducedSize.width, fy = double(inner.height) / reducedSize.height;
    cv::Mat work;
    if (reducedSize == inner.size())
        work = src(inner).clone();
    else
        cv::resize(src(inner), work, reducedSize, 0, 0, cv::INTER_AREA);
    const int left = int(std::lround((inner.x - area.x) / fx)), top = int(std::lround((inner.y - area.y) / fy));
    const int right = int(std::lround((area.br().x - inner.br().x) / fx));
    const int bottom = int(std::lround((area.br().y - inner.br().y) / fy));
    cv::copyMakeBorder(work, work, top, bottom, left, right, cv::BORDER_REPLICATE);
    // Full-image coordinate X is work coordinate (X − inner.x) / fx + left.
    cv::GaussianBlur(work, work, cv::Size(0, 0), sigma1 / fx);
    const cv::Point2d centre((box.center().x() - inner.x) / fx + left, (box.center().y() - inner.y) / fy + top);
    pixelateInto(work, work, cv::Rect(0, 0, work.cols, work.rows), sigma2 / fx, centre);
    cv::GaussianBlur(work, work, cv::Size(0, 0), sigma2 / fx);
    // Back to full size, only for the box's pixels (pixel centres mapped onto pixel centres).
    const cv::Matx23d toWork(1 / fx, 0, (boxClip.x + 0.5 - inner.x) / fx + left - 0.5,
                             0, 1 / fy, (boxClip.y + 0.5 - inner.y) / fy + top - 0.5);
    cv::Mat patch;
    cv::warpAffine(work, patch, toWork, boxClip.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    return patch;
}

Bitmap pixelatedFaces(const cv::Mat& src, const QList<QRectF>& faces)
{
    cv::Mat result = src.clone();
    for (const QRectF& face : faces) {
        const QRectF grown = face.adjusted(-0.25 * face.width(), -0.25 * face.height(), 0.25 * face.width(),
                                           0.25 * face.height());
        const cv::Rect clip = clippedRect(grown, src.size());
        if (clip.empty())
            continue;
        const double cell = std::max(std::max(clip.width, clip.height) / 7.0, 8.0);
        // The grid starts at the patch's lower-left corner, so cells line up with its edges.
        pixelateInto(src, result, clip, cell, cv::Point2d(clip.x, clip.y + clip.height));
    }
    return fromMat(result);
}

Bitmap softMasked(const cv::Mat& src, const QList<QRectF>& faces, FaceStyle style)
{
    cv::Mat result = src.clone();
    QList<QRectF> boxes;
    cv::Rect touched;
    for (const QRectF& face : faces) {
        const QRectF box = ImageEffects::facePatchBox(face);
        const cv::Rect clip = clippedRect(box, src.size());
        if (clip.empty())
            continue;
        boxes << box;
        touched = touched.empty() ? clip : (touched | clip);
        // Later faces lie over earlier ones; every effect is made from the untouched source.
        if (style == FaceStyle::solid)
            result(clip).setTo(cv::Scalar(ImageEffects::solidFaceColour[0], ImageEffects::solidFaceColour[1],
                                          ImageEffects::solidFaceColour[2], 255));
        else
            blurPatch(src, face, box, clip).copyTo(result(clip));
    }
    if (!boxes.isEmpty()) {
        const cv::Mat mask = ImageEffects::ovalMask(boxes, touched);
        for (int y = 0; y < touched.height; ++y) {
            const uchar* m = mask.ptr<uchar>(y);
            const uchar* s = src.ptr<uchar>(touched.y + y) + 4 * touched.x;
            uchar* r = result.ptr<uchar>(touched.y + y) + 4 * touched.x;
            for (int x = 0; x < touched.width; ++x, s += 4, r += 4) {
                const int weight = m[x];
                for (int c = 0; c < 4; ++c)
                    r[c] = uchar((r[c] * weight + s[c] * (255 - weight) + 127) / 255);
            }
        }
    }
    return fromMat(result);
}

} // namespace

// ---- Faces --------------------------------------------------------------------------------------

QRectF ImageEffects::facePatchBox(const QRectF& face)
{
    const QPointF centre(face.center().x(), face.center().y() - 0.05 * face.height());
    return {centre.x() - 0.8 * face.width(), centre.y() - face.height(), 1.6 * face.width(), 2 * face.height()};
}

cv::Mat ImageEffects::ovalMask(const QList<QRectF>& boxes, const cv::Rect& area)
{
    cv::Mat mask(std::max(area.height, 0), std::max(area.width, 0), CV_8U, cv::Scalar(0));
    for (const QRectF& box : boxes) {
        const double rx = box.width() / 2, ry = box.height() / 2;
        if (rx <= 0 || ry <= 0)
            continue;
        const cv::Rect span = clippedRect(box, cv::Size(area.br().x, area.br().y)) & area;
        for (int y = span.y; y < span.br().y; ++y) {
            uchar* row = mask.ptr<uchar>(y - area.y);
            const double dy = (y + 0.5 - box.center().y()) / ry;
            for (int x = span.x; x < span.br().x; ++x) {
                const double dx = (x + 0.5 - box.center().x()) / rx;
                const double d = std::sqrt(dx * dx + dy * dy);
                const double value = d <= 0.65 ? 1.0 : (d >= 1 ? 0.0 : (1 - d) / 0.35);
                row[x - area.x] = std::max(row[x - area.x], uchar(std::lround(value * 255)));
            }
        }
    }
    return mask;
}

Bitmap ImageEffects::anonymisedFaces(const Bitmap& image, const QList<QRectF>& faces, FaceStyle style,
                                     const QString& name)
{
    try {
        Bitmap memory;
        const cv::Mat src = rgbaView(image, memory);
        if (style == FaceStyle::pixelate)
            return pixelatedFaces(src, faces);
        return softMasked(src, faces, style);
    } catch (const std::exception& error) { // vips::VError, cv::Exception, std::bad_alloc
        logLine(QStringLiteral("face anonymising failed for %1: %2").arg(name, QString::fromUtf8(error.what())));
        throw KelvaroError::writeFailed(name);
    }
}

Bitmap ImageEffects::blurredFaces(const Bitmap& image, FaceStyle style, const QString& name)
{
    QList<QRectF> faces;
    try {
        const ReducedImage reduced = reducedRGB(image);
        for (const QRectF& box : FaceDetector::shared()->detect(reduced.rgb))
            faces << QRectF(box.x() * image.width(), box.y() * image.height(), box.width() * image.width(),
                            box.height() * image.height());
    } catch (const std::exception& error) {
        logLine(QStringLiteral("face detection failed for %1: %2").arg(name, QString::fromUtf8(error.what())));
        throw KelvaroError::writeFailed(name);
    }
    // A batch file asked to stop goes no further than its detection.
    if (ImageEngine::fileAbortRequested())
        throw KelvaroError::writeFailed(name);
    if (faces.isEmpty())
        throw KelvaroError::noFaces(name);
    return anonymisedFaces(image, faces, style, name);
}

// ---- Background ---------------------------------------------------------------------------------

Bitmap ImageEffects::removeBackground(const Bitmap& image, const QString& name)
{
    cv::Mat mask;
    try {
        const ReducedImage reduced = reducedRGB(image);
        cv::Scalar mean, deviation;
        cv::meanStdDev(reduced.rgb, mean, deviation);
        // A plain surface has nothing to cut out, whatever a segmenter would guess.
        if (std::max({deviation[0], deviation[1], deviation[2]}) < 1.5)
            throw KelvaroError::noSubject(name);
        mask = ForegroundSegmenter::shared()->segment(reduced.rgb);
        if (ImageEngine::fileAbortRequested())
            throw KelvaroError::writeFailed(name);
        if (mask.type() != CV_8U || mask.size() != reduced.rgb.size())
            throw KelvaroError::writeFailed(name);
        if (cv::countNonZero(mask >= 128) < minimumSubjectShare * double(mask.total()))
            throw KelvaroError::noSubject(name);
        // Clear background fully transparent, the subject fully opaque, the edge between soft.
        mask.convertTo(mask, CV_8U, 255.0 / (solidAbove - clearBelow), -255.0 * clearBelow / (solidAbove - clearBelow));
        if (mask.size() != cv::Size(image.width(), image.height()))
            cv::resize(mask, mask, cv::Size(image.width(), image.height()), 0, 0, cv::INTER_LINEAR);

        const vips::VImage alphaMask =
            vips::VImage::new_from_memory(mask.data, mask.total(), mask.cols, mask.rows, 1, VIPS_FORMAT_UCHAR);
        // New alpha = old alpha × mask / 255, rounded.
        const vips::VImage alpha = (image.extract_band(3).cast(VIPS_FORMAT_USHORT) * alphaMask.cast(VIPS_FORMAT_USHORT) + 127) / 255;
        return image.extract_band(0, vips::VImage::option()->set("n", 3))
            .bandjoin(alpha.cast(VIPS_FORMAT_UCHAR))
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
            .copy_memory();
    } catch (const KelvaroError&) {
        throw;
    } catch (const std::exception& error) {
        logLine(QStringLiteral("background removal failed for %1: %2").arg(name, QString::fromUtf8(error.what())));
        throw KelvaroError::writeFailed(name);
    }
}

// ---- Text ---------------------------------------------------------------------------------------

QString ImageEffects::recognizeText(const Bitmap& image)
{
    try {
        const ReducedImage reduced = reducedRGB(image, textMaxSide);
        QStringList lines;
        static const QRegularExpression wordCharacter(QStringLiteral("[\\p{L}\\p{N}]"));
        for (const QString& line : TextRecognizer::shared()->lines(reduced.rgb))
            if (line.contains(wordCharacter)) // a lone "|" or "—" is an edge read as a glyph
                lines << line;
        return lines.join(QLatin1Char('\n'));
    } catch (const std::exception& error) {
        // Passed on: an empty text would tell the user the photo holds none.
        logLine(QStringLiteral("text recognition failed: %1").arg(QString::fromUtf8(error.what())));
        throw;
    }
}

} // namespace kelvaro
