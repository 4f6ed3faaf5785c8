// The batch: one entry for every run. Per-file operations go through the loop (BatchLoop:
// progress, cancel, failures counted, several files at once), with the same result as one file
// after another; the scan, PDF and ZIP make one combined output. Every result is written whole
// through a part file, or not at all.
#include <algorithm>
#include <chrono>
#include <exception>
#include <functional>
#include <malloc.h>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include <unistd.h>

#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>

#include "engine/BatchLoop.h"
#include "engine/ExtraEffects.h"
#include "engine/FileAbort.h"
#include "engine/ImageEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageMetadata.h"
#include "engine/ImageProbe.h"
#include "engine/ImageStream.h"
#include "engine/MemoryBudget.h"
#include "engine/PartFile.h"
#include "engine/ScanEffects.h"
#include "engine/ZipWriter.h"
#include "engine/detectors/ForegroundSegmenter.h"
#include "l10n/Localization.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

// A file name split as the user sees it: "IMG_1.jpg" → ("IMG_1", "jpg"); a leading dot alone
// (".hidden") or a trailing one is no extension.
std::pair<QString, QString> splitName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == fileName.size() - 1)
        return {fileName, QString()};
    return {fileName.left(dot), fileName.mid(dot + 1)};
}

// A rename's new base and its number ("_001", empty when not numbered), which a name too long for
// the folder keeps whole: the base gives way.
std::pair<QString, QString> renamedBase(const RenameSpec& spec, const QString& base, int index)
{
    const QString renamed = spec.name.isEmpty() ? base : spec.name;
    if (!spec.numbered)
        return {renamed, QString()};
    return {renamed, QLatin1Char('_') + QString::asprintf("%03lld", qint64(spec.start) + index)};
}

// Puts a complete part file in place as `base`.`ext`, in the file's name turn; throws `failure`
// when it cannot.
QString placed(ImageEngine::PartFile& part, const QString& base, const QString& ext, const KelvaroError& failure,
              const QString& mark = {})
{
    const QString out = part.placeInTurn(base, ext, {}, mark);
    if (out.isEmpty())
        throw part.failure(failure);
    return out;
}

ImageEngine::One copyTo(const QString& file, const QString& outDir, const QString& base, const QString& ext,
                        const QString& mark = {})
{
    const KelvaroError failure = KelvaroError::copyFailed(QFileInfo(file).fileName());
    ImageEngine::PartFile part(outDir);
    if (!part.isValid() || !FileSystem::current().copyOver(file, part.writePath()))
        throw part.failure(failure);
    return {placed(part, base, ext, failure, mark), 0, std::nullopt};
}

ImageEngine::One recognise(const QString& file, const QString& outDir, const QString& base, AppLanguage language)
{
    QString text;
    QStringList codes;
    {
        // The photo goes before the file waits for its name, which gives its memory back.
        const LoadedImage loaded = ImageEngine::load(file);
        ImageEngine::checkFileAbort();
        text = ImageEffects::recognizeText(loaded.image);
        codes = ImageEffects::detectCodes(loaded.image);
    }
    if (!codes.isEmpty()) {
        QStringList lines;
        for (const QString& code : codes)
            lines.append(Lf(language, "Kód: %@", code));
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += lines.join(QLatin1Char('\n'));
    }
    const QString ext = QStringLiteral("txt");
    const KelvaroError failure = KelvaroError::writeFailed(ImageEngine::plainFileName(base, ext));
    ImageEngine::PartFile part(outDir);
    if (!part.write(text.toUtf8()))
        throw part.failure(failure);
    const QString destination = placed(part, base, ext, failure);
    return {destination, 0, text.isEmpty() ? std::nullopt : std::optional<QString>(text)};
}

ImageEngine::One processOne(const KelvaroOp& op, const QString& file, const QString& outDir, int index,
                            const EngineSettings& settings)
{
    const QString name = QFileInfo(file).fileName();
    const auto [base, ext] = splitName(name);
    const qint64 size = ImageEngine::fileSize(file);
    // Nothing may open a fifo or a device: the first read would wait for a writer that never comes.
    if (!ImageEngine::isRegularFile(file))
        throw KelvaroError::unreadable(name);
    try {
        if (op.is<op::Move>()) {
            ImageEngine::One one = copyTo(file, outDir, base, ext);
            // A source that cannot be removed stays; the batch counts it as kept.
            FileSystem::current().removeFile(file);
            return one;
        }
        if (const op::Rename* rename = op.as<op::Rename>()) {
            const auto [renamed, number] = renamedBase(rename->spec, base, index);
            return copyTo(file, outDir, renamed, ext, number);
        }
        if (op.is<op::Ocr>())
            return recognise(file, outDir, base, settings.language);
        return ImageEngine::renderImage(op, file, base, name, size, outDir, settings);
    } catch (const std::bad_alloc&) {
        // Out of memory for this photo only; the next one may fit.
        throw KelvaroError::writeFailed(name);
    }
}

