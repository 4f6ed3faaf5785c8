#include "ui/sheets/CropSheet.h"

#include <cmath>

#include <QHBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/CropPreview.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/SegmentedPicker.h"

namespace kelvaro {
namespace {
constexpr int kSliderTitleWidth = 86;
} // namespace

CropSheet::CropSheet(KelvaroStore& store, QWidget* parent)
    : OperationSheet(store, LKey("Ořez"), QStringLiteral("crop"), LKey("Oříznout"), parent)
{
    if (!store.droppedFiles().isEmpty()) {
        m_preview = new CropPreview(store.droppedFiles().first(), sheetWidth - 2 * sheetPadding, this);
        m_preview->setSpec(m_spec);
        addContent(m_preview);
    }

    QList<SegmentedPicker::Segment> segments;
    for (CropRatio ratio : allCropRatios())
        segments.append({rawValue(ratio), label(ratio)});
    auto* ratioRow = new QHBoxLayout();
    ratioRow->setSpacing(10);
    auto* ratioTitle = new Text(L("Poměr stran"), TextStyle::callout, this);
    ratioRow->addWidget(ratioTitle);
    m_ratio = new SegmentedPicker(segments, ratioTitle->text(), this);
    ratioRow->addWidget(m_ratio, 1);
    addContent(ratioRow);
    connect(m_ratio, &SegmentedPicker::tagClicked, this, [this](const QString& tag) {
        m_spec.ratio = cropRatioFromRaw(tag).value_or(m_spec.ratio);
        changed();
    });

    const LabeledSlider::Steps offsets{0, 1, offsetSteps, offsetSteps, offsetSteps / 100}; // an arrow: a percent
    m_x = new LabeledSlider(LKey("Vodorovně"), offsets, this);
    m_y = new LabeledSlider(LKey("Svisle"), offsets, this);
    for (LabeledSlider* slider : {m_x, m_y}) {
        slider->setTitleWidth(kSliderTitleWidth);
        addContent(slider);
    }
    m_x->setUnits(int(std::lround(m_spec.offsetX * offsetSteps)));
    m_y->setUnits(int(std::lround(m_spec.offsetY * offsetSteps)));
    connect(m_x, &LabeledSlider::unitsChanged, this, [this] {
        m_spec.offsetX = m_x->value();
        changed();
    });
    connect(m_y, &LabeledSlider::unitsChanged, this, [this] {
        m_spec.offsetY = m_y->value();
        changed();
    });

    changed();
    m_ratio->setFocus();
}

void CropSheet::changed()
{
    m_ratio->setSelection(rawValue(m_spec.ratio));
    if (m_preview)
        m_preview->setSpec(m_spec);
}

} // namespace kelvaro
