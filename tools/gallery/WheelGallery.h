#pragma once
// The wheel's pictures for the kelvaro-gallery development tool: the wheel in its three modes
// (and with a lit wedge), the drop card's faces, the status line's states and the compare sheet,
// each with demo content. Main thread, needs a QApplication; writes PNG files only.
#include <QString>
#include <QStringList>

namespace kelvaro::wheel {

// The names of the pictures, in the order they are rendered.
QStringList wheelGalleryScreens();

// Renders the pictures named in `only` (all when empty; unknown names are skipped) in the light
// or dark appearance and in "cs" or "en", as `<name>-<light|dark>-<lang>.png` in `outDir` (made
// when missing). Returns the files written. The interface language setting is restored after.
QStringList renderWheelGallery(const QString& outDir, bool dark, const QString& lang, const QStringList& only = {});

} // namespace kelvaro::wheel