QString messageOf(const std::exception& error, const QString& fileName, AppLanguage language)
{
    if (const auto* kelvaro = dynamic_cast<const KelvaroError*>(&error))
        return kelvaro->message(language);
    // A detector's or library's own failure: the photo could not be produced.
    return KelvaroError::writeFailed(fileName).message(language);
}

OpResult combined(const QStringList& files, const QString& outDir, ImageFormat format, const EngineSettings& settings)
{
    QString name;
    if (files.size() == 1)
        name = splitName(QFileInfo(files.first()).fileName()).first;
    else if (format == ImageFormat::pdf)
        name = Lf(settings.language, "Spojené fotografie (%lld)", qint64(files.size()));
    else
        name = Lp(settings.language, files.size(), "Kelvaro (1 soubor)", "Kelvaro (%lld soubory)", "Kelvaro (%lld souborů)");
    const QString ext = ImageEngine::fileExtension(format);
    const KelvaroError failure = KelvaroError::writeFailed(ImageEngine::plainFileName(name, ext));
    ImageEngine::PartFile part(outDir);
    if (!part.isValid())
        throw part.failure(failure);
    try {
        if (format == ImageFormat::pdf)
            ImageEngine::writePDF(files, part.writePath(), settings.jpegQuality);
        else
            ZipWriter::write(files, part.descriptor(), ImageEngine::plainFileName(name, ext));
    } catch (const KelvaroError& error) {
        // The writers name the file they write: the user knows the result's name.
        if (error.kind() == KelvaroError::Kind::writeFailed)
            throw part.failure(failure);
        throw;
    }
    const QString out = part.place(name, ext);
    if (out.isEmpty())
        throw part.failure(failure);
    OpResult result;
    result.outputs.append(out);
    result.entries.append(OpEntry{NativePath::displayName(QFileInfo(out).fileName()), 0, out});
    return result;
}

// ---- One file's outcome ----------------------------------------------------------------------

using ImageEngine::FileOutcome;

FileOutcome runOne(const KelvaroOp& op, const QString& file, const QString& outDir, int index,
                   const EngineSettings& settings)
{
    const QString fileName = QFileInfo(file).fileName();
    FileOutcome outcome;
    try {
        outcome.one = processOne(op, file, outDir, index, settings);
        if (op.is<op::Move>())
            outcome.keptOriginal = ::access(NativePath::encoded(file).constData(), F_OK) == 0;
        return outcome;
    } catch (const ImageEngine::FileAborted&) {
        // Stopped, whoever asked: also the application's end, which kills a PDF page's drawing
        // without a stop request of the file's own. A stopped file is neither made nor failed.
        outcome.stopped = true;
        return outcome;
    } catch (const std::exception& error) {
        outcome.error = messageOf(error, fileName, settings.language);
    } catch (...) {
        outcome.error = KelvaroError::writeFailed(fileName).message(settings.language);
    }
    // Whatever failed after a stop request was the stop taking effect.
    outcome.stopped = ImageEngine::fileAbortRequested();
    return outcome;
}

void append(OpResult& result, const KelvaroOp& op, const QString& file, FileOutcome&& outcome)
{
    if (!outcome.one) {
        ++result.failed;
        if (!result.firstError)
            result.firstError = outcome.error;
        result.failures.append(outcome.error);
        return;
    }
    const ImageEngine::One& one = *outcome.one;
    result.outputs.append(one.url);
    if (op.is<op::Move>()) {
        result.moves.append(FileMove{file, one.url});
        if (outcome.keptOriginal)
            ++result.keptOriginals;
    }
    result.entries.append(
        OpEntry{NativePath::displayName(QFileInfo(file).fileName()), one.savedBytes, one.url, file});
    if (one.text)
        result.text = result.text ? *result.text + QStringLiteral("\n\n") + *one.text : *one.text;
}

// ---- Pool size -------------------------------------------------------------------------------

// Whether the run may encode HEIC: the operation asks for it, or keeps the source's format and a
// source is HEIC.
bool mayWriteHeic(const KelvaroOp& op, const QStringList& files)
{
    const auto named = [](const QString& raw) { return raw.compare(QLatin1String("heic"), Qt::CaseInsensitive) == 0; };
    if (const op::Convert* convert = op.as<op::Convert>())
        return convert->format == ImageFormat::heic;
    if (op.is<op::Compress>() || op.is<op::RemoveBackground>())
        return false;
    if (const op::Preset* preset = op.as<op::Preset>(); preset && named(preset->spec.format))
        return true;
    if (const op::RunWorkflow* workflow = op.as<op::RunWorkflow>(); workflow && named(workflow->workflow.format))
        return true;
    return std::any_of(files.begin(), files.end(),
                       [](const QString& file) { return matchingFormat(file) == ImageFormat::heic; });
}

