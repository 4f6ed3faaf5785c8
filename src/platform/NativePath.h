#pragma once
// File names as the file system holds them: bytes, usually UTF-8, but any byte but "/" and NUL
// may stand in a name. Qt turns a byte that is not UTF-8 into U+FFFD, so the text no longer names
// the file, and its folder listings leave such files out. These two keep every byte: a byte
// outside valid UTF-8 becomes one of U+DC80–U+DCFF, lone code units that no decoded text holds
// (the escape other runtimes use for the same purpose). Pure; any thread.
#include <QByteArray>
#include <QString>
#include <QUrl>

namespace kelvaro::NativePath {

// The text of a path or name read from the system (a folder listing, the command line).
QString decoded(const QByteArray& native);

// The bytes a path stands for: the escaped bytes as they were, the rest UTF-8. The same bytes as
// QFile::encodeName for any text without the escape.
QByteArray encoded(const QString& path);

// The path a local file URL names, as `decoded` gives it, from the bytes of its percent-encoding:
// QUrl::toLocalFile turns an escaped byte that is not UTF-8 into U+FFFD. Empty when `url` names no
// local file.
QString localFile(const QUrl& url);

// The local file URL of an absolute `path`, from its bytes: QUrl::fromLocalFile would percent-encode
// an escaped byte as the code unit's UTF-8, naming another file. The same URL as
// QUrl::fromLocalFile for any text without the escape; `localFile` gives `path` back.
QUrl localUrl(const QString& path);

// The text to show or keep for a name or path that `decoded` may have made: each escaped byte
// (and any other lone surrogate) becomes U+FFFD, so the text is valid Unicode. Never for opening
// the file: it no longer names it.
QString displayName(const QString& path);

} // namespace kelvaro::NativePath
