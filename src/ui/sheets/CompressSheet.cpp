#include "ui/sheets/CompressSheet.h"

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/LabeledSlider.h"

namespace kelvaro {

CompressSheet::CompressSheet(KelvaroStore& store, QWidget* parent)
    : OperationSheet(store, LKey("Komprese"), QStringLiteral("arrow.down.right.and.arrow.up.left"),
                     LKey("Zmenšit"), parent)
{
    m_quality = new LabeledSlider(LKey("Kvalita"), {20, 5, 95, 1}, this);
    m_quality->setUnits(m_percent);
    m_quality->setReadout([](int percent) { return Lf("%lld %%", percent); });
    addContent(m_quality);
    connect(m_quality, &LabeledSlider::unitsChanged, this, [this](int percent) { m_percent = percent; });

    addCaption(L("Výsledek se uloží jako JPG. Nižší kvalita znamená menší soubor."), TextStyle::callout);
    // The resize step's "Zmenšit" reads otherwise in English.
    actionButton()->setText(L("Zmenšit", "compress button"));
}

} // namespace kelvaro
