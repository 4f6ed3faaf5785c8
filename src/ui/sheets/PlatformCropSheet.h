#pragma once
// The sheet of a platform preset of exact size: the user drags a crop window of the preset's
// aspect ratio over the first loaded photo, and the same position (two fractions of the free
// space, 0.5 centred) is written into a copy of the store's pending preset and run for every
// loaded photo. The pending preset stays as it is. Without one the sheet is titled "Předvolba"
// and cannot run. Starts centred each time it opens. Built by the tool-sheet host; main thread.
#include <optional>

#include <QPointer>

#include "model/Operations.h"
#include "store/KelvaroStore.h"
#include "ui/sheets/SheetFrame.h"

namespace kelvaro {

class KelvaroButton;
class PlatformCropPreview;
class Text;

class PlatformCropSheet : public SheetFrame {
    Q_OBJECT
public:
    explicit PlatformCropSheet(KelvaroStore& store, QWidget* parent = nullptr);

    // The preset operation for `pending` with the offsets, every other field kept; none without
    // a pending preset.
    static std::optional<KelvaroOp> operation(const std::optional<PresetSpec>& pending, double offsetX, double offsetY);
    // Width over height of the preset's target size, a missing or non-positive side counted as 1.
    static double targetAspect(const std::optional<PresetSpec>& pending);
    // "Výsledek: 1080×1350 px. …", with the sentence on the shared position from 2 files on.
    static QString hint(const std::optional<PresetSpec>& pending, qsizetype fileCount);

    std::optional<KelvaroOp> currentOp() const;
    double offsetX() const { return m_offsetX; }
    double offsetY() const { return m_offsetY; }

    PlatformCropPreview* preview() const { return m_preview; }
    Text* hintText() const { return m_hint; }
    KelvaroButton* centreButton() const { return m_centre; }

protected:
    std::function<void()> runClosure() const override;

private:
    void setOffsets(double offsetX, double offsetY);

    QPointer<KelvaroStore> m_store;
    double m_offsetX = 0.5;
    double m_offsetY = 0.5;
    PlatformCropPreview* m_preview = nullptr;
    Text* m_hint = nullptr;
    KelvaroButton* m_centre = nullptr;
};

} // namespace kelvaro
