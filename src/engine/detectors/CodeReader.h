#pragma once
// Reads QR and bar codes. The effects ask CodeReader::shared(); tests may set an override. The
// real one is ZXing with every format it knows, trying harder and rotated. Stateless, safe from
// any thread.
#include <memory>

#include <QStringList>

#include <opencv2/core.hpp>

namespace kelvaro::detectors {

class CodeReader {
public:
    virtual ~CodeReader() = default;
    // Payload texts in the order found (duplicates kept; the caller removes them). `rgb`: CV_8UC3.
    virtual QStringList read(const cv::Mat& rgb) const = 0;

    static std::shared_ptr<const CodeReader> shared();
    static void setOverride(std::shared_ptr<const CodeReader> reader);
};

class ZXingCodeReader final : public CodeReader {
public:
    QStringList read(const cv::Mat& rgb) const override;
};

} // namespace kelvaro::detectors
