#pragma once
// Reads the lines of text in a photo. The effects ask TextRecognizer::shared(); tests may set an
// override. The real one is Tesseract with Czech and English, one engine per thread (an engine
// is not shareable), made on a thread's first call and kept for the thread's life; it turns a
// photo whose lines lean up to 12° level before reading it (TextSkew.h).
#include <memory>

#include <QStringList>

#include <opencv2/core.hpp>

namespace kelvaro::detectors {

class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    // The lines in reading order, each trimmed, empty lines left out. `image`: CV_8UC3 RGB or
    // CV_8U grey. Throws std::exception when the image cannot be read for text at all.
    virtual QStringList lines(const cv::Mat& image) const = 0;

    static std::shared_ptr<const TextRecognizer> shared();
    static void setOverride(std::shared_ptr<const TextRecognizer> recognizer);
};

class TesseractRecognizer final : public TextRecognizer {
public:
    // "ces+eng"; only the installed ones of the two are used.
    QStringList lines(const cv::Mat& image) const override;
    // Whether an engine could be started on this thread.
    bool isAvailable() const;
};

} // namespace kelvaro::detectors
