#pragma once
// Turns a batch of files into new files: loads each upright, applies one operation, names the
// result without overwriting anything and writes it. Stateless; called from background tasks
// (store runs, watched folders). Every function here touches disk.
#include <optional>

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "engine/Bitmap.h"
#include "engine/Operations.h"
#include "engine/RunHooks.h"

namespace kelvaro {

// A decoded source: the bitmap, upright (orientation applied), and its metadata.
struct LoadedImage {
    Bitmap image;
    QVariantMap properties; // source metadata (format specific keys; see ImageEngine.cpp)
    QByteArray exif;        // raw EXIF block of the source, empty when none
    QByteArray xmp;
    QByteArray iptc;
};

namespace ImageEngine {

// What one file of a batch produced.
struct One {
    QString url;               // the written file (absolute path)
    qint64 savedBytes = 0;
    std::optional<QString> text;
};

// The one entry of every run. Throws KelvaroError when a combined output fails, or when no file
// came out and at least one failed. `outDir` must exist.
OpResult process(const KelvaroOp& op, const QStringList& files, const QString& outDir, const RunHooksPtr& hooks = {});

// Decodes a file upright as 8-bit sRGB RGBA. Throws KelvaroError::unreadable(file name).
// `maxSide` > 0 allows decoding at a reduced size when the caller only needs that much.
LoadedImage load(const QString& file, int maxSide = 0);

// A path in `folder` for `base`.`ext` that does not exist yet (" 2", " 3", … before the
// extension); `ext` may be empty.
QString uniqueURL(const QString& folder, const QString& base, const QString& ext);

// Size in bytes; 0 when it cannot be read.
qint64 fileSize(const QString& file);

// Whether results get a descriptive suffix ("kelvaro.describeNames", default true).
bool describesNames();

// One page per image, each page the image's size in points (see the implementation).
void writePDF(const QStringList& files, const QString& target);

// First page of a PDF at 2 px per point on white. Throws KelvaroError::unreadable(file name).
Bitmap renderPDFPage(const QString& file);

} // namespace ImageEngine
} // namespace kelvaro
