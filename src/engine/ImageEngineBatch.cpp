// The batch: one entry for every run. Per-file operations go through the loop (progress,
// cancel, failures counted); the scan, PDF and ZIP make one combined output.
#include <new>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "engine/ExtraEffects.h"
#include "engine/FileOperations.h"
#include "engine/ImageEngine.h"
#include "engine/Localization.h"
#include "engine/ScanEffects.h"
#include "engine/ZipWriter.h"

namespace kelvaro {
namespace {

// A file name split as the user sees it: "IMG_1.jpg" → ("IMG_1", "jpg"); a leading dot alone
// (".hidden") or a trailing one is no extension.
std::pair<QString, QString> splitName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == fileName.size() - 1)
        return {fileName, QString()};
    return {fileName.left(dot), fileName.mid(dot + 1)};
}

// Gives back a name that uniqueURL claimed when nothing was written into it.
void releaseIfEmpty(const QString& path)
{
    if (ImageEngine::fileSize(path) == 0)
        QFile::remove(path);
}

ImageEngine::One copyTo(const QString& file, const QString& outDir, const QString& base, const QString& ext)
{
    const QString destination = ImageEngine::uniqueURL(outDir, base, ext);
    try {
        ImageEngine::FileOperations::current().copy(file, destination);
    } catch (...) {
        releaseIfEmpty(destination);
        throw;
    }
    return {destination, 0, std::nullopt};
}

ImageEngine::One recognise(const QString& file, const QString& outDir, const QString& base)
{
    const LoadedImage loaded = ImageEngine::load(file);
    QString text = ImageEffects::recognizeText(loaded.image);
    const QStringList codes = ImageEffects::detectCodes(loaded.image);
    if (!codes.isEmpty()) {
        QStringList lines;
        for (const QString& code : codes)
            lines.append(Lf("Kód: %@", code));
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += lines.join(QLatin1Char('\n'));
    }
    const QString destination = ImageEngine::uniqueURL(outDir, base, QStringLiteral("txt"));
    QSaveFile out(destination);
    const QByteArray bytes = text.toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        releaseIfEmpty(destination);
        throw KelvaroError::writeFailed(QFileInfo(destination).fileName());
    }
    return {destination, 0, text.isEmpty() ? std::nullopt : std::optional<QString>(text)};
}

ImageEngine::One processOne(const KelvaroOp& op, const QString& file, const QString& outDir, int index)
{
    const QString name = QFileInfo(file).fileName();
    const auto [base, ext] = splitName(name);
    const qint64 size = ImageEngine::fileSize(file);
    try {
        if (op.is<op::Move>()) {
            ImageEngine::One one = copyTo(file, outDir, base, ext);
            // A source that cannot be removed stays; the batch counts it as kept.
            ImageEngine::FileOperations::current().remove(file);
            return one;
        }
        if (const op::Rename* rename = op.as<op::Rename>()) {
            QString newBase = rename->spec.name.isEmpty() ? base : rename->spec.name;
            if (rename->spec.numbered)
                newBase += QLatin1Char('_') + QString::asprintf("%03lld", qint64(rename->spec.start) + index);
            return copyTo(file, outDir, newBase, ext);
        }
        if (op.is<op::Ocr>())
            return recognise(file, outDir, base);
        return ImageEngine::renderImage(op, file, base, name, size, outDir);
    } catch (const std::bad_alloc&) {
        // Out of memory for this photo only; the next one may fit.
        throw KelvaroError::writeFailed(name);
    }
}

QString messageOf(const std::exception& error, const QString& fileName)
{
    if (const auto* kelvaro = dynamic_cast<const KelvaroError*>(&error))
        return kelvaro->message();
    if (const auto* file = dynamic_cast<const ImageEngine::FileError*>(&error))
        return file->message();
    if (const auto* run = dynamic_cast<const RunError*>(&error))
        return run->message();
    // A detector's or library's own failure: the photo could not be produced.
    return KelvaroError::writeFailed(fileName).message();
}

OpResult combined(const QStringList& files, const QString& outDir, ImageFormat format)
{
    QString name;
    if (files.size() == 1)
        name = splitName(QFileInfo(files.first()).fileName()).first;
    else if (format == ImageFormat::pdf)
        name = Lf("Spojené fotografie (%lld)", qint64(files.size()));
    else
        name = Lf("Kelvaro (%lld souborů)", qint64(files.size()));
    const QString out = ImageEngine::uniqueURL(outDir, name, ImageEngine::fileExtension(format));
    try {
        if (format == ImageFormat::pdf)
            ImageEngine::writePDF(files, out);
        else
            ZipWriter::write(files, out);
    } catch (...) {
        releaseIfEmpty(out); // the name was claimed but nothing was written
        throw;
    }
    OpResult result;
    result.outputs.append(out);
    result.entries.append(OpEntry{QFileInfo(out).fileName(), 0, out});
    return result;
}

} // namespace

OpResult ImageEngine::process(const KelvaroOp& op, const QStringList& files, const QString& outDir,
                              const RunHooksPtr& hooks)
{
    initVips();
    if (op.is<op::Scan>())
        return scanToPDF(files, outDir, hooks);
    if (const op::Convert* convert = op.as<op::Convert>()) {
        if (convert->format == ImageFormat::zip || convert->format == ImageFormat::pdf)
            return combined(files, outDir, convert->format);
    }

    OpResult result;
    const int total = int(files.size());
    for (int index = 0; index < total; ++index) {
        if (hooks && hooks->isCancelled())
            break;
        const QString& file = files[index];
        const QString fileName = QFileInfo(file).fileName();
        try {
            const One one = processOne(op, file, outDir, index);
            result.outputs.append(one.url);
            if (op.is<op::Move>()) {
                result.moves.append(FileMove{file, one.url});
                if (QFileInfo::exists(file))
                    ++result.keptOriginals;
            }
            result.entries.append(OpEntry{fileName, one.savedBytes, one.url});
            if (one.text)
                result.text = result.text ? *result.text + QStringLiteral("\n\n") + *one.text : *one.text;
        } catch (const std::exception& error) {
            ++result.failed;
            if (!result.firstError)
                result.firstError = messageOf(error, fileName);
        } catch (...) {
            ++result.failed;
            if (!result.firstError)
                result.firstError = KelvaroError::writeFailed(fileName).message();
        }
        if (hooks)
            hooks->reportProgress(index + 1, total);
    }
    if (result.outputs.isEmpty() && result.firstError)
        throw RunError(*result.firstError);
    return result;
}

} // namespace kelvaro
