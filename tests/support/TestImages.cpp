#define ZX_USE_UTF8 1
#include "TestImages.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include <QDir>
#include <QFont>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <exiv2/exiv2.hpp>
#include <ZXing/BitMatrix.h>
#include <ZXing/CharacterSet.h>
#include <ZXing/MultiFormatWriter.h>

#include "TestSupport.h"
#include "engine/ImageMetadata.h"
#include "platform/NativePath.h"

namespace kelvaro::testimages {
namespace {

QString pathIn(const QString& dir, const QString& name)
{
    return QDir(dir).filePath(name);
}

QByteArray native(const QString& path)
{
    return NativePath::encoded(path);
}

vips::VImage opaqueRgb(const Bitmap& image)
{
    return image.extract_band(0, vips::VImage::option()->set("n", 3))
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

void fillExif(Exiv2::ExifData& exif, const Metadata& metadata, QSize size)
{
    if (metadata.orientation > 0)
        exif["Exif.Image.Orientation"] = uint16_t(metadata.orientation);
    if (!metadata.make.isEmpty()) {
        exif["Exif.Image.Make"] = metadata.make.toStdString();
        exif["Exif.Image.Model"] = std::string("Model 7");
        exif["Exif.Photo.DateTimeOriginal"] = std::string("2026:07:14 10:20:30");
    }
    if (metadata.gps) {
        exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
        Exiv2::URationalValue latitude;
        latitude.read("50/1 5/1 0/1");
        exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &latitude);
        exif["Exif.GPSInfo.GPSLongitudeRef"] = std::string("E");
        Exiv2::URationalValue longitude;
        longitude.read("14/1 25/1 0/1");
        exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLongitude"), &longitude);
    }
    if (metadata.pixelDimensions) {
        exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
        exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
    }
}

void addMetadata(const QString& path, const Metadata& metadata, QSize size)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(native(path).toStdString());
    image->readMetadata();
    Exiv2::ExifData exif = image->exifData();
    fillExif(exif, metadata, size);
    image->setExifData(exif);
    Exiv2::IptcData iptc;
    if (!metadata.iptcCity.isEmpty())
        iptc["Iptc.Application2.City"] = metadata.iptcCity.toStdString();
    if (!metadata.iptcCaption.isEmpty())
        iptc["Iptc.Application2.Caption"] = metadata.iptcCaption.toStdString();
    if (!metadata.iptcCopyright.isEmpty())
        iptc["Iptc.Application2.Copyright"] = metadata.iptcCopyright.toStdString();
    for (const QString& keyword : metadata.iptcKeywords) {
        Exiv2::StringValue value(keyword.toStdString());
        iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &value);
    }
    if (!iptc.empty())
        image->setIptcData(iptc);
    image->writeMetadata();
}

bool hasMetadata(const Metadata& m)
{
    return m.orientation > 0 || m.gps || !m.make.isEmpty() || !m.iptcCity.isEmpty() || m.pixelDimensions
        || !m.iptcCaption.isEmpty() || !m.iptcKeywords.isEmpty() || !m.iptcCopyright.isEmpty();
}

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

QByteArray bigEndian(quint32 v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(bytes, 4);
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type) + data;
    return bigEndian(quint32(data.size())) + body + bigEndian(crc32(body));
}

QImage code(ZXing::BarcodeFormat format, const std::string& payload, int width, int height, int margin)
{
    const ZXing::BitMatrix bits = ZXing::MultiFormatWriter(format).setMargin(margin).setEncoding(ZXing::CharacterSet::UTF8).encode(payload, width, height);
    QImage image(bits.width(), bits.height(), QImage::Format_RGB888);
    for (int y = 0; y < bits.height(); ++y)
        for (int x = 0; x < bits.width(); ++x)
            image.setPixel(x, y, bits.get(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return image;
}

} // namespace

QImage qrCodes(const QStringList& payloads)
{
    QImage canvas(40 + 440 * int(payloads.size()), 400, QImage::Format_RGB888);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    for (int i = 0; i < payloads.size(); ++i)
        painter.drawImage(QPoint(20 + 440 * i, 40), code(ZXing::BarcodeFormat::QRCode, payloads[i].toStdString(), 300, 300, 4));
    return canvas;
}

QImage barcode(const QString& digits)
{
    return code(ZXing::BarcodeFormat::EAN13, digits.toStdString(), 400, 120, 20);
}

QImage textImage(const QString& text, const QString& qrPayload)
{
    QImage image(900, qrPayload.isEmpty() ? 200 : 560, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(64);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(40, 40, 820, 120), Qt::AlignLeft | Qt::AlignVCenter, text);
    if (!qrPayload.isEmpty())
        painter.drawImage(QPoint(40, 200), code(ZXing::BarcodeFormat::QRCode, qrPayload.toStdString(), 320, 320, 4));
    return image;
}

Bitmap quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    QPainter painter(&image);
    const int hw = width / 2;
    const int hh = height / 2;
    painter.fillRect(0, 0, hw, hh, topLeftColour);
    painter.fillRect(hw, 0, width - hw, hh, topRightColour);
    painter.fillRect(0, hh, hw, height - hh, bottomLeftColour);
    painter.fillRect(hw, hh, width - hw, height - hh, bottomRightColour);
    painter.end();
    return fromQImage(image);
}

