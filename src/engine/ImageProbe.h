#pragma once
// A look at a source's header without decoding its pixels, for deciding how much of it to decode.
#include <optional>

#include <QSize>
#include <QString>

namespace kelvaro::ImageEngine {

// The source's pixel size as `load` turns it upright (its EXIF orientation applied), read from
// the header alone; none for a file libvips does not read (BMP, PDF) or cannot open. Reads disk.
std::optional<QSize> uprightSize(const QString& file);

} // namespace kelvaro::ImageEngine
