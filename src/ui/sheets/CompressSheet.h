#pragma once
// The "Komprese" sheet: one lossy quality for every loaded photo, from 20 % to 95 % in steps of
// 5; the results are JPEG files. Starts at 70 % each time it opens. Built by the tool-sheet
// host; main thread.
#include "ui/sheets/OperationSheet.h"

namespace kelvaro {

class LabeledSlider;

class CompressSheet : public OperationSheet {
    Q_OBJECT
public:
    explicit CompressSheet(KelvaroStore& store, QWidget* parent = nullptr);

    // The quality 0–1: the whole percent divided by 100, the nearest double at every step.
    KelvaroOp currentOp() const override { return KelvaroOp::compress(m_percent / 100.0); }

    LabeledSlider* qualitySlider() const { return m_quality; }

private:
    int m_percent = 70;
    LabeledSlider* m_quality = nullptr;
};

} // namespace kelvaro
