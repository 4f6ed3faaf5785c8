#include "ui/sheets/ToolSheetHost.h"

#include "ui/sheets/AdjustSheet.h"
#include "ui/sheets/ClipboardSheet.h"
#include "ui/sheets/CompressSheet.h"
#include "ui/sheets/CropSheet.h"
#include "ui/sheets/PlatformCropSheet.h"
#include "ui/sheets/RenameSheet.h"
#include "ui/sheets/ResizeSheet.h"
#include "ui/sheets/ShelfSheet.h"
#include "ui/sheets/WatermarkSheet.h"

namespace kelvaro::ToolSheetHost {

QDialog* build(ToolSheet kind, KelvaroStore& store, QWidget* parent)
{
    switch (kind) {
    case ToolSheet::crop: return new CropSheet(store, parent);
    case ToolSheet::resize: return new ResizeSheet(store, parent);
    case ToolSheet::compress: return new CompressSheet(store, parent);
    case ToolSheet::rename: return new RenameSheet(store, parent);
    case ToolSheet::shelf: return new ShelfSheet(store, parent);
    case ToolSheet::clipboard: return new ClipboardSheet(store, parent);
    case ToolSheet::watermark: return new WatermarkSheet(store, parent);
    case ToolSheet::adjust: return new AdjustSheet(store, parent);
    case ToolSheet::platformCrop: return new PlatformCropSheet(store, parent);
    case ToolSheet::presets: break; // the presets screen's own, installed beside the host
    }
    return nullptr;
}

} // namespace kelvaro::ToolSheetHost
