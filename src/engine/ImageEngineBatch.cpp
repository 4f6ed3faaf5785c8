// The batch: one entry for every run. Per-file operations go through the loop (progress,
// cancel, failures counted), several files at once on a bounded pool of worker threads, with
// the same result as one file after another; the scan, PDF and ZIP make one combined output.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <malloc.h>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QThread>

#include "engine/ExtraEffects.h"
#include "engine/ImageEngine.h"
#include "engine/ImageMetadata.h"
#include "engine/MemoryBudget.h"
#include "engine/NameTurn.h"
#include "engine/ScanEffects.h"
#include "engine/ZipWriter.h"
#include "l10n/Localization.h"
#include "platform/FileSystem.h"

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

QString renamedBase(const RenameSpec& spec, const QString& base, int index)
{
    QString renamed = spec.name.isEmpty() ? base : spec.name;
    if (spec.numbered)
        renamed += QLatin1Char('_') + QString::asprintf("%03lld", qint64(spec.start) + index);
    return renamed;
}

// Gives back a name that uniqueURL claimed when nothing was written into it.
void releaseIfEmpty(const QString& path)
{
    if (ImageEngine::fileSize(path) == 0)
        FileSystem::current().removeFile(path);
}

QString claimName(const QString& outDir, const QString& base, const QString& ext)
{
    const ImageEngine::NameTurn turn;
    return ImageEngine::uniqueURL(outDir, base, ext);
}

ImageEngine::One copyTo(const QString& file, const QString& outDir, const QString& base, const QString& ext)
{
    const QString destination = claimName(outDir, base, ext);
    if (!FileSystem::current().copyOver(file, destination)) {
        releaseIfEmpty(destination);
        throw KelvaroError::copyFailed(QFileInfo(file).fileName());
    }
    return {destination, 0, std::nullopt};
}

ImageEngine::One recognise(const QString& file, const QString& outDir, const QString& base, AppLanguage language)
{
    const LoadedImage loaded = ImageEngine::load(file);
    QString text = ImageEffects::recognizeText(loaded.image);
    const QStringList codes = ImageEffects::detectCodes(loaded.image);
    if (!codes.isEmpty()) {
        QStringList lines;
        for (const QString& code : codes)
            lines.append(Lf(language, "Kód: %@", code));
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += lines.join(QLatin1Char('\n'));
    }
    const QString destination = claimName(outDir, base, QStringLiteral("txt"));
    QSaveFile out(destination);
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        releaseIfEmpty(destination);
        throw KelvaroError::writeFailed(QFileInfo(destination).fileName());
    }
    return {destination, 0, text.isEmpty() ? std::nullopt : std::optional<QString>(text)};
}

ImageEngine::One processOne(const KelvaroOp& op, const QString& file, const QString& outDir, int index,
                            const EngineSettings& settings)
{
    const QString name = QFileInfo(file).fileName();
    const auto [base, ext] = splitName(name);
    const qint64 size = ImageEngine::fileSize(file);
    try {
        if (op.is<op::Move>()) {
            ImageEngine::One one = copyTo(file, outDir, base, ext);
            // A source that cannot be removed stays; the batch counts it as kept.
            FileSystem::current().removeFile(file);
            return one;
        }
        if (const op::Rename* rename = op.as<op::Rename>()) {
            return copyTo(file, outDir, renamedBase(rename->spec, base, index), ext);
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
    const QString out = ImageEngine::uniqueURL(outDir, name, ImageEngine::fileExtension(format));
    try {
        if (format == ImageFormat::pdf)
            ImageEngine::writePDF(files, out, settings.jpegQuality);
        else
            ZipWriter::write(files, out);
    } catch (...) {
        releaseIfEmpty(out); // the name was claimed but nothing was written
        throw;
    }
    OpResult result;
    result.outputs.append(out);
    result.entries.append(OpEntry{QFileInfo(out).fileName(), 0, out});
    return result;
}

// ---- Name turns ------------------------------------------------------------------------------

// The order in which the files of one parallel batch claim their names: file i may claim once
// files 0 … i−1 have claimed theirs or are done.
class NameOrder {
public:
    explicit NameOrder(int count) : m_passed(size_t(count), false) {}

    void await(int index)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_turn >= index; });
    }
    void pass(int index)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_passed[size_t(index)] = true;
            while (m_turn < int(m_passed.size()) && m_passed[size_t(m_turn)])
                ++m_turn;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<bool> m_passed;
    int m_turn = 0;
};

struct CurrentFile {
    NameOrder* order = nullptr;
    int index = 0;
};
thread_local CurrentFile currentFile;

// ---- One file's outcome ----------------------------------------------------------------------

