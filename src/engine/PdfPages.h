#pragma once
// A small PDF writer of our own: one image per page, each page box exactly the fraction of
// points asked for (QPdfWriter rounds page sizes to whole points). Pages are written as they
// come; only the object offsets stay in memory. Touches disk; one instance per file, any thread.
#include <QFile>
#include <QList>
#include <QString>

#include "engine/Bitmap.h"

namespace kelvaro {

class PdfPages {
public:
    // Lossy pages are embedded as JPEG at `jpegQuality` (0–1).
    PdfPages(const QString& path, double jpegQuality) : m_path(path), m_jpegQuality(jpegQuality) {}

    // Creates or empties the file and writes the header. False when it cannot be written.
    bool open();
    // One page of `width` × `height` points filled by the image. Photos from lossy sources are
    // embedded as JPEG, everything else losslessly. False when
    // the file cannot be written; throws vips::VError or std::bad_alloc when the image cannot
    // be encoded.
    bool addPage(const Bitmap& image, double width, double height, bool lossy);
    // Writes the page tree, cross-reference table and trailer and closes the file.
    bool close();

private:
    int beginObject();
    bool write(const QByteArray& bytes) { return m_file.write(bytes) == bytes.size(); }

    QString m_path; // NativePath text
    QFile m_file;
    double m_jpegQuality;
    QList<qint64> m_offsets;
    QList<int> m_pages;
};

} // namespace kelvaro
