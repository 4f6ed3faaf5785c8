#pragma once
// The look at a written result's structure that tells a file its encoder wrote whole from one a
// full disk left in part: libvips drops a block it could not write, goes on once another file's
// removal made room, and reports success. Stateless; any thread (the batch's workers).
#include <QString>

#include "model/Operations.h"

namespace kelvaro::ImageEngine {

// Whether the image file at `path` was written whole as far as its structure tells: a PNG's
// chunks with their checksums up to the closing one, every strip or tile of a TIFF's (or BigTIFF's)
// first image present and inside the file, a JPEG's start and end; and no hole anywhere. Other
// formats count as whole. Reads the file in blocks of 128 KiB, whatever its size or content.
bool wholeFile(const QString& path, ImageFormat format);

} // namespace kelvaro::ImageEngine