struct Outcome {
    std::optional<ImageEngine::One> one;
    QString error;             // the failure's message when `one` is absent
    bool keptOriginal = false; // a move whose source is still there
};

Outcome runOne(const KelvaroOp& op, const QString& file, const QString& outDir, int index, const EngineSettings& settings)
{
    const QString fileName = QFileInfo(file).fileName();
    Outcome outcome;
    try {
        outcome.one = processOne(op, file, outDir, index, settings);
        if (op.is<op::Move>())
            outcome.keptOriginal = QFileInfo::exists(file);
    } catch (const std::exception& error) {
        outcome.error = messageOf(error, fileName, settings.language);
    } catch (...) {
        outcome.error = KelvaroError::writeFailed(fileName).message(settings.language);
    }
    return outcome;
}

void append(OpResult& result, const KelvaroOp& op, const QString& file, Outcome&& outcome)
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
    result.entries.append(OpEntry{QFileInfo(file).fileName(), one.savedBytes, one.url, file});
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

// libvips' own threads per image while the batch runs: the cores are shared out between the
// workers, instead of every worker starting one thread per core. Runs may overlap (a user run
// and a watched folder's): the share follows all their workers, and the last one to end puts
// back the value from before the first.
std::mutex vipsThreadsMutex;
int vipsThreadsWorkers = 0; // workers of all runs under way
int vipsThreadsBefore = 0;  // the value before the first of them

class VipsThreadsPerWorker {
public:
    explicit VipsThreadsPerWorker(int workers) : m_workers(workers)
    {
        const std::lock_guard lock(vipsThreadsMutex);
        if (vipsThreadsWorkers == 0)
            vipsThreadsBefore = vips_concurrency_get();
        vipsThreadsWorkers += m_workers;
        vips_concurrency_set(std::max(1, QThread::idealThreadCount() / vipsThreadsWorkers));
    }
    ~VipsThreadsPerWorker()
    {
        const std::lock_guard lock(vipsThreadsMutex);
        vipsThreadsWorkers -= m_workers;
        vips_concurrency_set(vipsThreadsWorkers == 0 ? vipsThreadsBefore
                                                     : std::max(1, QThread::idealThreadCount() / vipsThreadsWorkers));
    }
    VipsThreadsPerWorker(const VipsThreadsPerWorker&) = delete;
    VipsThreadsPerWorker& operator=(const VipsThreadsPerWorker&) = delete;

private:
    int m_workers;
};

// What a file of the run is expected to hold in memory: nothing for the operations that only copy
// its bytes.
qint64 memoryCost(const KelvaroOp& op, const QString& file)
{
    if (op.is<op::Move>() || op.is<op::Rename>())
        return 0;
    return MemoryBudget::estimate(file);
}

// Opens the process's memory budget for one run, and lets a cancel wake the run while it waits
// for memory that other runs hold.
class BudgetForRun {
public:
    explicit BudgetForRun(const RunHooksPtr& hooks) : m_run(MemoryBudget::shared()), m_hooks(hooks)
    {
        if (m_hooks)
            m_hooks->setCancelListener([] { MemoryBudget::shared().wake(); });
    }
    ~BudgetForRun()
    {
        if (m_hooks)
            m_hooks->setCancelListener({});
    }
    BudgetForRun(const BudgetForRun&) = delete;
    BudgetForRun& operator=(const BudgetForRun&) = delete;

private:
    MemoryBudget::Run m_run;
    RunHooksPtr m_hooks;
};

OpResult sequentialLoop(const KelvaroOp& op, const QStringList& files, const QString& outDir, const RunHooksPtr& hooks,
                        const EngineSettings& settings)
{
    const BudgetForRun run(hooks);
    MemoryBudget& budget = MemoryBudget::shared();
    const auto cancelled = [&] { return hooks && hooks->isCancelled(); };
    OpResult result;
    const int total = int(files.size());
    for (int index = 0; index < total; ++index) {
        if (cancelled())
            break;
        const qint64 cost = memoryCost(op, files[index]);
        if (!budget.acquire(cost, cancelled))
            break;
        Outcome outcome = runOne(op, files[index], outDir, index, settings);
        budget.release(cost);
        append(result, op, files[index], std::move(outcome));
        if (hooks)
            hooks->reportProgress(index + 1, total);
    }
    return result;
}