Bitmap plain(int width, int height, const QColor& colour, int alpha)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    QColor c = colour;
    c.setAlpha(alpha);
    image.fill(c);
    return fromQImage(image);
}

Bitmap halfTransparent(int width, int height)
{
    QImage image = toQImage(quadrants(width, height)).convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            image.setPixelColor(x, y, QColor(0, 0, 0, 0));
    return fromQImage(image);
}

QColor colourAt(const Bitmap& image, double fx, double fy)
{
    const int x = std::clamp(int(fx * image.width()), 0, image.width() - 1);
    const int y = std::clamp(int(fy * image.height()), 0, image.height() - 1);
    const std::vector<double> p = image.getpoint(x, y);
    QColor c{int(p[0]), int(p[1]), int(p[2])};
    if (p.size() > 3)
        c.setAlpha(int(p[3]));
    return c;
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

std::array<int, 4> cornerColours(const Bitmap& image)
{
    const std::array<QColor, 4> colours{topLeftColour, topRightColour, bottomLeftColour, bottomRightColour};
    const std::array<QPointF, 4> corners{QPointF(0.1, 0.1), QPointF(0.9, 0.1), QPointF(0.1, 0.9), QPointF(0.9, 0.9)};
    std::array<int, 4> result{-1, -1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        const QColor seen = colourAt(image, corners[i].x(), corners[i].y());
        for (int k = 0; k < 4; ++k)
            if (near(seen, colours[k]))
                result[i] = k;
    }
    return result;
}

QString writeJpeg(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata, int quality)
{
    const QString path = pathIn(dir, name);
    opaqueRgb(image).jpegsave(native(path).constData(), vips::VImage::option()->set("Q", quality)->set("strip", true));
    if (hasMetadata(metadata))
        addMetadata(path, metadata, QSize(image.width(), image.height()));
    return path;
}

QString writeGreyJpeg(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata)
{
    const QString path = pathIn(dir, name);
    image.extract_band(0)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W))
        .jpegsave(native(path).constData(), vips::VImage::option()->set("strip", true));
    if (hasMetadata(metadata))
        addMetadata(path, metadata, QSize(image.width(), image.height()));
    return path;
}

QString writeCmykJpeg(const QString& dir, const QString& name, const Bitmap& image)
{
    const QString path = pathIn(dir, name);
    opaqueRgb(image).colourspace(VIPS_INTERPRETATION_CMYK).jpegsave(native(path).constData());
    return path;
}

QString writePng(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata)
{
    const QString path = pathIn(dir, name);
    image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .pngsave(native(path).constData(), vips::VImage::option()->set("strip", true));
    if (hasMetadata(metadata))
        addMetadata(path, metadata, QSize(image.width(), image.height()));
    return path;
}

QString writePng16(const QString& dir, const QString& name, const Bitmap& image)
{
    const QString path = pathIn(dir, name);
    (opaqueRgb(image).cast(VIPS_FORMAT_USHORT) * 257)
        .cast(VIPS_FORMAT_USHORT)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16))
        .pngsave(native(path).constData(), vips::VImage::option()->set("bitdepth", 16));
    return path;
}

QString writeHeic(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata)
{
    const QString path = pathIn(dir, name);
    vips::VImage out = opaqueRgb(image).copy();
    // exiv2 cannot write HEIC: the encoder takes the EXIF block (and its orientation field).
    Exiv2::ExifData exif;
    fillExif(exif, metadata, QSize(image.width(), image.height()));
    Exiv2::Blob blob;
    if (!exif.empty())
        Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
    if (!blob.empty())
        out.set(VIPS_META_EXIF_NAME, nullptr, const_cast<char*>(payload.constData()), size_t(payload.size()));
    if (metadata.orientation > 0)
        out.set(VIPS_META_ORIENTATION, metadata.orientation);
    out.heifsave(native(path).constData(), vips::VImage::option()->set("Q", 60)->set("strip", blob.empty()));
    return path;
}