// Files handled at once: one per core, or KELVARO_JOBS (a positive whole number) when set, for
// benchmarks and diagnosis. Moves and renames only copy bytes and stay one at a time, so that
// the same input listed twice behaves as in a one-by-one run; text recognition keeps one
// recognizer busy at a time, as its library runs its own threads. The HEIC encoder spreads one
// photo over several cores itself, so fewer photos are encoded at once (each also holds a few
// hundred megabytes of encoder state).
int workerCount(const KelvaroOp& op, const QStringList& files)
{
    if (op.is<op::Move>() || op.is<op::Rename>() || op.is<op::Ocr>())
        return 1;
    const int cores = QThread::idealThreadCount();
    int jobs = mayWriteHeic(op, files) ? std::max(1, cores / 4) : cores;
    bool ok = false;
    const int requested = qEnvironmentVariableIntValue("KELVARO_JOBS", &ok);
    if (ok && requested > 0)
        jobs = requested;
    return std::clamp(std::min(jobs, int(files.size())), 1, 64);
}

// Once per process, before the first file. exiv2 (its XMP toolkit above all) must be set up
// before threads use it: ImageMetadata does that, once, on its first call. Pixel buffers of a
// megabyte and more are mapped from the system and given back when freed, and worker threads
// share a few heaps, so a long batch does not keep freed photos as fragments of a heap per thread.
void prepareForThreads()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ImageMetadata::orientation(QByteArray());
        mallopt(M_MMAP_THRESHOLD, 1 << 20);
        mallopt(M_ARENA_MAX, 2);
    });
}

// What a run's photos took goes back to the system when it ends: glibc keeps freed pages of its
// heaps for later use, which left an idle application holding gigabytes after a large run, and
// libvips keeps this thread's buffers (its operation cache is off). Another run under way loses
// nothing but the pages it had already freed.
void releaseRunMemory()
{
    vips_thread_shutdown();
    malloc_trim(0);
}

// ---- The segmentation network between runs ---------------------------------------------------

// How long the segmentation network is kept once no run is open: a watched folder that removes
// backgrounds runs once for each photo, and loading the network again cost every photo one to
// two seconds of work. Not for good: it holds hundreds of megabytes.
constexpr std::chrono::seconds kKeepNetwork{30};

bool removesBackgrounds(const KelvaroOp& op)
{
    const op::RunWorkflow* workflow = op.as<op::RunWorkflow>();
    return op.is<op::RemoveBackground>()
        || (workflow && std::any_of(workflow->workflow.steps.begin(), workflow->workflow.steps.end(), [](const WorkflowStep& step) {
               return step.kind == WorkflowStep::Kind::removeBackground;
           }));
}

void letNetworkGo()
{
    std::shared_ptr<const detectors::ForegroundSegmenter> network = detectors::ForegroundSegmenter::takeShared();
    network.reset();
    malloc_trim(0);
}

std::mutex networkMutex;
int networkRuns = 0; // runs under way that may run the network

// One run that may run the segmentation network, from its start to its end: its files' price
// counts the network, so a network kept from an earlier run no longer counts in the budget on its
// own. It is taken back with the budget open, which has read the machine as if what it kept were
// let go, so that the network is not counted twice: in the machine's usage and in the files' price.
// When the last such run ends, the budget keeps the loaded network, counted, until no run
// has been open for a while or a file needs the memory (MemoryBudget::keepWhileIdle).
class NetworkRun {
public:
    NetworkRun() : m_budgetOpen(MemoryBudget::shared())
    {
        const std::lock_guard lock(networkMutex);
        if (networkRuns++ == 0)
            MemoryBudget::shared().takeKept();
    }
    ~NetworkRun()
    {
        const std::lock_guard lock(networkMutex);
        if (--networkRuns > 0)
            return;
        if (const auto network = detectors::ForegroundSegmenter::loaded())
            MemoryBudget::shared().keepWhileIdle(network->workingBytes(), kKeepNetwork, letNetworkGo);
    }
    NetworkRun(const NetworkRun&) = delete;
    NetworkRun& operator=(const NetworkRun&) = delete;

private:
    MemoryBudget::Run m_budgetOpen;
};

