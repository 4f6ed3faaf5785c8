#include "HostileFiles.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QtEndian>

#include "../support/TestImages.h"
#include "../support/TestSupport.h"
#include "platform/NativePath.h"

namespace kelvaro::reliability {
namespace {

using namespace kelvaro::testimages;

Bitmap detailed()
{
    // Quadrants plus noise-like detail, so a cut lands in the middle of the pixel data.
    return quadrants(96, 64);
}

QString truncated(const QString& path)
{
    truncateFile(path, 0.55);
    return path;
}

QString hugeJpeg(const QString& dir)
{
    const QString path = writeJpeg(dir, QStringLiteral("huge.jpg"), detailed());
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    QByteArray bytes = file.readAll();
    // The frame header (SOF0 or SOF2): FF C0/C2, length, precision, height, width.
    for (qsizetype i = 0; i + 9 < bytes.size(); ++i) {
        if (quint8(bytes[i]) == 0xFF && (quint8(bytes[i + 1]) == 0xC0 || quint8(bytes[i + 1]) == 0xC2)) {
            qToBigEndian(quint16(40000), bytes.data() + i + 5);
            qToBigEndian(quint16(40000), bytes.data() + i + 7);
            break;
        }
    }
    file.seek(0);
    file.write(bytes);
    return path;
}

QString pdfWithoutPages(const QString& dir)
{
    const QString path = dir + QStringLiteral("/empty-document.pdf");
    test::writeFile(path, "%PDF-1.4\n"
                          "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                          "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
                          "trailer << /Root 1 0 R >>\n%%EOF\n");
    return path;
}

QString pdfWithAbsurdPage(const QString& dir)
{
    // A media box far beyond any pixel count (and beyond a 64-bit integer).
    const QByteArray side(90, '9');
    const QString path = dir + QStringLiteral("/absurd-page.pdf");
    test::writeFile(path, "%PDF-1.4\n"
                          "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                          "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
                          "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 " + side + " " + side + "] >> endobj\n"
                          "trailer << /Root 1 0 R >>\n%%EOF\n");
    return path;
}

QString rawName(const QString& dir, const QByteArray& name)
{
    // Written with the bytes as given; the engine gets the path as the desktop would hand it.
    const QByteArray source = QFile::encodeName(goodPhoto(dir, QStringLiteral("source-for-raw-name.jpg")));
    const QByteArray target = QFile::encodeName(dir) + '/' + name;
    ::rename(source.constData(), target.constData());
    return NativePath::decoded(target);
}

// `frames` images of 64 × 48 under one name, as the saver of `path`'s own format stores pages.
QString pages(const QString& path, int frames, bool gif)
{
    vips::VImage strip = quadrants(64, 48 * frames).copy();
    strip.set("page-height", 48);
    const QByteArray native = QFile::encodeName(path);
    if (gif)
        strip.gifsave(native.constData());
    else
        strip.tiffsave(native.constData());
    return path;
}

} // namespace

QString goodPhoto(const QString& dir, const QString& name)
{
    return writeJpeg(dir, name, quadrants(48, 32));
}

void truncateFile(const QString& path, double fraction)
{
    QFile file(path);
    const qint64 size = file.size();
    file.resize(qint64(double(size) * fraction));
}

const QList<HostileFile>& hostileFiles()
{
    static const QList<HostileFile> files{
        {"TruncatedJpeg", [](const QString& d) { return truncated(writeJpeg(d, "cut.jpg", detailed())); }, false},
        {"TruncatedPng", [](const QString& d) { return truncated(writePng(d, "cut.png", detailed())); }, false},
        {"TruncatedHeic", [](const QString& d) { return truncated(writeHeic(d, "cut.heic", detailed())); }, false},
        {"TruncatedTiff", [](const QString& d) { return truncated(writeTiff(d, "cut.tiff", detailed())); }, false},
        {"TruncatedGif", [](const QString& d) { return truncated(writeGif(d, "cut.gif", detailed())); }, false},
        {"TruncatedWebp", [](const QString& d) { return truncated(writeWebp(d, "cut.webp", detailed())); }, false},
        {"TruncatedBmp", [](const QString& d) { return truncated(writeBmp(d, "cut.bmp", detailed())); }, false},
        {"TruncatedPdf", [](const QString& d) { return truncated(writePdf(d, "cut.pdf", QSizeF(200, 100))); }, false},
        {"PngClaiming40000Square", [](const QString& d) { return writeLyingPng(d, "huge.png", QSize(40000, 40000)); }, false},
        {"JpegClaiming40000Square", hugeJpeg, false},
        {"ProgressiveJpeg",
         [](const QString& d) {
             const QString path = d + QStringLiteral("/progressive.jpg");
             detailed().write_to_file(QFile::encodeName(path).constData(), vips::VImage::option()->set("interlace", true));
             return path;
         },
         true},
        {"CmykJpeg", [](const QString& d) { return writeCmykJpeg(d, "cmyk.jpg", detailed()); }, true},
        {"Png16Bit", [](const QString& d) { return writePng16(d, "deep.png", detailed()); }, true},
        {"PdfWithoutPages", pdfWithoutPages, false},
        {"PdfWithAbsurdPageSize", pdfWithAbsurdPage, false},
        {"ZeroBytes",
         [](const QString& d) {
             test::writeFile(d + QStringLiteral("/empty.jpg"), {});
             return d + QStringLiteral("/empty.jpg");
         },
         false},
        {"FolderNamedLikePhoto",
         [](const QString& d) {
             QDir(d).mkpath(QStringLiteral("folder.jpg"));
             return d + QStringLiteral("/folder.jpg");
         },
         false},
        {"FifoNamedLikePhoto",
         [](const QString& d) {
             // Opened for reading, it would wait for a writer that never comes.
             const QString path = d + QStringLiteral("/fifo.jpg");
             ::mkfifo(QFile::encodeName(path).constData(), 0644);
             return path;
         },
         false},
        {"TextNamedLikePhoto",
         [](const QString& d) {
             test::writeFile(d + QStringLiteral("/notes.jpg"), "not a photo at all\n");
             return d + QStringLiteral("/notes.jpg");
         },
         false},
        {"PdfNamedJpeg", [](const QString& d) { return writePdf(d, "document.jpg", QSizeF(200, 100)); }, true, QSize(400, 200)},
        {"JpegNamedPng", [](const QString& d) { return writeJpeg(d, "photo.png", detailed()); }, true},
        {"HeicNamedJpeg", [](const QString& d) { return writeHeic(d, "phone.jpg", detailed()); }, true},
        {"OnePixelWideAndVeryTall", [](const QString& d) { return writePng(d, "tall.png", quadrants(1, 100000)); }, true},
        {"TallerThanHeicTakes", [](const QString& d) { return writePng(d, "strip.png", quadrants(64, 48000)); }, true},
        {"TiffOf1000Pages", [](const QString& d) { return pages(d + QStringLiteral("/pages.tiff"), 1000, false); }, true},
        {"GifOf1000Frames", [](const QString& d) { return pages(d + QStringLiteral("/frames.gif"), 1000, true); }, true},
        {"SymbolicLinkLoop",
         [](const QString& d) {
             QFile::link(d + QStringLiteral("/loop-b.jpg"), d + QStringLiteral("/loop-a.jpg"));
             QFile::link(d + QStringLiteral("/loop-a.jpg"), d + QStringLiteral("/loop-b.jpg"));
             return d + QStringLiteral("/loop-a.jpg");
         },
         false},
        {"NameWithLineBreak", [](const QString& d) { return rawName(d, "line\nbreak.jpg"); }, true},
        {"NameWithInvalidUtf8", [](const QString& d) { return rawName(d, "bad-\xff\xfe-bytes.jpg"); }, true},
    };
    return files;
}

} // namespace kelvaro::reliability
