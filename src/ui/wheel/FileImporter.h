#pragma once
// The main window's one file importer, behind an interface so tests can answer it: asks the
// user for photos, PDFs and folders (several at once) and reports the chosen files as local
// URLs, or an empty list when the user cancels. The desktop one is a window-modal QFileDialog
// (Qt's own dialog, which can take files and folders in one selection). Main thread.
#include <functional>
#include <memory>

#include <QList>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace kelvaro::wheel {

class FileImporter {
public:
    virtual ~FileImporter() = default;
    // Opens the importer over `parent` and calls `done` once when it closes.
    virtual void choose(QWidget* parent, std::function<void(const QList<QUrl>&)> done) = 0;
    // The QFileDialog importer.
    static std::shared_ptr<FileImporter> desktop();
};

// The name filters of the importer: images (jpg, jpeg, png, heic, heif, tif, tiff, gif, bmp,
// webp), PDF documents, all files.
QStringList importerNameFilters();

} // namespace kelvaro::wheel
