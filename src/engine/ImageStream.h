#pragma once
// The streaming path of one file: for the operations whose pixels need no whole-image step
// (compress, convert, strip metadata, a preset or workflow that changes no size, adjust), libvips
// reads the source, turns it upright, converts its colours and writes the result in one pass, so
// a photo is never held as a bitmap (one that must be turned is held once, as decoded). The
// result is the one the bitmap path gives: the same name, size, metadata and pixels. Stateless;
// any thread (the batch's workers).
#include <optional>

#include <QString>

#include <vips/vips8>

#include "engine/ImageEngine.h"
#include "engine/ImageMetadata.h"
#include "engine/ImageProbe.h"

namespace kelvaro::ImageEngine {

// What `op` means for the written file apart from its pixels: format (`file`'s own when the
// operation keeps it), quality (the default from `settings`), metadata, suffix, saved bytes;
// `image` stays empty. No disk.
Rendered outputOf(const KelvaroOp& op, const QString& file, const EngineSettings& settings);

// The turn, flips and colour controls of an adjust, not yet computed, on 8-bit sRGB with 3 bands
// or 4. Throws vips::VError.
vips::VImage adjustPipeline(const vips::VImage& image, const AdjustSpec& spec);

// Streams `file` through `op` into a result in `outDir` (arguments as renderImage); none, before
// anything is written, when the file needs the bitmap path (a BMP or PDF, a size to shrink on
// load, transparency in a format that keeps it). Throws unreadable(name) when the source cannot
// be decoded, also part way through, and writeFailed(result name) when the result cannot be
// written; nothing is left behind then. Reads and writes disk.
std::optional<One> streamImage(const KelvaroOp& op, const QString& file, const QString& base, const QString& name,
                               qint64 originalSize, const QString& outDir, const EngineSettings& settings);

// How streamImage would hold `file` on its way through `op` into `format`, from its header alone,
// deciding as streamImage decides: none when it takes the bitmap path; else the bytes per pixel
// of the decoded photo held whole while it is stood upright or turned, 0 when it is not (a
// source it cannot read is taken to be streamed holding nothing; it fails before holding
// anything). Reads disk.
std::optional<int> streamedHold(const KelvaroOp& op, const QString& file, ImageFormat format);
// The same from what the file's header told (probe). No disk.
std::optional<int> streamedHold(const KelvaroOp& op, const Probe& probed, ImageFormat format);

// Off, streamImage streams nothing and every file takes the bitmap path, so that tests can hold
// the two results side by side. Process-wide, on by default; not while a run is under way.
void setStreaming(bool enabled);

// Encodes `image` (8-bit sRGB, 3 bands, or 4 with straight alpha, which JPEG lays on white) at
// `path` in an image format (jpg, png, heic, tiff), `quality` 0–1 for the lossy ones, with the
// `carried` EXIF and IPTC (none: none). Empties `image` and lets go of it once it is encoded,
// before the metadata is written back: pixels held nowhere else are given back then, and only
// the rewrite counts against the memory budget. Throws vips::VError,
// std::runtime_error, std::bad_alloc, or FileAborted when the file was stopped while it waited
// for memory; the file may be left part-written. Touches disk.
void encode(vips::VImage&& image, ImageFormat format, double quality, const ImageMetadata::Blocks& carried,
            const QString& path);

} // namespace kelvaro::ImageEngine
