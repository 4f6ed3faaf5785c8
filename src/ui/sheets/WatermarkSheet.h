#pragma once
// The "Vodoznak" sheet: a line of text or, instead of it, a logo image drawn on every loaded
// photo at one of five places, with an opacity and a size (a share of the photo's shorter side).
// The first loaded photo is previewed live through the engine's own watermark drawing, so the
// preview is what the run writes. Choosing a logo disables the text field but keeps its text for
// when the logo is removed again. Starts from the defaults each time it opens. Built by the
// tool-sheet host; main thread.
#include "ui/sheets/OperationSheet.h"

class QComboBox;
class QLineEdit;

namespace kelvaro {

class KelvaroButton;
class LabeledSlider;
class LinkButton;
class LivePreview;
class Text;

class WatermarkSheet : public OperationSheet {
    Q_OBJECT
public:
    // Slider positions per unit: opacity in thousandths, size in hundredths of a percent.
    static constexpr int opacitySteps = 1000;
    static constexpr int sizeSteps = 100;

    explicit WatermarkSheet(KelvaroStore& store, QWidget* parent = nullptr);

    KelvaroOp currentOp() const override { return KelvaroOp::watermark(m_spec); }
    // A logo, or a text with something besides spaces and tabs at its ends (line breaks count).
    static bool isRunnable(const WatermarkSpec& spec);

    LivePreview* preview() const { return m_preview; }
    QLineEdit* textField() const { return m_text; }
    KelvaroButton* logoButton() const { return m_logoButton; }
    Text* logoName() const { return m_logoName; }
    LinkButton* removeLogoButton() const { return m_removeLogo; }
    QComboBox* positionPicker() const { return m_position; }
    LabeledSlider* opacitySlider() const { return m_opacity; }
    LabeledSlider* sizeSlider() const { return m_size; }

private:
    void chooseLogo();
    void refresh();

    WatermarkSpec m_spec;
    LivePreview* m_preview = nullptr;
    QLineEdit* m_text = nullptr;
    KelvaroButton* m_logoButton = nullptr;
    Text* m_logoName = nullptr;
    LinkButton* m_removeLogo = nullptr;
    QComboBox* m_position = nullptr;
    LabeledSlider* m_opacity = nullptr;
    LabeledSlider* m_size = nullptr;
};

} // namespace kelvaro
