#pragma once
// What the screenshot studio shows instead of the user's own data: eight landscape photos drawn
// by the program (fixed palettes and seeds, the same on every machine), a before/after pair for
// the comparison, fourteen history entries, four shelves and four watched folders. The files live
// in "_ScreenshotDemo" of the legacy shelves folder, so the demo shelf items' tokens resolve to
// them; they are written when missing and never deleted. The records are new values on every call
// (fresh ids, dates relative to now) with their texts in the language in force. Main thread.
#include <optional>

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include "engine/Models.h"
#include "watch/WatchModels.h"

namespace kelvaro::DemoContent {

struct ComparePair {
    QString before; // a lossless PNG of the first photo
    QString after;  // the same picture as a strongly compressed JPEG
};

// The demo folder, created on the way; none without a data folder. Touches disk.
std::optional<QString> root();
// The photos' file names, in their fixed order ("Vik_221.jpg" first).
QStringList photoNames();
// Photo `index` (0–7) drawn at 1800×1200 with `seed`; pure.
QImage render(int index, double seed);

// The photos that exist, in order, each drawn and written first when missing (JPEG, quality 90).
// An existing file is never rewritten. Touches disk.
QStringList ensurePhotos();
// The comparison files; both are written again when either is missing. The "after" name carries
// the word "komprese" in the current language. None when they cannot be had. Touches disk.
std::optional<ComparePair> comparePair();

// Fourteen history entries cycling through `photos`; none without photos.
QList<ActivityItem> activities(const QStringList& photos);
// Four shelves whose items are the existing photos of fixed ranges. Reads file sizes.
QList<Shelf> shelves(const QStringList& photos);
// Four enabled rules with the ready-made recipes' actions; their folders are display texts only.
QList<WatchRule> watchRules();

} // namespace kelvaro::DemoContent
