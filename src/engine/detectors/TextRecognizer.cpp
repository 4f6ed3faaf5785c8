#include "engine/detectors/TextRecognizer.h"

#include <memory>
#include <stdexcept>

#include <dlfcn.h>

#include <opencv2/imgproc.hpp>
#include <tesseract/baseapi.h>

#include "engine/detectors/DetectorSlot.h"
#include "engine/detectors/TextSkew.h"
#include "platform/Log.h"

namespace kelvaro::detectors {
namespace {

// Lines Tesseract itself doubts this much are texture read as letters (grass, hair, brickwork).
constexpr float minimumLineConfidence = 45.f;

DetectorSlot<TextRecognizer>& slot()
{
    static DetectorSlot<TextRecognizer> instance([] { return std::make_shared<const TesseractRecognizer>(); });
    return instance;
}

struct ApiDeleter {
    void operator()(tesseract::TessBaseAPI* api) const
    {
        api->End();
        delete api;
    }
};
using Api = std::unique_ptr<tesseract::TessBaseAPI, ApiDeleter>;

// Tesseract parallelises with OpenMP, whose threads spin while they wait: two recognitions at
// once on a busy machine then take minutes instead of a second. OMP_THREAD_LIMIT=1 only works
// when set before the process starts, so the same is done here by making every OpenMP region
// of the calling thread inactive (one thread); the setting belongs to the thread, so each thread
// that recognises text makes it. Looked up at run time: libgomp comes in with Tesseract, not by
// our link.
void keepOpenMPSingleThreaded()
{
    using SetLevels = void (*)(int);
    static const auto set = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    if (set)
        set(0);
}

// The thread's engine, or nullptr when no language data can be loaded (tried once per thread).
tesseract::TessBaseAPI* threadEngine()
{
    thread_local Api api;
    thread_local bool tried = false;
    if (!tried) {
        tried = true;
        keepOpenMPSingleThreaded();
        Api candidate(new tesseract::TessBaseAPI);
        for (const char* languages : {"ces+eng", "eng", "ces"}) {
            if (candidate->Init(nullptr, languages, tesseract::OEM_LSTM_ONLY) == 0) {
                candidate->SetPageSegMode(tesseract::PSM_AUTO);
                // Keep Tesseract's own debug files and messages out of the user's folders.
                candidate->SetVariable("debug_file", "/dev/null");
                api = std::move(candidate);
                break;
            }
        }
        if (!api)
            logLine(QStringLiteral("text recognition unavailable: no Tesseract language data"));
    }
    return api.get();
}

} // namespace

std::shared_ptr<const TextRecognizer> TextRecognizer::shared() { return slot().get(); }
void TextRecognizer::setOverride(std::shared_ptr<const TextRecognizer> recognizer) { slot().setOverride(std::move(recognizer)); }

bool TesseractRecognizer::isAvailable() const { return threadEngine() != nullptr; }

QStringList TesseractRecognizer::lines(const cv::Mat& image) const
{
    QStringList found;
    if (image.empty())
        return found;
    tesseract::TessBaseAPI* api = threadEngine();
    if (!api)
        throw std::runtime_error("no Tesseract language data");
    cv::Mat grey;
    if (image.channels() == 3)
        cv::cvtColor(image, grey, cv::COLOR_RGB2GRAY);
    else
        grey = image;
    // Tesseract follows lines only a degree or two off level: beyond that it cuts them into
    // pieces and reads the pieces of neighbouring lines in turns.
    grey = turnedLevel(grey, textSkewDegrees(grey));
    if (!grey.isContinuous())
        grey = grey.clone();
    api->SetImage(grey.data, grey.cols, grey.rows, 1, int(grey.step));
    api->SetSourceResolution(300);
    if (api->Recognize(nullptr) != 0) {
        api->Clear();
        throw std::runtime_error("Tesseract could not recognise the image");
    }
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it) {
        do {
            if (it->Empty(tesseract::RIL_TEXTLINE))
                continue;
            if (it->Confidence(tesseract::RIL_TEXTLINE) < minimumLineConfidence)
                continue;
            std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            const QString line = text ? QString::fromUtf8(text.get()).simplified() : QString();
            if (!line.isEmpty())
                found << line;
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api->Clear();
    return found;
}

} // namespace kelvaro::detectors
