// The engine's loading entry over damaged and lying files: the first input byte picks the file's
// extension (JPEG, PNG, HEIC, TIFF, GIF, WebP, BMP, PDF), the rest is its content. A load either
// gives an upright 8-bit RGBA bitmap within the engine's pixel limit or throws the file's
// "unreadable" error; nothing else gets out.
#include <QFile>

#include "FuzzTarget.h"

#include "engine/ImageEngine.h"

KELVARO_FUZZ_TARGET(engine_load)
{
    using namespace kelvaro;
    if (size < 1)
        return 0;
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
    return 0;
}
