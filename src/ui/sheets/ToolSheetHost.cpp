#include "ui/sheets/ToolSheetHost.h"

#include "ui/sheets/ResizeSheet.h"
#include "ui/wheel/ClipboardSheet.h"

namespace kelvaro::ToolSheetHost {

QDialog* build(ToolSheet kind, KelvaroStore& store, QWidget* parent)
{
    switch (kind) {
    case ToolSheet::resize: return new ResizeSheet(store, parent);
    case ToolSheet::clipboard: return new wheel::ClipboardSheet(store, parent);
    case ToolSheet::crop:
    case ToolSheet::compress:
    case ToolSheet::watermark:
    case ToolSheet::rename:
    case ToolSheet::shelf:
    case ToolSheet::adjust:
    case ToolSheet::presets:
    case ToolSheet::platformCrop:
        break;
    }
    return nullptr;
}

} // namespace kelvaro::ToolSheetHost