// The files of one combined result are in hand together from its start, and end with it: made or
// failed, unless a cancel stopped it.
OpResult wholeResult(qsizetype count, const RunHooksPtr& hooks, const std::function<OpResult()>& make)
{
    if (!hooks)
        return make();
    for (int index = 0; index < count; ++index)
        hooks->fileStarting(index);
    const ImageEngine::PlacingHeard placing([&](const QByteArray& identity) {
        for (int index = 0; index < count; ++index)
            hooks->filePlacing(index, identity);
    });
    const auto ended = [&] {
        if (!hooks->isCancelled())
            for (int index = 0; index < count; ++index)
                hooks->fileEnded(index);
    };
    try {
        OpResult result = make();
        ended();
        return result;
    } catch (...) {
        ended();
        throw;
    }
}

} // namespace

// Nothing for the operations that only copy a file's bytes. Shrinking a photo, converting or
// stripping it writes the decoded bitmap itself; every other operation makes a new one, unless
// the photo streams.
qint64 ImageEngine::memoryPrice(const KelvaroOp& op, const QString& file, const EngineSettings& settings)
{
    if (op.is<op::Move>() || op.is<op::Rename>())
        return 0;
    // The header is read once, for every question below.
    const ImageEngine::Probe probed = ImageEngine::probe(file);
    if (!probed.regular)
        return 0;
    MemoryBudget::Work work;
    work.format = ImageEngine::outputOf(op, file, settings).format;
    // A photo turned upright on its way is held whole only until its encoder has read it:
    // streamImage asks for that share then and gives it back before the metadata is written.
    work.whole = !ImageEngine::streamedHold(op, probed, work.format);
    work.copied = work.whole
        && !(op.is<op::Convert>() || op.is<op::Compress>() || op.is<op::StripMetadata>() || op.is<op::Resize>()
             || op.is<op::Preset>());
    // The segmentation network is one for the process, but a file priced without it would let
    // in files beside it that the budget has no room for.
    if (removesBackgrounds(op))
        work.stateBytes = detectors::ForegroundSegmenter::shared()->workingBytes();
    if (const op::Resize* resize = op.as<op::Resize>()) {
        work.drawnSize = [spec = resize->spec](QSize size) { return ImageEffects::targetSize(size.width(), size.height(), spec); };
    } else if (const op::Preset* preset = op.as<op::Preset>()) {
        const PresetSpec& spec = preset->spec;
        if (spec.targetWidth && spec.targetHeight && *spec.targetWidth >= 1 && *spec.targetHeight >= 1) {
            // Drawn from the photo through a scaler whose strips are as wide as the photo, in
            // floating point: as much again as the decoded bitmap.
            work.copied = true;
            work.drawnSize = [target = QSize(*spec.targetWidth, *spec.targetHeight)](QSize) { return target; };
        }
    }
    return MemoryBudget::estimate(probed, work);
}

QString ImageEngine::renamedFileName(const RenameSpec& spec, const QString& fileName, int index)
{
    const auto [base, ext] = splitName(fileName);
    const auto [renamed, number] = renamedBase(spec, base, index);
    return fittedFileName(renamed, number, ext);
}

OpResult ImageEngine::process(const KelvaroOp& op, const QStringList& files, const QString& outDir,
                              const RunHooksPtr& hooks, const EngineSettings& settings)
{
    initVips();
    const auto giveBack = qScopeGuard(releaseRunMemory);
    std::optional<NetworkRun> network;
    if (removesBackgrounds(op))
        network.emplace();
    // Part files a killed run left here go before new ones are written.
    ImageEngine::removeLeftoverParts(outDir);
    if (op.is<op::Scan>())
        return wholeResult(files.size(), hooks, [&] { return scanToPDF(files, outDir, hooks, settings); });
    if (const op::Convert* convert = op.as<op::Convert>()) {
        if (convert->format == ImageFormat::zip || convert->format == ImageFormat::pdf)
            return wholeResult(files.size(), hooks, [&] { return combined(files, outDir, convert->format, settings); });
    }

    prepareForThreads();
    ImageEngine::BatchWork work;
    work.total = int(files.size());
    work.memoryCost = [&](int index) { return memoryPrice(op, files[index], settings); };
    work.run = [&](int index) { return runOne(op, files[index], outDir, index, settings); };
    work.refused = [&](int index) {
        FileOutcome outcome;
        outcome.error = KelvaroError::notEnoughMemory(QFileInfo(files[index]).fileName()).message(settings.language);
        return outcome;
    };
    std::vector<std::optional<FileOutcome>> outcomes = ImageEngine::runBatch(work, workerCount(op, files), hooks);
    OpResult result;
    for (int index = 0; index < work.total; ++index)
        if (outcomes[size_t(index)])
            append(result, op, files[index], std::move(*outcomes[size_t(index)]));
    if (result.outputs.isEmpty() && result.firstError)
        throw KelvaroError::runFailed(*result.firstError);
    return result;
}

} // namespace kelvaro