QString writeTiff(const QString& dir, const QString& name, const Bitmap& image, const Metadata& metadata)
{
    const QString path = pathIn(dir, name);
    image.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
        .tiffsave(native(path).constData(), vips::VImage::option()->set("strip", true));
    if (hasMetadata(metadata))
        addMetadata(path, metadata, QSize(image.width(), image.height()));
    return path;
}

QString writeGif(const QString& dir, const QString& name, const Bitmap& image)
{
    const QString path = pathIn(dir, name);
    image.gifsave(native(path).constData());
    return path;
}

QString writeWebp(const QString& dir, const QString& name, const Bitmap& image)
{
    const QString path = pathIn(dir, name);
    image.webpsave(native(path).constData(), vips::VImage::option()->set("lossless", true));
    return path;
}

QString writeBmp(const QString& dir, const QString& name, const Bitmap& image)
{
    const QString path = pathIn(dir, name);
    toQImage(image).convertToFormat(QImage::Format_RGB32).save(path, "BMP");
    return path;
}


namespace {

// A PDF file of `objects` numbered from 1, the first the catalog, with its cross-reference table.
QByteArray pdfOf(const QList<QByteArray>& objects)
{
    QByteArray pdf = "%PDF-1.4\n";
    QList<int> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets << int(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const int xref = int(pdf.size());
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace

QString writePdf(const QString& dir, const QString& name, QSizeF size, QPointF origin, int rotate, int pages,
                 const QRectF& cropBox)
{
    const QString path = pathIn(dir, name);
    const auto n = [](double v) { return QByteArray::number(v, 'f', 3); };
    const QByteArray box = "[" + n(origin.x()) + " " + n(origin.y()) + " " + n(origin.x() + size.width()) + " "
        + n(origin.y() + size.height()) + "]";
    const QByteArray content = "1 0 0 rg " + n(origin.x()) + " " + n(origin.y()) + " " + n(size.width() / 2) + " "
        + n(size.height()) + " re f 0 0 1 rg " + n(origin.x() + size.width() / 2) + " " + n(origin.y()) + " "
        + n(size.width() / 2) + " " + n(size.height()) + " re f\n";
    QList<QByteArray> objects;
    QByteArray kids;
    for (int p = 0; p < pages; ++p)
        kids += QByteArray::number(3 + 2 * p) + " 0 R ";
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    objects << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    for (int p = 0; p < pages; ++p) {
        const QByteArray crop = cropBox.isEmpty()
            ? QByteArray()
            : " /CropBox [" + n(cropBox.left()) + " " + n(cropBox.top()) + " " + n(cropBox.right()) + " "
                + n(cropBox.bottom()) + "]";
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox " + box + crop + " /Rotate " + QByteArray::number(rotate)
                + " /Contents " + QByteArray::number(4 + 2 * p) + " 0 R >>";
        objects << "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream";
    }
    const QByteArray pdf = pdfOf(objects);
    test::writeFile(path, pdf);
    return path;
}

QString writeFormFanOut(const QString& dir, const QString& name, int names, int levels, bool selfNaming,
                        bool lastFillsPage)
{
    constexpr int firstForm = 5; // 1 catalog, 2 page tree, 3 page, 4 its content
    const auto naming = [&](int target) {
        QByteArray resources = "/Resources << /XObject << ";
        QByteArray drawn;
        for (int i = 0; i < names; ++i) {
            resources += "/F" + QByteArray::number(i) + ' ' + QByteArray::number(target) + " 0 R ";
            drawn += "/F" + QByteArray::number(i) + " Do ";
        }
        return std::pair{resources + ">> >>", drawn};
    };
    const auto stream = [](const QByteArray& dictionary, const QByteArray& content) {
        return "<< " + dictionary + " /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content
            + "\nendstream";
    };
    const int forms = selfNaming ? 1 : levels;
    const auto [pageResources, pageContent] = naming(firstForm);
    QList<QByteArray> objects;
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    objects << "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
    objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] " + pageResources + " /Contents 4 0 R >>";
    objects << stream({}, pageContent);
    for (int form = 0; form < forms; ++form) {
        const int self = firstForm + form;
        const bool last = !selfNaming && form == forms - 1;
        const auto [resources, content] = naming(selfNaming ? self : self + 1);
        objects << stream("/Type /XObject /Subtype /Form /BBox [0 0 200 100] " + (last ? QByteArray() : resources),
                          last ? QByteArray(lastFillsPage ? "0 0 1 rg 0 0 200 100 re f" : "0 0 1 rg 0 0 2 2 re f") : content);
    }
    const QByteArray pdf = pdfOf(objects);
    const QString path = pathIn(dir, name);
    test::writeFile(path, pdf);
    return path;
}

namespace {

// A stream object of `dictionary`'s entries and `content`, compressed.
QByteArray flateStream(const QByteArray& dictionary, const QByteArray& content)
{
    const QByteArray packed = qCompress(content, 9).mid(4); // a zlib stream after Qt's length
    return "<< " + dictionary + " /Filter /FlateDecode /Length " + QByteArray::number(packed.size())
        + " >>\nstream\n" + packed + "\nendstream";
}

// A one-page PDF: `page` holds the page dictionary's entries beside its parent, its contents (object
// 4, `content`) and an A4 media box unless given; `more` are objects 5, 6, …
QString writePage(const QString& dir, const QString& name, const QByteArray& page, const QByteArray& content,
                  const QList<QByteArray>& more)
{
    QList<QByteArray> objects;
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    objects << "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
    const QByteArray box = page.contains("/MediaBox") ? QByteArray() : QByteArray("/MediaBox [0 0 595 842] ");
    objects << "<< /Type /Page /Parent 2 0 R " + box + page + " /Contents 4 0 R >>";
    objects << flateStream({}, content);
    objects << more;
    const QString path = pathIn(dir, name);
    test::writeFile(path, pdfOf(objects));
    return path;
}

QByteArray ref(int object)
{
    return QByteArray::number(object) + " 0 R";
}

} // namespace

QString writeDashedLine(const QString& dir, const QString& name)
{
    // A thousandth of the page's scale: the dashes are a millionth of a point on the device.
    return writePage(dir, name, {}, "0.001 0 0 0.001 0 0 cm 1000 w [0.001] 0 d 0 0 m 595000 842000 l 595000 0 l S", {});
}

QString writeNestedSoftMasks(const QString& dir, const QString& name, int depth, double side)
{
    const QByteArray s = QByteArray::number(side, 'f', 0);
    const QByteArray fill = "0 0 " + s + " " + s + " re f";
    // Object 5 + 2k is the group of level k, 6 + 2k the graphics state whose soft mask is the next
    // level's group.
    QList<QByteArray> more;
    for (int level = 0; level < depth; ++level) {
        const int group = 5 + 2 * level;
        const bool last = level == depth - 1;
        const QByteArray resources = last ? QByteArray() : "/Resources << /ExtGState << /G " + ref(group + 3) + " >> >> ";
        more << flateStream("/Type /XObject /Subtype /Form /Group << /S /Transparency /CS /DeviceGray >> /BBox [0 0 " + s
                                + " " + s + "] " + resources,
                            last ? "0.5 g " + fill : "/G gs 0.5 g " + fill);
        more << "<< /Type /ExtGState /SMask << /S /Luminosity /G " + ref(group) + " >> >>";
    }
    return writePage(dir, name, "/MediaBox [0 0 " + s + " " + s + "] /Resources << /ExtGState << /G " + ref(6) + " >> >>",
                     "/G gs 0 0 1 rg " + fill, more);
}

QString writeNestedGroups(const QString& dir, const QString& name, int depth)
{
    QList<QByteArray> more;
    for (int level = 0; level < depth; ++level) {
        const int form = 5 + level;
        const bool last = level == depth - 1;
        more << flateStream("/Type /XObject /Subtype /Form /Group << /S /Transparency /I true /K true >> /BBox [0 0 595 842] "
                                + (last ? QByteArray() : "/Resources << /XObject << /F " + ref(form + 1) + " >> >>"),
                            last ? "0 0 1 rg 0 0 595 842 re f" : "0.9 g 0 0 595 842 re f /F Do");
    }
    return writePage(dir, name, "/Resources << /XObject << /F " + ref(5) + " >> >>", "/F Do", more);
}

QString writePageFills(const QString& dir, const QString& name, int fills)
{
    QByteArray content;
    content.reserve(fills * 20);
    for (int i = 0; i < fills; ++i)
        content += i % 2 ? "0 0 1 rg 0 0 595 842 re f\n" : "1 0 0 rg 0 0 595 842 re f\n";
    return writePage(dir, name, {}, content, {});
}

QString writeStitchedShading(const QString& dir, const QString& name, int functions, int paints)
{
    QByteArray parts;
    QByteArray bounds;
    QByteArray encode;
    for (int i = 0; i < functions; ++i) {
        parts += "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> ";
        if (i > 0)
            bounds += QByteArray::number(double(i) / functions, 'f', 6) + ' ';
        encode += "0 1 ";
    }
    const QByteArray stitched = "<< /FunctionType 3 /Domain [0 1] /Functions [" + parts + "] /Bounds [" + bounds
        + "] /Encode [" + encode + "] >>";
    QByteArray content;
    for (int i = 0; i < paints; ++i)
        content += "/S sh\n";
    return writePage(dir, name, "/Resources << /Shading << /S " + ref(5) + " >> >>", content,
                     {"<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 595 842] /Extend [true true] /Function "
                      + stitched + " >>"});
}

QString writeType3Glyphs(const QString& dir, const QString& name, int names, int depth)
{
    // Object 5 + 2k is font k, 6 + 2k its glyph's procedure; each glyph shows `names` glyphs of
    // font k + 1 across its box, the last font's glyph fills it.
    const QByteArray shown = "(" + QByteArray(names, 'a') + ")";
    QList<QByteArray> more;
    for (int level = 0; level < depth; ++level) {
        const int font = 5 + 2 * level;
        const bool last = level == depth - 1;
        const QByteArray resources = last ? QByteArray() : "/Resources << /Font << /F " + ref(font + 2) + " >> >> ";
        more << "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
                "/CharProcs << /a "
                + ref(font + 1) + " >> /Encoding << /Type /Encoding /Differences [97 /a] >> /FirstChar 97 /LastChar 97 "
                "/Widths [1000] "
                + resources + ">>";
        const QByteArray scale = QByteArray::number(1000.0 / names, 'f', 3);
        more << flateStream({}, last ? QByteArray("1000 0 d0 0 0 1000 1000 re f")
                                     : "1000 0 d0 BT /F " + scale + " Tf 0 0 Td " + shown + " Tj ET");
    }
    return writePage(dir, name, "/Resources << /Font << /F " + ref(5) + " >> >>",
                     "BT /F 500 Tf 40 200 Td " + shown + " Tj ET", more);
}

QString writeScatterPlot(const QString& dir, const QString& name, int markers, bool inFigure)
{
    QByteArray plot;
    plot.reserve(markers * 40);
    for (int i = 0; i < markers; ++i) {
        const int x = 20 + (i * 7919) % 550;
        const int y = 20 + (i * 104729 / 7) % 800;
        plot += "q 1 0 0 1 " + QByteArray::number(x) + " " + QByteArray::number(y) + " cm /M Do Q\n";
    }
    const QByteArray marker = flateStream("/Type /XObject /Subtype /Form /BBox [0 0 3 3]", "0 0 1 rg 0 0 3 3 re f");
    if (!inFigure)
        return writePage(dir, name, "/Resources << /XObject << /M " + ref(5) + " >> >>", plot, {marker});
    return writePage(dir, name, "/Resources << /XObject << /Fig " + ref(6) + " >> >>", "/Fig Do", {marker,
                     flateStream("/Type /XObject /Subtype /Form /BBox [0 0 595 842] /Resources << /XObject << /M " + ref(5)
                                     + " >> >>",
                                 plot)});
}

QString writeManyForms(const QString& dir, const QString& name, int forms, bool imageInForm)
{
    QByteArray names;
    QByteArray drawn;
    QList<QByteArray> more;
    for (int i = 0; i < forms; ++i) {
        names += "/F" + QByteArray::number(i) + ' ' + ref(5 + i) + ' ';
        drawn += "/F" + QByteArray::number(i) + " Do ";
        const bool image = imageInForm && i == forms - 1;
        more << flateStream("/Type /XObject /Subtype /Form /BBox [0 0 10 10]"
                                + (image ? " /Resources << /XObject << /Im " + ref(5 + forms) + " >> >>" : QByteArray()),
                            image ? "10 0 0 10 0 0 cm /Im Do" : "0 0 1 rg 0 0 10 10 re f");
    }
    if (imageInForm)
        more << "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                "/Length 12 >>\nstream\n"
                + QByteArray(12, '\x80') + "\nendstream";
    return writePage(dir, name, "/Resources << /XObject << " + names + ">> >>", drawn, more);
}

QString writeLyingPng(const QString& dir, const QString& name, QSize size)
{
    const QString path = pathIn(dir, name);
    QByteArray header = bigEndian(quint32(size.width())) + bigEndian(quint32(size.height()));
    header += QByteArray("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA, no interlace
    const QByteArray row(1 + 4 * 16, '\0');
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += pngChunk("IHDR", header);
    png += pngChunk("IDAT", qCompress(row, 9).mid(4));
    png += pngChunk("IEND", QByteArray());
    test::writeFile(path, png);
    return path;
}

QString writeGarbage(const QString& dir, const QString& name)
{
    const QString path = pathIn(dir, name);
    test::writeFile(path, QByteArray("this is not an image, only words pretending to be one\n").repeated(20));
    return path;
}

Bitmap read(const QString& path)
{
    initVips();
    return normalizedBitmap(vips::VImage::new_from_file(native(path).constData()));
}

QSize pixelSize(const QString& path)
{
    initVips();
    const vips::VImage image = vips::VImage::new_from_file(native(path).constData());
    return {image.width(), image.height()};
}

std::optional<QString> metadataValue(const QString& path, const QString& key)
{
    return ImageMetadata::value(path, key);
}

bool hasAnyExif(const QString& path)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(native(path).toStdString());
    image->readMetadata();
    return !image->exifData().empty();
}

bool hasAnyIptc(const QString& path)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(native(path).toStdString());
    image->readMetadata();
    return !image->iptcData().empty();
}

// The XMP packet as the image decoder finds it: exiv2 0.27 misses it in many HEIC files.
std::string xmpPacket(const QString& path)
{
    const vips::VImage image = vips::VImage::new_from_file(native(path).constData());
    if (image.get_typeof(VIPS_META_XMP_NAME) == 0)
        return {};
    size_t length = 0;
    const auto* bytes = static_cast<const char*>(image.get_blob(VIPS_META_XMP_NAME, &length));
    return std::string(bytes, length);
}

bool hasAnyXmp(const QString& path)
{
    return !xmpPacket(path).empty();
}

QStringList xmpItems(const QString& path, const QString& key)
{
    Exiv2::XmpData xmp;
    const std::string packet = xmpPacket(path);
    if (packet.empty() || Exiv2::XmpParser::decode(xmp, packet) != 0)
        return {};
    const auto it = xmp.findKey(Exiv2::XmpKey(key.toStdString()));
    if (it == xmp.end())
        return {};
    if (it->typeId() == Exiv2::langAlt)
        return {QString::fromStdString(it->toString(0))};
    if (it->typeId() != Exiv2::xmpBag && it->typeId() != Exiv2::xmpSeq && it->typeId() != Exiv2::xmpAlt)
        return {QString::fromStdString(it->toString())};
    QStringList items;
    for (long i = 0; i < it->count(); ++i)
        items << QString::fromStdString(it->toString(i));
    return items;
}

int jpegQuality(const QString& path)
{
    static const int base[64] = {16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
                                 14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
                                 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
                                 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const int zigzag[64] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
                                   12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
                                   35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                   58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    const QByteArray bytes = test::readFile(path);
    if (!bytes.startsWith("\xFF\xD8"))
        return 0;
    // The first DQT segment's first table is the luminance table, in zigzag order.
    const qsizetype at = bytes.indexOf("\xFF\xDB");
    if (at < 0 || at + 5 + 64 > bytes.size() || (quint8(bytes[at + 4]) >> 4) != 0)
        return 0;
    const uchar* table = reinterpret_cast<const uchar*>(bytes.constData() + at + 5);
    int best = 0;
    int bestError = INT_MAX;
    for (int q = 1; q <= 100; ++q) {
        const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
        int error = 0;
        for (int i = 0; i < 64; ++i) {
            const int expected = std::clamp((base[zigzag[i]] * scale + 50) / 100, 1, 255);
            error += std::abs(expected - int(table[i]));
        }
        if (error < bestError) {
            bestError = error;
            best = q;
        }
    }
    return best;
}

bool vipsOpens(const QString& path)
{
    initVips();
    try {
        vips::VImage::new_from_file(native(path).constData());
        return true;
    } catch (const vips::VError&) {
        return false;
    }
}

} // namespace kelvaro::testimages
