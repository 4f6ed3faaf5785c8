#include "engine/PdfPages.h"

#include <cmath>

#include <fcntl.h>
#include <unistd.h>

#include "engine/ImageEngine.h"
#include "platform/NativePath.h"

namespace kelvaro {
namespace {

QByteArray number(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? QByteArray("0") : text;
}

} // namespace

bool PdfPages::open()
{
    // Opened from the path's own bytes: QFile would lose a byte of the folder's name that is not
    // UTF-8 and write elsewhere.
    const int fd = ::open(NativePath::encoded(m_path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || !m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_offsets = {0, 0, 0}; // object 0 is the free head; 1 the catalog, 2 the page tree
    return write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

bool PdfPages::addPage(const Bitmap& image, double width, double height, bool lossy)
{
    const int w = image.width();
    const int h = image.height();
    const bool hasAlpha = image.bands() == 4 && image.extract_band(3).min() < 255;
    const vips::VImage rgb = image.extract_band(0, vips::VImage::option()->set("n", 3));

    int maskObject = 0;
    if (hasAlpha) {
        const vips::VImage alpha = image.extract_band(3).copy_memory();
        const QByteArray packed = qCompress(static_cast<const uchar*>(alpha.data()),
                                            qsizetype(VIPS_IMAGE_SIZEOF_IMAGE(alpha.get_image())), 6)
                                      .mid(4);
        maskObject = beginObject();
        if (!write("<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(w) + " /Height "
                   + QByteArray::number(h) + " /ColorSpace /DeviceGray /BitsPerComponent 8"
                   + " /Filter /FlateDecode /Length " + QByteArray::number(packed.size()) + " >>\nstream\n")
            || !write(packed) || !write("\nendstream\nendobj\n"))
            return false;
    }

    QByteArray stream;
    QByteArray filter;
    if (lossy) {
        void* buffer = nullptr;
        size_t size = 0;
        rgb.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB))
            .write_to_buffer(".jpg", &buffer, &size,
                             vips::VImage::option()
                                 ->set("Q", int(std::lround(m_jpegQuality * 100)))
                                 ->set("strip", true)
                                 ->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_ON));
        stream = QByteArray(static_cast<const char*>(buffer), qsizetype(size));
        g_free(buffer);
        filter = "/DCTDecode";
    } else {
        const vips::VImage pixels = rgb.copy_memory();
        stream = qCompress(static_cast<const uchar*>(pixels.data()),
                           qsizetype(VIPS_IMAGE_SIZEOF_IMAGE(pixels.get_image())), 6)
                     .mid(4); // qCompress puts a length before the zlib stream
        filter = "/FlateDecode";
    }
    const int imageObject = beginObject();
    QByteArray dictionary = "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(w) + " /Height "
        + QByteArray::number(h) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter " + filter;
    if (maskObject)
        dictionary += " /SMask " + QByteArray::number(maskObject) + " 0 R";
    dictionary += " /Length " + QByteArray::number(stream.size()) + " >>\nstream\n";
    if (!write(dictionary) || !write(stream) || !write("\nendstream\nendobj\n"))
        return false;
    stream.clear();

    const QByteArray content = "q " + number(width) + " 0 0 " + number(height) + " 0 0 cm /Im0 Do Q\n";
    const int contentObject = beginObject();
    if (!write("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream\nendobj\n"))
        return false;

    const int pageObject = beginObject();
    m_pages.append(pageObject);
    return write("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(width) + ' ' + number(height)
                 + "] /Resources << /XObject << /Im0 " + QByteArray::number(imageObject) + " 0 R >> >> /Contents "
                 + QByteArray::number(contentObject) + " 0 R >>\nendobj\n");
}

bool PdfPages::close()
{
    QByteArray kids;
    for (int page : m_pages)
        kids += QByteArray::number(page) + " 0 R ";
    m_offsets[2] = m_file.pos();
    bool ok = write("2 0 obj\n<< /Type /Pages /Kids [" + kids.trimmed() + "] /Count "
                    + QByteArray::number(m_pages.size()) + " >>\nendobj\n");
    m_offsets[1] = m_file.pos();
    ok = ok && write("1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    const qint64 xref = m_file.pos();
    QByteArray table = "xref\n0 " + QByteArray::number(m_offsets.size()) + "\n0000000000 65535 f \n";
    for (int i = 1; i < m_offsets.size(); ++i)
        table += QByteArray::number(m_offsets[i]).rightJustified(10, '0') + " 00000 n \n";
    table += "trailer\n<< /Size " + QByteArray::number(m_offsets.size()) + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(xref) + "\n%%EOF\n";
    ok = ok && write(table);
    ok = m_file.flush() && ok;
    m_file.close();
    return ok && m_file.error() == QFileDevice::NoError;
}

int PdfPages::beginObject()
{
    const int number = int(m_offsets.size());
    m_offsets.append(m_file.pos());
    write(QByteArray::number(number) + " 0 obj\n");
    return number;
}

} // namespace kelvaro
