#pragma once
// A look at a source's header without decoding its pixels, for deciding how much of it to decode.
#include <optional>

#include <QSize>
#include <QString>

#include <vips/vips8>

namespace kelvaro::ImageEngine {

// What one opening of a source tells before its work: what kind of file it is, its size and
// what its decoder holds. Pricing a file reads its header once, through this, on whichever thread
// takes the file.
struct Probe {
    bool regular = false; // a regular file; anything else (a fifo, a device) is not read at all
    bool pdf = false;     // drawn as a PDF's first page (isPdf)
    bool bmp = false;     // decoded by Qt, as BMP is
    // The size `load` gives, upright; a PDF page's as renderPDFPage draws it whole; invalid when
    // the header tells none (unreadable, a page beyond the ceiling).
    QSize size;
    double decoderBytes = 0;   // as decoderHeldBytes
    bool decoderWhole = false; // as decoderHoldsWhole
    bool drawing = false;    // as pdfPageIsDrawing
    // libvips' header, opened for sequential access; none for a PDF, a BMP or what libvips cannot
    // read. Holds the file open while it lives.
    vips::VImage header;
};

// Probes `file` through one opening of it (a PDF's document read by a drawer, which keeps it open
// for this thread's drawing of it). Never throws. Reads disk.
Probe probe(const QString& file);

// The source's pixel size as `load` turns it upright (its EXIF orientation applied), read from
// the header alone (a PDF's from its first page's media box); none for a BMP, or a file that
// cannot be opened or is beyond the engine's ceiling. Reads disk.
std::optional<QSize> uprightSize(const QString& file);

// Bytes per pixel the source's decoder holds until the last pixel has been read, beyond the
// strips it hands on: HEIC, WebP and GIF decode whole, a progressive JPEG keeps every
// coefficient and an interlaced PNG every pass; sixteen bits a sample are converted in strips
// twice as wide. 0 for an 8-bit source decoded a strip at a time, a PDF page, a BMP or a file
// whose header cannot be read. Reads disk.
double decoderHeldBytes(const QString& file);
// Whether what decoderHeldBytes counts is the whole source, held whoever reads it; false for
// sixteen bits a sample, held in the strips the encoder's threads pull at once, which a reader
// that takes one band at a time (a turn upright) never makes. Reads disk.
bool decoderHoldsWhole(const QString& file);
// Whether `load` draws the file as the first page of a PDF: named ".pdf", or beginning as a PDF
// does whatever its name. libvips must never see such a file: its own PDF decoder would take
// it. Reads the file's first bytes.
bool isPdf(const QString& file);

// The first page's size as renderPDFPage draws it whole, from the media box alone; none when
// the page cannot be drawn (no page, or beyond the engine's ceiling). Reads disk.
std::optional<QSize> pdfPageSize(const QString& file);

// Whether the first page is drawn from lines, text and fills alone: no raster image among its
// resources or the forms they draw. False when the page cannot be read (also within its drawer's
// bounds), when the walk through its forms gives up (each object is looked at once, a few thousand
// at most) or the current file is asked to stop. Reads disk.
bool pdfPageIsDrawing(const QString& file);

// The PDF page's part of probe(): its size and whether it is a drawing, from the document open
// at `descriptor` (not taken over), read by a drawer (PdfDrawer) within what this thread's file
// was admitted at, else within MemoryBudget::pdfReadingBytes() held from the shared budget.
void probePdfPage(int descriptor, Probe& probed);

} // namespace kelvaro::ImageEngine
