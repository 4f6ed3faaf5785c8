#pragma once
// PDFs of a few bytes or megabytes that claim gigabytes once read: what a reader allocates for
// what the file says (cross references, a string, an array), written in the test. Each is a
// one-page document whose first page would be a plain 200 × 100 point page.
#include <QString>

namespace kelvaro::testimages {

// A cross-reference subsection "0 33000000" in a file of a few hundred bytes.
QString writeHugeXrefSubsection(const QString& dir, const QString& name);
// A trailer whose /Size is 33,000,000.
QString writeHugeTrailerSize(const QString& dir, const QString& name);
// No cross references at all, and the page numbered 33,000,000: found by reconstruction.
QString writeHugeObjectNumber(const QString& dir, const QString& name);
// The page dictionary inside a compressed object stream, holding a string of `bytes` bytes: the
// file holds about one byte for every 160.
QString writeHugeStringInObjectStream(const QString& dir, const QString& name, qint64 bytes);
// The page dictionary inside a compressed object stream, holding an array of `count` numbers.
QString writeHugeArrayInObjectStream(const QString& dir, const QString& name, qint64 count);

} // namespace kelvaro::testimages
