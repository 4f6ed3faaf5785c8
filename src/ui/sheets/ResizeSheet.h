#pragma once
// The "Velikost" sheet: every loaded photo scaled by a percentage (10–100 in steps of 5) or so
// that its longer side gets one of four lengths, the aspect ratio kept. Both values are carried
// in the operation; the mode says which one the engine applies, and the hidden mode's value
// stays as it was. Starts at 50 % and 1920 px each time it opens. Built by the tool-sheet host;
// main thread.
#include "ui/sheets/OperationSheet.h"

namespace kelvaro {

class ChoiceButton;
class LabeledSlider;
class SegmentedPicker;
class Text;

class ResizeSheet : public OperationSheet {
    Q_OBJECT
public:
    // The long edges on offer, in pixels, in the order of their buttons.
    static const QList<int>& longEdges();

    explicit ResizeSheet(KelvaroStore& store, QWidget* parent = nullptr);

    KelvaroOp currentOp() const override { return KelvaroOp::resize(m_spec); }

    SegmentedPicker* modePicker() const { return m_mode; }
    LabeledSlider* percentSlider() const { return m_percent; }
    const QList<ChoiceButton*>& longEdgeButtons() const { return m_edgeButtons; }
    Text* longEdgeCaption() const { return m_caption; }

private:
    void refresh();

    ResizeSpec m_spec;
    SegmentedPicker* m_mode = nullptr;
    LabeledSlider* m_percent = nullptr;
    QWidget* m_edgeRow = nullptr;
    QList<ChoiceButton*> m_edgeButtons;
    Text* m_caption = nullptr;
};

} // namespace kelvaro
