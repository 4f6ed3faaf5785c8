#include "ui/sheets/ResizeSheet.h"

#include <QHBoxLayout>

#include "engine/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/ChoiceButton.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/SegmentedPicker.h"

namespace kelvaro {
namespace {
const QString percentTag = QStringLiteral("percent");
const QString longEdgeTag = QStringLiteral("longEdge");
} // namespace

const QList<int>& ResizeSheet::longEdges()
{
    static const QList<int> edges{1080, 1920, 2560, 4096};
    return edges;
}

ResizeSheet::ResizeSheet(KelvaroStore& store, QWidget* parent)
    : OperationSheet(store, LKey("Změna velikosti"), QStringLiteral("arrow.up.left.and.arrow.down.right"),
                     LKey("Změnit velikost"), parent)
{
    m_mode = new SegmentedPicker({{percentTag, L("Procenta")}, {longEdgeTag, L("Delší strana")}}, L("Způsob"), this);
    addContent(m_mode);
    connect(m_mode, &SegmentedPicker::tagClicked, this, [this](const QString& tag) {
        m_spec.usePercent = tag == percentTag;
        refresh();
    });

    m_percent = new LabeledSlider(QString(), {10, 5, 100, 1}, this);
    m_percent->setUnits(int(m_spec.percent));
    m_percent->setReadout([](int units) { return Lf("%lld %%", units); });
    addContent(m_percent);
    connect(m_percent, &LabeledSlider::unitsChanged, this, [this](int units) { m_spec.percent = units; });

    m_edgeRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_edgeRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    for (int edge : longEdges()) {
        auto* button = new ChoiceButton(QString::number(edge), m_edgeRow);
        connect(button, &QAbstractButton::clicked, this, [this, edge] {
            m_spec.longEdge = edge;
            refresh();
        });
        row->addWidget(button);
        m_edgeButtons.append(button);
    }
    row->addStretch(1);
    addContent(m_edgeRow);

    m_caption = addCaption(QString(), TextStyle::callout);

    refresh();
    m_mode->setFocus(); // Left and Right switch the mode at once
}

void ResizeSheet::refresh()
{
    m_mode->setSelection(m_spec.usePercent ? percentTag : longEdgeTag);
    m_percent->setVisible(m_spec.usePercent);
    m_edgeRow->setVisible(!m_spec.usePercent);
    m_caption->setVisible(!m_spec.usePercent);
    for (int i = 0; i < m_edgeButtons.size(); ++i)
        m_edgeButtons[i]->setChosen(longEdges().at(i) == m_spec.longEdge);
    m_caption->setText(Lf("Delší strana fotky bude %lld px, poměr stran zůstane.", m_spec.longEdge));
}

} // namespace kelvaro
