#pragma once
// Turns a capture of the main window (which may carry transparent margins and transparent
// rounded corners) into a store screenshot of an exact pixel size and writes it as a JPEG. The
// framed finish stands the capture, rounded and with a soft shadow, on the orange gradient under
// a two-line white caption; the flattened finish fills the exact size with the capture. Every
// result is opaque. Stateless functions; any thread (they draw only into their own images).
#include <array>
#include <optional>

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include "studio/StudioScene.h"

namespace kelvaro::ScreenshotFinisher {

struct Caption {
    QString headline;
    QString subline;
};

// Trims, frames (with a caption) or flattens (without) to the studio size, once or twice over,
// and writes a JPEG at quality 95 through a temporary file. The size doubles when the trimmed
// capture is wider than 1.3 × the nominal width (1872 px large, 1664 px small). True when the file
// was written. Touches disk.
bool exportImage(const QImage& capture, StudioSize size, const std::optional<Caption>& caption, const QString& path);

// The capture without its transparent margins, as far as the centre row and column are
// transparent there (alpha 250 or less); unchanged when nothing sensible is left. Pure.
QImage trimmed(const QImage& capture);
// The capture on the gradient under the caption, at `target` pixels; null when no canvas could
// be made. Pure.
QImage framed(const QImage& capture, const Caption& caption, QSize target);
// The capture scaled to fill `target` pixels, centred, its transparent parts showing the colour
// found near each corner; null when no canvas could be made. Pure.
QImage flattened(const QImage& capture, QSize target);
// The colours near the corners (top left, top right, bottom left, bottom right), opaque, the
// premultiplication undone; inset 1/60 of the width above 1439 px, else 24 px. Pure.
std::array<QColor, 4> cornerColors(const QImage& capture);

// A JPEG at quality 95 (1–100), written through a temporary file and renamed into place.
bool write(const QImage& image, const QString& path);
// The same for any format Qt writes; `quality` 1–100 (-1: the format's default).
bool saveAtomically(const QImage& image, const QString& path, const char* format, int quality);

} // namespace kelvaro::ScreenshotFinisher
