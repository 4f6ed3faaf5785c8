// The engine's loading entry over damaged and lying files: the first input byte picks the file's
// extension (JPEG, PNG, HEIC, TIFF, GIF, WebP, BMP, PDF), the rest is its content. A load either
// gives an upright 8-bit RGBA bitmap within the engine's pixel limit or throws the file's
// "unreadable" error; nothing else gets out. A small PDF page is drawn before and after every
// input: no file may leave the libraries' process-wide state unfit for the next one.
#include <QFile>
#include <QList>

#include "FuzzTarget.h"

#include "engine/ImageEngine.h"

namespace {

// A 20 × 10 pt page. Written once; its cross-reference table is exact, so
// poppler has nothing to repair.
QString referencePdf()
{
    static const QString path = [] {
        const QByteArray content = "1 0 0 rg 0 0 10 10 re f\n";
        const QList<QByteArray> objects{
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 20 10] /Contents 4 0 R >>",
            "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "endstream",
        };
        QByteArray pdf = "%PDF-1.4\n";
        QList<qsizetype> offsets;
        for (qsizetype i = 0; i < objects.size(); ++i) {
            offsets.append(pdf.size());
            pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        }
        const qsizetype xref = pdf.size();
        pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
        for (qsizetype offset : offsets)
            pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
            + QByteArray::number(xref) + "\n%%EOF\n";
        const QString file = kelvaro::fuzz::scratchDir() + QStringLiteral("/reference.pdf");
        QFile out(file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(pdf);
        return file;
    }();
    return path;
}

void drawReferencePage()
{
    using namespace kelvaro;
    try {
        const Bitmap page = ImageEngine::renderPDFPage(referencePdf());
        FUZZ_CHECK(page.width() == 40 && page.height() == 20);
    } catch (const KelvaroError&) {
        FUZZ_CHECK(!"the reference page could not be drawn");
    }
}

} // namespace

KELVARO_FUZZ_TARGET(engine_load)
{
    using namespace kelvaro;
    if (size < 1)
        return 0;
    drawReferencePage();
    static const char* const extensions[] = {"jpg", "png", "heic", "tiff", "gif", "webp", "bmp", "pdf"};
    const QString ext = QString::fromLatin1(extensions[data[0] % 8]);
    const QString path = fuzz::scratchDir() + QStringLiteral("/input.") + ext;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data) + 1, qint64(size - 1));
    }
    try {
        const LoadedImage loaded = ImageEngine::load(path);
        const Bitmap& image = loaded.image;
        FUZZ_CHECK(image.bands() == 4);
        FUZZ_CHECK(image.format() == VIPS_FORMAT_UCHAR);
        FUZZ_CHECK(image.width() >= 1 && image.height() >= 1);
        FUZZ_CHECK(qint64(image.width()) * image.height() <= kMaxPixels);
        const int orientation = loaded.properties.value(QStringLiteral("Orientation"), 1).toInt();
        const int storedWidth = loaded.properties.value(QStringLiteral("PixelWidth"), image.width()).toInt();
        // Orientations 5–8 swap the sides.
        FUZZ_CHECK((orientation >= 5 ? image.height() : image.width()) == storedWidth);
    } catch (const KelvaroError& error) {
        FUZZ_CHECK(error.kind() == KelvaroError::Kind::unreadable || error.kind() == KelvaroError::Kind::tooManyPixels);
        FUZZ_CHECK(error.fileName() == QStringLiteral("input.") + ext);
    }
    drawReferencePage();
    return 0;
}
