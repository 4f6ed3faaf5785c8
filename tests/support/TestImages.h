#pragma once
// Real image files made inside a test: every format the engine reads, with EXIF orientation, GPS,
// camera make and IPTC set through exiv2, PDF pages with a media box and rotation of choice, and
// files that lie about their size. Plus independent readers to check results (pixel colours,
// sizes, metadata, the JPEG quality a file was written with).
#include <array>
#include <optional>

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include "engine/Bitmap.h"

namespace kelvaro::testimages {

// The four quadrant colours of `quadrants()`, as seen upright.
inline const QColor topLeftColour{220, 30, 30};     // red
inline const QColor topRightColour{30, 200, 40};    // green
inline const QColor bottomLeftColour{30, 40, 220};  // blue
inline const QColor bottomRightColour{240, 230, 40}; // yellow

// An opaque RGBA image whose quadrants have the four colours above, so any turn or mirror shows.
Bitmap quadrants(int width, int height);
// A plain image of one colour; `alpha` below 255 makes it transparent.
Bitmap plain(int width, int height, const QColor& colour, int alpha = 255);
// Quadrants with the right half fully transparent.
Bitmap halfTransparent(int width, int height);

// The colour at (fx, fy), given as fractions of the width and height from the top-left corner.
QColor colourAt(const Bitmap& image, double fx, double fy);
bool near(const QColor& a, const QColor& b, int tolerance = 40);
// Which quadrant colour the four corners of `image` show, in order top-left, top-right,
// bottom-left, bottom-right, each as the index 0–3 of the colours above (-1: none).
std::array<int, 4> cornerColours(const Bitmap& image);

struct Metadata {
    int orientation = 0;        // EXIF orientation 1–8; 0 writes none
    bool gps = false;           // a GPS position (50° 5′ N, 14° 25′ E)
    QString make;               // camera make, empty for none
    QString iptcCity;           // IPTC city, empty for none
    bool pixelDimensions = false; // EXIF PixelX/YDimension of the stored size
    QString iptcCaption;        // IPTC caption, empty for none
    QStringList iptcKeywords;   // IPTC keywords, one dataset each
    QString iptcCopyright;      // IPTC copyright notice, empty for none
};

// Only the EXIF orientation (1–8).
inline Metadata oriented(int orientation)
{
    Metadata metadata;
    metadata.orientation = orientation;
    return metadata;
}

// Files named `name` in `dir`; they return the full path. Pixels are stored as given: an
// orientation only adds the EXIF entry, it does not turn the pixels.
QString writeJpeg(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata = {},
                  int quality = 92);
QString writeCmykJpeg(const QString& dir, const QString& name, const Bitmap& image);
// A one-band (grey) JPEG of the image's first band, as black-and-white cameras and scanners write.
QString writeGreyJpeg(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata = {});
QString writePng(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata = {});
QString writePng16(const QString& dir, const QString& name, const Bitmap& image);
QString writeHeic(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata = {});
QString writeTiff(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata = {});
QString writeGif(const QString& dir, const QString& name, const Bitmap& image);
QString writeWebp(const QString& dir, const QString& name, const Bitmap& image);
QString writeBmp(const QString& dir, const QString& name, const Bitmap& image);
// A PDF of `pages` pages whose media box is `size` points at `origin`, with /Rotate `rotate` and,
// when `cropBox` is not empty, that crop box (in the same points): the left half of the media box
// filled red, the right half blue.
QString writePdf(const QString& dir, const QString& name, QSizeF size, QPointF origin = {}, int rotate = 0,
                 int pages = 1, const QRectF& cropBox = {});
// A one-page PDF of forms within forms: the page and each of `levels` forms name the next form
// `names` times (and draw each name), the last form draws a blue square; with `selfNaming` one form
// names itself `names` times instead. A few kilobytes that a walk or a draw of every name would
// take 20^levels steps through.
QString writeFormFanOut(const QString& dir, const QString& name, int names, int levels, bool selfNaming = false,
                        bool lastFillsPage = false);

// One-page PDFs of a few kilobytes whose drawing takes gigabytes or minutes (an A4 page unless
// said): a line stroked in dashes of 0.001 pt; soft masks nested `depth` deep, each a transparency
// group, on a page of `side` points square; transparency groups nested `depth` deep; the page
// filled `fills` times; an axial shading of `functions` stitched functions painted `paints` times;
// Type3 glyphs each showing `names` glyphs of the next font, `depth` fonts deep.
QString writeDashedLine(const QString& dir, const QString& name);
QString writeNestedSoftMasks(const QString& dir, const QString& name, int depth, double side);
QString writeNestedGroups(const QString& dir, const QString& name, int depth);
QString writePageFills(const QString& dir, const QString& name, int fills);
QString writeStitchedShading(const QString& dir, const QString& name, int functions, int paints);
QString writeType3Glyphs(const QString& dir, const QString& name, int names, int depth);
// A scatter plot: one small marker form drawn `markers` times over an A4 page, from the page's own
// content or, `inFigure`, from a figure's form the page draws once (as typesetting tools embed a
// plot).
QString writeScatterPlot(const QString& dir, const QString& name, int markers, bool inFigure);
// A page whose resources name `forms` distinct forms, each filling a square; with `imageInForm`,
// the last of them draws a raster image (the page's only one).
QString writeManyForms(const QString& dir, const QString& name, int forms, bool imageInForm = false);
// A valid PNG header claiming `size` with almost no pixel data behind it.
QString writeLyingPng(const QString& dir, const QString& name, QSize size);
// Bytes that are no image at all.
QString writeGarbage(const QString& dir, const QString& name);

// Pictures for the code and text readers: QR codes of `payloads` side by side (300 px each, on
// white), an EAN-13 barcode of 13 digits, and one line of large black `text` on white with,
// when given, a QR code of `qrPayload` under it.
QImage qrCodes(const QStringList& payloads);
QImage barcode(const QString& digits);
QImage textImage(const QString& text, const QString& qrPayload = {});

// Independent readers.
Bitmap read(const QString& path);           // decoded as stored (no orientation applied)
QSize pixelSize(const QString& path);       // as stored
std::optional<QString> metadataValue(const QString& path, const QString& key); // exiv2
bool hasAnyExif(const QString& path);
bool hasAnyIptc(const QString& path);
bool hasAnyXmp(const QString& path);
// The XMP property `key` ("Xmp.dc.subject") of the packet libvips finds in a file, parsed by
// exiv2: each item of a list, the default-language text of a language alternative, or the one
// value. Empty when absent.
QStringList xmpItems(const QString& path, const QString& key);
// The IJG quality (1–100) of the file's luminance quantisation table; 0 when not a JPEG.
int jpegQuality(const QString& path);
// Whether libvips itself (with its untrusted loaders blocked) opens the file.
bool vipsOpens(const QString& path);

} // namespace kelvaro::testimages
