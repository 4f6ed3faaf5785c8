#pragma once
// Reads a photo's EXIF, GPS, IPTC and XMP and carries the permitted part over to a result, all
// through exiv2. Blocks travel as bytes so no exiv2 type leaks out. Stateless; any thread
// (exiv2 is set up once per process on first use).
#include <optional>

#include <QByteArray>
#include <QString>

namespace kelvaro::ImageMetadata {

struct Blocks {
    QByteArray exif; // TIFF-structured EXIF (IFD0, Exif, GPS), no "Exif\0\0" prefix
    QByteArray iptc; // IPTC IIM datasets
    QByteArray xmp;  // XMP packet

    bool isEmpty() const { return exif.isEmpty() && iptc.isEmpty() && xmp.isEmpty(); }
};

// The metadata of a file on disk; empty blocks for formats exiv2 does not know or on any error
// (metadata never makes a photo unreadable). EXIF that exiv2 misses (HEIC grid layouts) is
// taken from the image decoder. Maker notes and the EXIF thumbnail are left out: they cannot be
// moved safely to another file. Reads disk.
Blocks read(const QString& path);

// The EXIF orientation (1–8) in `exif`, none when absent or out of range. No disk.
std::optional<int> orientation(const QByteArray& exif);

// What a result keeps of a source: the descriptive IFD0 entries (make, model, software, date,
// artist, copyright, description, resolution), the Exif entries but the pixel dimensions, every
// GPS entry and all of IPTC. No orientation, no image-structure entries, no XMP. No disk.
Blocks carried(const Blocks& source);

// Writes `blocks` (EXIF and IPTC) into an existing JPEG, PNG or TIFF file, replacing what it
// holds. Nothing to write leaves the file alone unless `evenWhenEmpty` (a TIFF encoder writes an
// orientation of its own, which this removes). Returns false on failure. Touches disk.
bool writeInto(const QString& path, const Blocks& blocks, bool evenWhenEmpty = false);

// The same for a PNG that holds no metadata yet (one just encoded), without reading the file into
// memory as exiv2's own writer does: the chunks exiv2 makes are put where it puts them, after
// the header. Returns false on failure, which may leave the file damaged. Touches disk.
bool writeIntoNewPng(const QString& path, const Blocks& blocks);

// The EXIF block for an encoder that embeds it itself (HEIC): "Exif\0\0" and the TIFF
// structure, with the colour space marked sRGB. Empty when `exif` is empty. No disk.
QByteArray exifPayload(const QByteArray& exif);

// The IPTC datasets of `iptc` as an XMP packet of the properties that hold the same fields (the
// caption as dc:description, keywords as dc:subject, the copyright as dc:rights, the place and
// the creator's contact as IPTC Core), for a format that can hold XMP but not IPTC (HEIC). Empty
// when `iptc` is empty or nothing in it converts. No disk.
QByteArray xmpFromIptc(const QByteArray& iptc);

// One EXIF or IPTC value of a file as text ("Exif.GPSInfo.GPSLatitude", "Iptc.Application2.City"),
// none when absent. For tests and diagnostics; reads disk.
std::optional<QString> value(const QString& path, const QString& key);

} // namespace kelvaro::ImageMetadata
