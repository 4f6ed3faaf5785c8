#pragma once
// Writes a ZIP archive with entries stored uncompressed (photos do not compress), UTF-8 names.
// Touches disk; any thread.
#include <QString>
#include <QStringList>

namespace kelvaro::ZipWriter {

// Packs `files` (by their file names; duplicates get " 2", …) into `target`.
// Throws KelvaroError: unreadable(<file name>), writeFailed(<archive name>), tooLarge.
void write(const QStringList& files, const QString& target);

} // namespace kelvaro::ZipWriter
