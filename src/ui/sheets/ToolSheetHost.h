#pragma once
// The one place that maps a ToolSheet to its sheet in this folder; the presets sheet belongs to
// the presets screen and is installed beside the host. Each call builds the sheet afresh, so
// every opening starts from the sheet's defaults; what a sheet needs beyond them it reads itself
// (the store's files and shelves, the settings). The main window shows the result window-modal and
// clears the store's activeSheet when it closes. Main thread; installed by the screen installer.
#include "model/Operations.h"

class QDialog;
class QWidget;

namespace kelvaro {

class KelvaroStore;

namespace ToolSheetHost {

// A new sheet of `kind`, or null for the presets sheet and a kind whose sheet is not built yet
// (the window's stand-in shows then).
QDialog* build(ToolSheet kind, KelvaroStore& store, QWidget* parent);

} // namespace ToolSheetHost
} // namespace kelvaro
