#include "engine/FileOperations.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include <QFile>
#include <QFileInfo>

#include "engine/Localization.h"

namespace kelvaro::ImageEngine {
namespace {

std::atomic<FileOperations*> injected{nullptr};

std::filesystem::path nativePath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

void FileOperations::copy(const QString& from, const QString& to)
{
    std::error_code error;
    const bool copied = std::filesystem::copy_file(nativePath(from), nativePath(to),
                                                   std::filesystem::copy_options::overwrite_existing, error);
    if (!copied || error)
        throw FileError(Lf("Soubor „%@“ se nepodařilo zkopírovat.", QFileInfo(from).fileName()));
    // A moved photo keeps its date, as a move within one disk would.
    const auto modified = std::filesystem::last_write_time(nativePath(from), error);
    if (!error)
        std::filesystem::last_write_time(nativePath(to), modified, error);
}

bool FileOperations::remove(const QString& path)
{
    return QFile::remove(path);
}

FileOperations& FileOperations::current()
{
    static FileOperations standard;
    FileOperations* operations = injected.load();
    return operations ? *operations : standard;
}

void FileOperations::setCurrent(FileOperations* operations)
{
    injected.store(operations);
}

} // namespace kelvaro::ImageEngine
