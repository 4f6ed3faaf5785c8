#pragma once
// The "Úpravy" sheet: quarter turns, mirroring left-right and upside down, brightness, contrast
// and black and white for every loaded photo. The first loaded photo is previewed live through
// the engine's own adjust rendering, so the preview is what the run writes. The action stays off
// while the settings are neutral; any other combination runs, also one that looks neutral (two
// turns and both mirrors). Starts neutral each time it opens. Built by the tool-sheet host; main
// thread.
#include "ui/sheets/OperationSheet.h"

class QCheckBox;
class QVBoxLayout;

namespace kelvaro {

class ChoiceButton;
class LabeledSlider;
class LinkButton;
class Readout;
class LivePreview;
class Text;

class AdjustSheet : public OperationSheet {
    Q_OBJECT
public:
    // Slider positions per unit of brightness and contrast (thousandths): 5 positions per step
    // of the readout, exact at the neutral values and the ends.
    static constexpr int steps = 1000;

    explicit AdjustSheet(KelvaroStore& store, QWidget* parent = nullptr);

    KelvaroOp currentOp() const override { return KelvaroOp::adjust(m_spec); }
    // No turn (mod 4), no mirror, brightness exactly 0, contrast exactly 1, colour.
    static bool isUnchanged(const AdjustSpec& spec);
    // The readouts of the two sliders, from their positions in thousandths: −100 … +100, with
    // 0 for the neutral value, truncated toward zero; "+" in front of 1 and more.
    static QString brightnessReadout(int thousandths);
    static QString contrastReadout(int thousandths);

    LivePreview* preview() const { return m_preview; }
    ChoiceButton* rotateLeftButton() const { return m_left; }
    ChoiceButton* rotateRightButton() const { return m_right; }
    ChoiceButton* mirrorButton() const { return m_mirror; }
    ChoiceButton* flipButton() const { return m_flip; }
    Text* angleCaption() const { return m_angle; }
    LabeledSlider* brightnessSlider() const { return m_brightness; }
    LabeledSlider* contrastSlider() const { return m_contrast; }
    Readout* brightnessText() const { return m_brightnessReadout; }
    Readout* contrastText() const { return m_contrastReadout; }
    QCheckBox* monoToggle() const { return m_mono; }
    LinkButton* resetButton() const { return m_reset; }

private:
    // A titled slider block: the title and readout on one row, the slider under it.
    // A slider of thousandths from `first` to `last`, its readout 0 at `zero`.
    LabeledSlider* addSliderBlock(QVBoxLayout* column, const QString& title, int first, int last, int zero, Readout** readout);
    void refresh();

    AdjustSpec m_spec;
    LivePreview* m_preview = nullptr;
    ChoiceButton* m_left = nullptr;
    ChoiceButton* m_right = nullptr;
    ChoiceButton* m_mirror = nullptr;
    ChoiceButton* m_flip = nullptr;
    Text* m_angle = nullptr;
    LabeledSlider* m_brightness = nullptr;
    LabeledSlider* m_contrast = nullptr;
    Readout* m_brightnessReadout = nullptr;
    Readout* m_contrastReadout = nullptr;
    QCheckBox* m_mono = nullptr;
    LinkButton* m_reset = nullptr;
};

} // namespace kelvaro