// Files are started in input order, each by the next free worker once the process's memory
// budget admits it (one worker of the run at a time waits for it, with the next file); a cancel
// starts no new file and lets the running ones finish. Progress is reported on the
// calling thread, one call per finished file, so it climbs by one and reaches the total only
// when the last file is written. What the files give is gathered in input order, so the result
// is the one-by-one run's.
OpResult parallelLoop(const KelvaroOp& op, const QStringList& files, const QString& outDir, const RunHooksPtr& hooks,
                      const EngineSettings& settings, int workers)
{
    const VipsThreadsPerWorker vipsThreads(workers);
    const int total = int(files.size());
    std::vector<Outcome> outcomes(static_cast<size_t>(total));
    NameOrder order(total);
    std::mutex mutex;
    std::condition_variable changed;
    int next = 0;                    // the next file to start
    int finished = 0;                // files done, in any order
    int running = 0;                 // workers still taking files
    bool admitting = false;          // a worker waits for the budget with files[next]
    std::atomic_bool halted = false; // the progress callback threw: no new file starts
    const BudgetForRun run(hooks);
    MemoryBudget& budget = MemoryBudget::shared();
    // Asked under the budget's lock too: it takes no lock of this run.
    const auto cancelled = [&] { return halted.load() || (hooks && hooks->isCancelled()); };

    const auto work = [&] {
        for (;;) {
            int index = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return next >= total || cancelled() || !admitting; });
                if (next >= total || cancelled())
                    break;
                admitting = true;
                index = next;
            }
            const qint64 cost = memoryCost(op, files[index]);
            const bool admitted = budget.acquire(cost, cancelled);
            {
                const std::lock_guard lock(mutex);
                admitting = false;
                if (admitted)
                    ++next;
            }
            changed.notify_all();
            if (!admitted)
                break;
            currentFile = {&order, index};
            Outcome outcome = runOne(op, files[index], outDir, index, settings);
            currentFile = {};
            order.pass(index); // also for a file that failed before it claimed a name
            budget.release(cost);
            {
                const std::lock_guard lock(mutex);
                outcomes[size_t(index)] = std::move(outcome);
                ++finished;
            }
            changed.notify_all();
        }
        {
            const std::lock_guard lock(mutex);
            --running;
        }
        changed.notify_all();
    };

    std::vector<std::thread> threads;
    threads.reserve(size_t(workers));
    for (int i = 0; i < workers; ++i) {
        try {
            {
                const std::lock_guard lock(mutex);
                ++running;
            }
            threads.emplace_back(work);
        } catch (const std::system_error&) { // no more threads: the ones running share the work
            const std::lock_guard lock(mutex);
            --running;
            break;
        }
    }
    if (threads.empty())
        return sequentialLoop(op, files, outDir, hooks, settings);

    int reported = 0;
    std::exception_ptr failure;
    for (;;) {
        int done = 0;
        bool over = false;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return finished > reported || running == 0; });
            done = finished;
            over = running == 0;
        }
        try {
            while (hooks && !failure && reported < done)
                hooks->reportProgress(++reported, total);
        } catch (...) {
            // The workers are let finish and joined before the caller hears of it.
            failure = std::current_exception();
            {
                const std::lock_guard lock(mutex);
                halted = true;
            }
            changed.notify_all();
            budget.wake(); // a worker waiting for memory stops waiting
        }
        reported = done;
        if (over)
            break;
    }
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);

    // The started files form a prefix of the input: a cancel stops the start of new ones only.
    OpResult result;
    for (int index = 0; index < next; ++index)
        append(result, op, files[index], std::move(outcomes[size_t(index)]));
    return result;
}

} // namespace

ImageEngine::NameTurn::NameTurn()
{
    if (currentFile.order)
        currentFile.order->await(currentFile.index);
}

ImageEngine::NameTurn::~NameTurn()
{
    if (currentFile.order)
        currentFile.order->pass(currentFile.index);
}

QString ImageEngine::renamedFileName(const RenameSpec& spec, const QString& fileName, int index)
{
    const auto [base, ext] = splitName(fileName);
    return plainFileName(renamedBase(spec, base, index), ext);
}

OpResult ImageEngine::process(const KelvaroOp& op, const QStringList& files, const QString& outDir,
                              const RunHooksPtr& hooks, const EngineSettings& settings)
{
    initVips();
    const auto giveBack = qScopeGuard(releaseRunMemory);
    if (op.is<op::Scan>())
        return scanToPDF(files, outDir, hooks, settings);
    if (const op::Convert* convert = op.as<op::Convert>()) {
        if (convert->format == ImageFormat::zip || convert->format == ImageFormat::pdf)
            return combined(files, outDir, convert->format, settings);
    }

    prepareForThreads();
    const int workers = workerCount(op, files);
    const OpResult result = workers > 1 ? parallelLoop(op, files, outDir, hooks, settings, workers)
                                        : sequentialLoop(op, files, outDir, hooks, settings);
    if (result.outputs.isEmpty() && result.firstError)
        throw KelvaroError::runFailed(*result.firstError);
    return result;
}

} // namespace kelvaro
