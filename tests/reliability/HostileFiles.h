#pragma once
// The hostile and broken files of the reliability tests, made on the spot: truncated files of
// every format the engine reads, files that claim 40000 × 40000 pixels, odd but valid encodings,
// a PDF without pages, an empty file, a folder, a fifo and a link loop named like photos, files
// named as another format, a photo 100000 pixels tall, a TIFF of 1000 pages and a GIF of 1000
// frames, names with a line break and with bytes that are no UTF-8.
#include <functional>

#include <QList>
#include <QSize>
#include <QString>

namespace kelvaro::reliability {

struct HostileFile {
    const char* name;                          // the case's name (test name)
    std::function<QString(const QString& dir)> make; // creates the file in dir, returns its path
    bool decodes;                              // whether a sound engine turns it into a result
    QSize size = {};                           // a result's pixel size when not the source's own
};

const QList<HostileFile>& hostileFiles();

// A small valid photo (JPEG) in `dir`.
QString goodPhoto(const QString& dir, const QString& name);

// Cuts a file to `fraction` of its size.
void truncateFile(const QString& path, double fraction);

} // namespace kelvaro::reliability
