#pragma once
// Turns a batch of files into new files: loads each upright, applies one operation, names the
// result without overwriting anything and writes it. Stateless; called from background tasks
// (store runs, watched folders). Every function here touches disk unless it says otherwise.
#include <chrono>
#include <exception>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "engine/Bitmap.h"
#include "engine/EngineSettings.h"
#include "engine/RunHooks.h"
#include "model/Operations.h"

namespace kelvaro {

// A decoded source: the bitmap, upright (orientation applied), and its metadata.
struct LoadedImage {
    Bitmap image;
    // "PixelWidth", "PixelHeight" (as stored, before turning upright), "Orientation" (the EXIF
    // value 1–8, when the source has one) and "Loader" (the decoder used: "vips", "qimage",
    // "pdf"). Empty for a PDF page.
    QVariantMap properties;
    QByteArray exif; // the source's EXIF as a TIFF-structured block (no "Exif\0\0" prefix,
                     // maker notes and thumbnail left out); empty when none
    QByteArray xmp;  // the XMP packet, empty when none (read, never carried)
    QByteArray iptc; // the IPTC IIM datasets, empty when none
};

namespace ImageEngine {

// What one file of a batch produced.
struct One {
    QString url;               // the written file (absolute path)
    qint64 savedBytes = 0;
    std::optional<QString> text;
};

// The one entry of every run. Throws KelvaroError: the combined output's failure, or runFailed
// (the first file's message) when no file came out and at least one failed. `outDir` must exist. Every file follows `settings`, read
// by the caller when the run started. A file starts once the memory budget of the whole process
// (MemoryBudget::shared(), shared with every other run under way) has room for it; a cancel also
// ends that wait. A cancel starts no new file, lets the earliest file in progress finish and stops
// the others at once: the result and progress hold only the files kept. Every result is whole or
// absent: written under a part name and given its own only once complete; part files a killed run
// left in `outDir` are removed first.
OpResult process(const KelvaroOp& op, const QStringList& files, const QString& outDir, const RunHooksPtr& hooks = {},
                 const EngineSettings& settings = {});

// The bytes a file of a run of `op` is priced at when the memory budget admits it
// (MemoryBudget::estimate, with the segmentation network for a run that removes backgrounds);
// what a step holds only for a while is asked for on the way (MemoryBudget::FileHold). Reads the
// file's header.
qint64 memoryPrice(const KelvaroOp& op, const QString& file, const EngineSettings& settings = {});

// Decodes a file upright as 8-bit sRGB RGBA. Throws KelvaroError::unreadable(file name), also
// for a source of more than kMaxPixels. `maxSide` > 0 decodes a larger source shrunk so that
// its long side is `maxSide` (the size a resize to that long side computes), for callers that
// only need that much.
LoadedImage load(const QString& file, int maxSide = 0);

// Claims a free name in `folder`: `base suffix`.`ext`, else `base suffix 2`.`ext`, `base suffix
// 3`.`ext` … (no space nor suffix when `suffix` is empty), as fittedFileName puts them together
// for the folder's longest name. The name is reserved atomically by creating an empty file
// (exclusive create, so two runs never get the same name, and a dangling symbolic link counts
// as taken); the caller writes over that file. When the folder refuses the creation, the first
// name that does not exist is returned unreserved (the write then fails).
QString uniqueURL(const QString& folder, const QString& base, const QString& ext, const QString& suffix = {});

// The file name `base` + `tail` + "." + `ext` (no dot when `ext` is empty), "/" and ":" in it
// replaced by "-". NativePath text: a byte of a source's name that is not UTF-8 stays, so show it
// through NativePath::displayName. When it would take more than `limit` bytes on disk, `base` is
// shortened at a character boundary so that `tail` (suffix and counter) and `ext` stay whole.
// No disk.
QString fittedFileName(const QString& base, const QString& tail, const QString& ext, int limit = 255);

// The file name `base`.`ext` as uniqueURL first tries it in a folder that takes 255 bytes (see
// fittedFileName). No disk.
QString plainFileName(const QString& base, const QString& ext);

// The `n`th name uniqueURL tries (from 1): `base suffix`.`ext` (no space when `suffix` is
// empty), then with " `n`" after the suffix, fitted to `limit` bytes as fittedFileName fits it.
// `mark` follows `base` directly and stays whole as the suffix does (a rename's "_001"). No disk.
QString numberedFileName(const QString& base, const QString& ext, qint64 n, const QString& suffix = {},
                         int limit = 255, const QString& mark = {});

// The longest file name, in bytes, that `folder`'s file system takes. Touches disk.
int nameLimit(const QString& folder);

// The name a rename run gives the copy of the file named `fileName` at batch position `index`
// (from 0), before a taken name gets " 2", " 3" …: the spec's name as typed, or the file's own
// name without its extension when that is empty; then, when numbered, "_" and start + index as
// "%03d"; then the file's extension. No disk.
QString renamedFileName(const RenameSpec& spec, const QString& fileName, int index);

// Size in bytes of a regular file; 0 when it cannot be read. Reads disk metadata only.
qint64 fileSize(const QString& file);

// Whether `file` (its link followed) is a regular file: a fifo, a device or a folder named like a
// photo is none, and opening one may wait for ever. Reads disk metadata only.
bool isRegularFile(const QString& file);

// One page per image, in order; a page is the image's pixel size in points, scaled down so that
// no side exceeds 1000 points. Photos of lossy formats are embedded as JPEG at `jpegQuality`
// (0–1). Throws writeFailed(target name), or the first unloadable file's error (the partial PDF
// stays).
void writePDF(const QStringList& files, const QString& target, double jpegQuality);

// First page of a PDF at 2 px per point on white: its whole media box (a crop box does not
// clip it), the box's corner on the bitmap's corner, the page's own rotation not applied.
// `maxSide` > 0 draws a page whose long side is larger at the size a resize to that long side
// computes, never at full size first. Read and drawn by kelvaro-pdfpage in a process of its own
// (nothing of the document is parsed here; a reading this thread's probe left open is drawn
// from), within a memory ceiling (what the budget admitted the file at, or the page's own price,
// the renderer's room included, held from the shared budget while it draws; less the pixels it
// fills and never beyond a hard limit's room) and pdfPageCpuBound() of CPU time, killed at once
// when the file is asked to stop (FileAborted) or the application ends or drains its pools. Waits
// for the budget's room outside a run's file. Throws KelvaroError::unreadable(file name),
// tooManyPixels for a page above kMaxPixels, pageBeyondBounds for one whose reading or drawing
// went past either bound.
Bitmap renderPDFPage(const QString& file, int maxSide = 0);
// The CPU time a page's drawing may take: 20 s, generous for real documents. Tests shorten it.
std::chrono::seconds pdfPageCpuBound();
void setPdfPageCpuBound(std::chrono::seconds bound);

// ---- Pieces of one file's rendering, for the live preview and tests ----------------------

// The image work of one per-file operation and what it means for the written file.
struct Rendered {
    Bitmap image;
    ImageFormat format = ImageFormat::png;
    double quality = 0.9;          // 0–1, lossy formats only; before the HEIC rule
    bool keepMetadata = true;
    std::optional<QString> suffix; // in the run's language; none for a conversion
    bool countsSavedBytes = false; // whether the result reports bytes saved against the source
};

// Applies `op` (adjust, preset, workflow, convert, crop, resize, compress, watermark, blurFaces,
// removeBackground, stripMetadata) to a loaded source. `file` is the source path (for its
// format), `name` its file name for error messages; `settings` gives the default quality and the
// face style. Throws writeFailed(name) or the effect's error. No disk (except a watermark logo).
Rendered render(const KelvaroOp& op, const LoadedImage& source, const QString& file, const QString& name,
                const EngineSettings& settings);

// Loads `file`, renders it, names and writes the result in `outDir`. `base` is the file name
// without its extension, `name` with it, `originalSize` its size in bytes. The name gets its
// descriptive suffix when `settings` asks for one.
One renderImage(const KelvaroOp& op, const QString& file, const QString& base, const QString& name,
                qint64 originalSize, const QString& outDir, const EngineSettings& settings);

// The lossy quality written for `format` (0–1): a HEIC result whose quality equals the JPEG
// default of `settings` takes its HEIC quality. No disk.
double effectiveQuality(double quality, ImageFormat format, const EngineSettings& settings);

// "jpg", "png", "heic", "tiff", "pdf", "zip".
QString fileExtension(ImageFormat format);

// Encodes `image` at `path` (overwriting it; normally a part file that becomes the result once
// complete) in an image format (jpg, png, heic, tiff), JPEG flattened on white, `quality` 0–1 for
// the lossy ones (taken as given). `metadata` is the source whose EXIF, GPS and IPTC are carried;
// none writes none. Empties `image`: a bitmap held nowhere else is given back before the
// metadata is written. Throws writeFailed(`resultName`, or the file name of `path` when empty); the file may
// be left part-written then.
void writeImage(Bitmap&& image, ImageFormat format, double quality, const LoadedImage* metadata,
                const QString& path, const QString& resultName = {});

} // namespace ImageEngine
} // namespace kelvaro
