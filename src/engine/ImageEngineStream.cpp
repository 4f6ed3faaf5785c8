// The streaming path: decoder, upright turn, colour conversion and encoder in one libvips
// pipeline, written to a part file beside the result that takes its name once complete, so a
// failure part way leaves nothing and names are claimed as the bitmap path claims them (in input
// order, only by files that came out).
#include <algorithm>
#include <atomic>
#include <stdexcept>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "engine/FileAbort.h"
#include "engine/HeicEncoder.h"
#include "engine/ImageEffects.h"
#include "engine/ImageProbe.h"
#include "engine/ImageStream.h"
#include "engine/MemoryBudget.h"
#include "engine/PartFile.h"
#include "engine/Turn.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

std::atomic<bool> streaming{true};

// How the operation changes the pixels on the way: only what works row by row, or on the photo
// as decoded.
struct StreamSteps {
    int maxSide = 0;                  // > 0: streamed only when the source is no larger
    std::optional<AdjustSpec> adjust; // the adjust operation's turn, flips and colours
    QList<WorkflowStep> colours;      // a workflow's adjust steps, in order
};

std::optional<StreamSteps> streamSteps(const KelvaroOp& op)
{
    StreamSteps steps;
    if (op.is<op::Compress>() || op.is<op::StripMetadata>())
        return steps;
    if (const op::Convert* convert = op.as<op::Convert>())
        return convert->format == ImageFormat::pdf || convert->format == ImageFormat::zip ? std::nullopt
                                                                                        : std::optional(steps);
    if (const op::Adjust* adjust = op.as<op::Adjust>()) {
        steps.adjust = adjust->spec;
        return steps;
    }
    if (const op::Preset* preset = op.as<op::Preset>()) {
        const PresetSpec& spec = preset->spec;
        if (spec.targetWidth && spec.targetHeight && *spec.targetWidth >= 1 && *spec.targetHeight >= 1)
            return std::nullopt;
        steps.maxSide = std::max(spec.maxSide, 0);
        return steps;
    }
    if (const op::RunWorkflow* workflow = op.as<op::RunWorkflow>()) {
        // A resize step that shrinks makes the bitmap path decode at the smaller size; one that
        // does not shrink leaves the photo alone.
        for (const WorkflowStep& step : workflow->workflow.steps) {
            if (step.kind == WorkflowStep::Kind::resize) {
                if (step.longEdge >= 1)
                    steps.maxSide = steps.maxSide > 0 ? std::min(steps.maxSide, step.longEdge) : step.longEdge;
            } else if (step.kind == WorkflowStep::Kind::adjust) {
                steps.colours.append(step);
            } else {
                return std::nullopt;
            }
        }
        return steps;
    }
    return std::nullopt;
}

// Passes the pixels of an image through unchanged and raises a flag when computing them fails:
// when the pipeline then fails as a whole, the flag tells the source's failure (a file cut
// short) from the destination's.
int passWatched(VipsRegion* out, void* sequence, void*, void* failed, gboolean*)
{
    auto* in = static_cast<VipsRegion*>(sequence);
    const VipsRect* rect = &out->valid;
    if (vips_region_prepare(in, rect) != 0 || vips_region_region(out, in, rect, rect->left, rect->top) != 0) {
        g_atomic_int_set(static_cast<gint*>(failed), 1);
        return -1;
    }
    return 0;
}

// `image` raising `failed`, which must outlive the returned image and every image made from it.
vips::VImage watched(const vips::VImage& image, gint* failed)
{
    VipsImage* in = image.get_image();
    VipsImage* out = vips_image_new();
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, in, nullptr) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    // The output holds its input until it closes.
    g_object_ref(in);
    vips_object_local(out, in);
    if (vips_image_generate(out, vips_start_one, passWatched, vips_stop_one, in, failed) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    return vips::VImage(out);
}

