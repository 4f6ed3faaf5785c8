// ZXing 1.4 gives UTF-16 text unless asked for UTF-8.
#define ZX_USE_UTF8 1
#include "engine/detectors/CodeReader.h"

#include <ZXing/ReadBarcode.h>

#include "engine/detectors/DetectorSlot.h"

namespace kelvaro::detectors {
namespace {
DetectorSlot<CodeReader>& slot()
{
    static DetectorSlot<CodeReader> instance([] { return std::make_shared<const ZXingCodeReader>(); });
    return instance;
}
} // namespace

std::shared_ptr<const CodeReader> CodeReader::shared() { return slot().get(); }
void CodeReader::setOverride(std::shared_ptr<const CodeReader> reader) { slot().setOverride(std::move(reader)); }

QStringList ZXingCodeReader::read(const cv::Mat& rgb) const
{
    QStringList payloads;
    if (rgb.empty() || rgb.type() != CV_8UC3)
        return payloads;
    const cv::Mat pixels = rgb.isContinuous() ? rgb : rgb.clone();
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Any);
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    try {
        const ZXing::ImageView view(pixels.data, pixels.cols, pixels.rows, ZXing::ImageFormat::RGB, int(pixels.step));
        for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
            if (!result.isValid())
                continue;
            const QString text = QString::fromStdString(result.text());
            if (!text.isEmpty())
                payloads << text;
        }
    } catch (const std::exception&) {
        // A reader failure is no error for the caller: just no codes.
    }
    return payloads;
}

} // namespace kelvaro::detectors
