#include "engine/Bitmap.h"

#include <mutex>

#include <vips/vector.h>

#include "engine/VectorCode.h"

namespace kelvaro {

void initVips()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (VIPS_INIT("kelvaro") != 0)
            qFatal("Kelvaro: libvips failed to start");
        if (!ImageEngine::vectorCodeHasSafePlace())
            vips_vector_set_enabled(FALSE);
        vips_block_untrusted_set(TRUE);
        // Only the decoders of the formats Kelvaro reads are reachable: a hostile file can't
        // wander into FITS, Matlab, OpenEXR and the like (BMP and PDF go through Qt/poppler).
        vips_operation_block_set("VipsForeignLoad", TRUE);
        for (const char* loader : {"VipsForeignLoadJpeg", "VipsForeignLoadPng", "VipsForeignLoadHeif", "VipsForeignLoadTiff",
                                   "VipsForeignLoadNsgif", "VipsForeignLoadWebp"})
            vips_operation_block_set(loader, FALSE);
        vips_cache_set_max(0); // every file is read once; a cache only costs memory
    });
}

vips::VImage normalizedPipeline(const vips::VImage& input, bool withAlpha)
{
    initVips();
    vips::VImage image = input;
    // ICC-tagged and CMYK sources are converted through their profile; others by interpretation.
    if (image.get_typeof(VIPS_META_ICC_NAME) != 0) {
        try {
            image = image.icc_transform("srgb", vips::VImage::option()
                                                    ->set("embedded", true)
                                                    ->set("intent", VIPS_INTENT_PERCEPTUAL)
                                                    ->set("depth", 8));
        } catch (const vips::VError&) {
            image = input; // a broken profile: fall back to the plain interpretation
        }
    }
    // CMYK without a usable profile goes through the generic CMYK one in a single step: the
    // interpretation's way passes every strip through three float stages, which streamed
    // pipelines of a batch held at once several times over.
    if (image.interpretation() == VIPS_INTERPRETATION_CMYK && image.bands() == 4 && image.format() == VIPS_FORMAT_UCHAR) {
        try {
            image = image.icc_transform("srgb", vips::VImage::option()
                                                    ->set("input_profile", "cmyk")
                                                    ->set("intent", VIPS_INTENT_PERCEPTUAL)
                                                    ->set("depth", 8));
        } catch (const vips::VError&) {
        }
    }
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB || image.format() != VIPS_FORMAT_UCHAR) {
        const bool grey = image.bands() <= 2 && image.interpretation() != VIPS_INTERPRETATION_CMYK;
        if (grey) {
            // grey16 → 8-bit grey first, then to three bands below
            if (image.format() != VIPS_FORMAT_UCHAR)
                image = image.colourspace(VIPS_INTERPRETATION_B_W);
        } else {
            image = image.colourspace(VIPS_INTERPRETATION_sRGB);
        }
        if (image.format() != VIPS_FORMAT_UCHAR)
            image = image.cast(VIPS_FORMAT_UCHAR);
    }
    if (image.bands() == 1)
        image = withAlpha ? image.bandjoin(image).bandjoin(image).bandjoin(255) : image.bandjoin(image).bandjoin(image);
    else if (image.bands() == 2)
        image = image[0].bandjoin(image[0]).bandjoin(image[0]).bandjoin(image[1]);
    else if (image.bands() == 3 && withAlpha)
        image = image.bandjoin(255);
    else if (image.bands() > 4)
        image = image.extract_band(0, vips::VImage::option()->set("n", 4));
    return image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

Bitmap normalizedBitmap(const vips::VImage& input)
{
    return normalizedPipeline(input).copy_memory();
}

QImage toQImage(const Bitmap& bitmap)
{
    const Bitmap image = bitmap.copy_memory();
    const void* data = image.data();
    QImage wrapped(static_cast<const uchar*>(data), image.width(), image.height(),
                   image.width() * 4, QImage::Format_RGBA8888);
    return wrapped.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

Bitmap fromQImage(const QImage& qimage)
{
    initVips();
    const QImage rgba = qimage.convertToFormat(QImage::Format_RGBA8888);
    const size_t rowBytes = size_t(rgba.width()) * 4;
    std::vector<uchar> buffer(rowBytes * size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        memcpy(buffer.data() + rowBytes * size_t(y), rgba.constScanLine(y), rowBytes);
    vips::VImage image = vips::VImage::new_from_memory(buffer.data(), buffer.size(), rgba.width(), rgba.height(), 4,
                                                       VIPS_FORMAT_UCHAR);
    // copy_memory makes the deep copy while the buffer is still alive
    return image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)).copy_memory();
}

cv::Mat toMat(const Bitmap& bitmap)
{
    const Bitmap image = bitmap.copy_memory();
    cv::Mat wrapped(image.height(), image.width(), CV_8UC4, const_cast<void*>(image.data()));
    return wrapped.clone();
}

Bitmap fromMat(const cv::Mat& rgba)
{
    initVips();
    cv::Mat continuous = rgba.isContinuous() ? rgba : rgba.clone();
    CV_Assert(continuous.type() == CV_8UC4);
    vips::VImage image = vips::VImage::new_from_memory(continuous.data, continuous.total() * 4, continuous.cols,
                                                       continuous.rows, 4, VIPS_FORMAT_UCHAR);
    return image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)).copy_memory();
}

} // namespace kelvaro