int orientationOf(const vips::VImage& header)
{
    if (header.get_typeof(VIPS_META_ORIENTATION) == 0)
        return 1;
    const int orientation = header.get_int(VIPS_META_ORIENTATION);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// The source's turn upright and then the adjust operation's: mirrored first, then turned
// clockwise, as the bitmap path's adjust does.
Turn streamTurn(const vips::VImage& header, const StreamSteps& steps)
{
    Turn turn = Turn::upright(orientationOf(header));
    if (const std::optional<AdjustSpec>& colours = steps.adjust)
        turn = turn.then({false, colours->flipH, false}).then({false, false, colours->flipV}).then(Turn::clockwise(colours->turns));
    return turn;
}

// Whether the source's pixels, as normalizedPipeline(…, false) gives them, stream into `format`:
// whether a transparent source is opaque everywhere takes the whole image to know, so the
// bitmap path decides it. JPEG lays any alpha on white, opaque or not.
bool streamable(const vips::VImage& normalized, ImageFormat format)
{
    return normalized.bands() != 4 || format == ImageFormat::jpg;
}

} // namespace

std::optional<ImageEngine::One> ImageEngine::streamImage(const KelvaroOp& op, const QString& file, const QString& base,
                                                         const QString& name, qint64 originalSize, const QString& outDir,
                                                         const EngineSettings& settings)
{
    const std::optional<StreamSteps> steps = streamSteps(op);
    if (!steps || !streaming.load())
        return std::nullopt;
    // The bitmap path gives the error it always gave.
    if (!isRegularFile(file))
        return std::nullopt;
    // PDF pages and BMP are drawn by other libraries, on the bitmap path.
    if (isPdf(file) || QImageReader::imageFormat(file) == "bmp")
        return std::nullopt;
    initVips();
    const Rendered output = outputOf(op, file, settings);

    vips::VImage image;
    // Outlives the pipeline, which the encoder drops before it writes the metadata back: a
    // decoder that holds the whole source (HEIC, WebP) would otherwise hold it through that too.
    gint sourceFailedFlag = 0;
    const gint* sourceFailed = nullptr;
    qint64 decoded = 0; // what the decoder of a photo turned holds until the header goes
    try {
        // A source, not new_from_file: file names may contain "[", which libvips would read as
        // load options. A file cut short is refused, not completed with grey.
        const vips::VSource source = vips::VSource::new_from_file(NativePath::encoded(file).constData());
        const vips::VImage header = vips::VImage::new_from_source(
            source, "", vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL)->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
        if (header.width() < 1 || header.height() < 1)
            throw KelvaroError::unreadable(name);
        if (qint64(header.width()) * header.height() > kMaxPixels)
            throw KelvaroError::tooManyPixels(name);
        const int longSide = std::max(header.width(), header.height());
        if (steps->maxSide > 0 && longSide > steps->maxSide)
            return std::nullopt;
        image = normalizedPipeline(header, false);
        if (!streamable(image, output.format))
            return std::nullopt;
        const Turn turn = streamTurn(header, *steps);
        std::optional<AdjustSpec> colours = steps->adjust;
        if (colours) {
            colours->turns = 0;
            colours->flipH = colours->flipV = false;
        }
        if (turn.isNone()) {
            image = watched(image, &sourceFailedFlag);
            sourceFailed = &sourceFailedFlag;
        } else {
            // Turning needs the whole photo: it is decoded here, turned as it comes, and each
            // part is given back once the encoder has it, so the photo and the encoder's own
            // copy of it are never held whole at once. The file's memory price holds it only so
            // long: other files may take that memory before and after.
            const qint64 pixels = qint64(image.width()) * image.height();
            const Probe probed = probe(file);
            const qint64 decoder = qint64(double(pixels) * probed.decoderBytes);
            // Read by the turn one band at a time, a decoder that converts in strips holds one
            // band of them: the copy takes the place of what the encoder's threads would pull.
            if (probed.decoderWhole)
                decoded = decoder;
            else
                MemoryBudget::FileHold::giveBack(decoder);
            // Holds what it was let in at; waits for files at work to give memory back or to wait
            // themselves, never for one that waits (MemoryBudget). A stop ends the wait.
            if (!MemoryBudget::FileHold::holdUntilEncoded(pixels * image.bands()))
                throw FileAborted();
            image = turned(image, turn, image.bands(), true);
        }
        if (colours)
            image = adjustPipeline(image, *colours);
        for (const WorkflowStep& step : steps->colours)
            if (step.brightness != 0 || step.contrast != 1 || step.mono)
                image = ImageEffects::colourPipeline(image, step.brightness, step.contrast, step.mono);
    } catch (const KelvaroError&) {
        throw;
    } catch (const FileAborted&) {
        throw;
    } catch (const std::exception&) { // vips::VError, std::bad_alloc
        throw KelvaroError::unreadable(name);
    }
    // A photo turned has been read to its last pixel, and its decoder is let go with the header:
    // what a decoder that holds the whole source held goes back.
    MemoryBudget::FileHold::giveBack(decoded);

    const bool suffixed = settings.describeNames && output.suffix && !output.suffix->trimmed().isEmpty();
    const QString suffix = suffixed ? *output.suffix : QString();
    const QString ext = fileExtension(output.format);
    const QString failedName = numberedFileName(base, ext, 1, suffix);
    PartFile part(outDir);
    try {
        if (!part.isValid())
            throw std::runtime_error("no part file");
        ImageMetadata::Blocks carried;
        if (output.keepMetadata) {
            const ImageMetadata::Blocks source = ImageMetadata::read(file);
            carried = ImageMetadata::carried({source.exif, source.iptc, {}});
        }
        encode(std::move(image), output.format, effectiveQuality(output.quality, output.format, settings), carried, part.writePath());
        // libvips' caches can hand the encoder a failed strip as black and report success: a
        // failure seen on the way fails the file all the same.
        if (sourceFailed && g_atomic_int_get(sourceFailed))
            throw std::runtime_error("source failed");
    } catch (const std::exception& error) { // vips::VError, std::bad_alloc, the encoder's or metadata's failure
        if (sourceFailed && g_atomic_int_get(sourceFailed))
            throw KelvaroError::unreadable(name);
        if (dynamic_cast<const HeicEncoder::Refused*>(&error))
            throw KelvaroError::encodeFailed(failedName);
        throw part.failure(KelvaroError::writeFailed(failedName));
    }

    // The file gives its memory back while it waits for its name: nothing of it may stay held.
    image = vips::VImage();
    // In a parallel batch, names are claimed in input order.
    const QString out = part.placeInTurn(base, ext, suffix);
    if (out.isEmpty())
        throw part.failure(KelvaroError::writeFailed(failedName));
    One one;
    one.url = out;
    if (output.countsSavedBytes)
        one.savedBytes = std::max<qint64>(originalSize - fileSize(out), 0);
    return one;
}

std::optional<int> ImageEngine::streamedHold(const KelvaroOp& op, const QString& file, ImageFormat format)
{
    return streamedHold(op, probe(file), format);
}

std::optional<int> ImageEngine::streamedHold(const KelvaroOp& op, const Probe& probed, ImageFormat format)
{
    const std::optional<StreamSteps> steps = streamSteps(op);
    if (!steps || !streaming.load() || !probed.regular || probed.pdf || probed.bmp)
        return std::nullopt;
    if (probed.header.is_null())
        return 0;
    try {
        const vips::VImage& header = probed.header;
        if (steps->maxSide > 0 && std::max(header.width(), header.height()) > steps->maxSide)
            return std::nullopt;
        // Built, not computed: the same bands streamImage will see.
        const vips::VImage image = normalizedPipeline(header, false);
        if (!streamable(image, format))
            return std::nullopt;
        return streamTurn(header, *steps).isNone() ? 0 : image.bands();
    } catch (const std::exception&) {
        return 0;
    }
}

void ImageEngine::setStreaming(bool enabled)
{
    streaming.store(enabled);
}

} // namespace kelvaro
