#include "ui/sheets/ToolSheetHost.h"

#include "ui/sheets/CompressSheet.h"
#include "ui/sheets/CropSheet.h"
#include "ui/sheets/RenameSheet.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/sheets/ShelfSheet.h"
#include "ui/wheel/ClipboardSheet.h"

namespace kelvaro::ToolSheetHost {

QDialog* build(ToolSheet kind, KelvaroStore& store, QWidget* parent)
{
    switch (kind) {
    case ToolSheet::crop: return new CropSheet(store, parent);
    case ToolSheet::resize: return new ResizeSheet(store, parent);
    case ToolSheet::compress: return new CompressSheet(store, parent);
    case ToolSheet::rename: return new RenameSheet(store, parent);
    case ToolSheet::shelf: return new ShelfSheet(store, parent);
    case ToolSheet::clipboard: return new wheel::ClipboardSheet(store, parent);
    case ToolSheet::watermark:
    case ToolSheet::adjust:
    case ToolSheet::presets:
    case ToolSheet::platformCrop:
        break;
    }
    return nullptr;
}

} // namespace kelvaro::ToolSheetHost
