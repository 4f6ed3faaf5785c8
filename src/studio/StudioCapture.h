#pragma once
// Captures the application's main window for the screenshot studio: the window's own rendering
// (QWidget::grab) at its screen's device-pixel ratio, with every window-modal dialog open over it
// drawn in at its place on screen with a soft shadow, as a person sees it. Drawing the window
// itself needs no permission, so there is no second way to fall back on. Main thread (it renders
// widgets); no state.
#include <QImage>
#include <QString>

class QWidget;

namespace kelvaro::StudioCapture {

struct Shot {
    QImage image;    // device pixels, devicePixelRatio 1; null when the capture failed
    QString failure; // a Czech message when it failed, shown as it stands
};

// The studio's main window (object name "main") with its sheets; fails with "Hlavní okno se
// nepodařilo najít." when there is none or it is not shown.
Shot captureMainWindow();
// `window` with its window-modal dialogs composited; null when it cannot be rendered.
QImage capture(QWidget* window);

} // namespace kelvaro::StudioCapture
