#pragma once
// The "Ořez" sheet: every loaded photo cut to one aspect ratio, with the window placed along the
// spare width and height by two sliders (0 the left or top edge, 1 the right or bottom, 0.5
// centred). The first loaded photo is previewed with the window over it, redrawn as the controls
// move; it is decoded once per opening. Starts square and centred each time it opens. Built by
// the tool-sheet host; main thread.
#include "ui/sheets/OperationSheet.h"

namespace kelvaro {

class CropPreview;
class LabeledSlider;
class SegmentedPicker;

class CropSheet : public OperationSheet {
    Q_OBJECT
public:
    // Slider positions per unit of offset: fine enough to look continuous, exact at 0, 0.5, 1.
    static constexpr int offsetSteps = 1000;

    explicit CropSheet(KelvaroStore& store, QWidget* parent = nullptr);

    KelvaroOp currentOp() const override { return KelvaroOp::crop(m_spec); }

    // Null when no file is loaded.
    CropPreview* preview() const { return m_preview; }
    SegmentedPicker* ratioPicker() const { return m_ratio; }
    LabeledSlider* horizontalSlider() const { return m_x; }
    LabeledSlider* verticalSlider() const { return m_y; }

private:
    void changed();

    CropSpec m_spec;
    CropPreview* m_preview = nullptr;
    SegmentedPicker* m_ratio = nullptr;
    LabeledSlider* m_x = nullptr;
    LabeledSlider* m_y = nullptr;
};

} // namespace kelvaro
