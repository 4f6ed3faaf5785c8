#include "ui/sheets/WatermarkSheet.h"

#include <cmath>

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>

#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "platform/widgets/LogoPicker.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/LivePreview.h"

namespace kelvaro {
namespace {
constexpr int kSliderTitleWidth = 90;

bool isBlankInLine(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}
} // namespace

bool WatermarkSheet::isRunnable(const WatermarkSpec& spec)
{
    if (spec.logoPath)
        return true;
    return std::any_of(spec.text.begin(), spec.text.end(), [](QChar c) { return !isBlankInLine(c); });
}

WatermarkSheet::WatermarkSheet(KelvaroStore& store, QWidget* parent)
    : OperationSheet(store, LKey("Vodoznak"), QStringLiteral("signature"), LKey("Přidat vodoznak"),
                     parent)
{
    // Looked up as the sheet opens, so the default follows the language of the moment.
    m_spec.text = L("© Moje fotky");

    m_preview = new LivePreview(this);
    addContent(m_preview);

    m_text = new QLineEdit(m_spec.text, this);
    m_text->setPlaceholderText(L("Text vodoznaku"));
    m_text->setAccessibleName(m_text->placeholderText());
    m_text->setTextMargins(4, 3, 4, 3);
    addContent(m_text);
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_spec.text = text;
        refresh();
    });

    auto* logoRow = new QHBoxLayout();
    logoRow->setSpacing(8);
    m_logoButton = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, this);
    m_logoButton->setSymbol(QStringLiteral("photo"));
    connect(m_logoButton, &QAbstractButton::clicked, this, &WatermarkSheet::chooseLogo);
    logoRow->addWidget(m_logoButton);
    m_logoName = new Text(QString(), TextStyle::caption, this);
    m_logoName->setColor(Theme::secondary());
    m_logoName->setElide(Qt::ElideMiddle);
    m_logoName->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_logoName->setMinimumWidth(40); // a long name is shortened in the middle, never pushes "Odebrat" out
    logoRow->addWidget(m_logoName);
    m_removeLogo = new LinkButton(L("Odebrat"), TextStyle::callout, this);
    connect(m_removeLogo, &QAbstractButton::clicked, this, [this] {
        m_spec.logoPath.reset();
        refresh();
    });
    logoRow->addWidget(m_removeLogo);
    logoRow->addStretch(1);
    addContent(logoRow);

    auto* positionRow = new QHBoxLayout();
    positionRow->setSpacing(10);
    auto* positionTitle = new Text(L("Umístění"), TextStyle::callout, this);
    positionTitle->setFixedWidth(kSliderTitleWidth);
    positionRow->addWidget(positionTitle);
    m_position = new QComboBox(this);
    m_position->setAccessibleName(positionTitle->text());
    for (WatermarkPosition position : allWatermarkPositions())
        m_position->addItem(title(position), rawValue(position));
    m_position->setCurrentIndex(int(allWatermarkPositions().indexOf(m_spec.position)));
    positionRow->addWidget(m_position);
    positionRow->addStretch(1);
    addContent(positionRow);
    connect(m_position, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index < allWatermarkPositions().size())
            m_spec.position = allWatermarkPositions().at(index);
        refresh();
    });

    // Continuous to the eye, exact in their units; the preview shows what the numbers would.
    // An arrow moves the opacity by a percent and the size by a tenth of a percent of the side.
    m_opacity = new LabeledSlider(LKey("Průhlednost"), {200, 1, 1000, opacitySteps, opacitySteps / 100}, this);
    m_size = new LabeledSlider(LKey("Rozměr"), {200, 1, 1200, sizeSteps, sizeSteps / 10}, this);
    m_opacity->setUnits(int(std::lround(m_spec.opacity * opacitySteps)));
    m_size->setUnits(int(std::lround(m_spec.sizePercent * sizeSteps)));
    for (LabeledSlider* slider : {m_opacity, m_size}) {
        slider->setTitleWidth(kSliderTitleWidth);
        addContent(slider);
    }
    connect(m_opacity, &LabeledSlider::unitsChanged, this, [this] {
        m_spec.opacity = m_opacity->value();
        refresh();
    });
    connect(m_size, &LabeledSlider::unitsChanged, this, [this] {
        m_spec.sizePercent = m_size->value();
        refresh();
    });

    const QStringList& files = store.droppedFiles();
    m_preview->setFile(files.isEmpty() ? std::nullopt : std::optional<QString>(files.first()));
    refresh();
    m_text->setFocus();
    m_text->selectAll();
}

void WatermarkSheet::chooseLogo()
{
    // A cancelled panel leaves an earlier logo in place.
    if (const std::optional<QString> logo = LogoPicker::shared()->choose(this)) {
        m_spec.logoPath = *logo;
        refresh();
    }
}

void WatermarkSheet::refresh()
{
    const bool hasLogo = m_spec.logoPath.has_value();
    m_text->setEnabled(!hasLogo);
    m_logoButton->setText(hasLogo ? L("Změnit logo…") : L("Použít logo místo textu…"));
    m_logoButton->updateGeometry();
    m_logoName->setText(hasLogo ? NativePath::displayName(QFileInfo(*m_spec.logoPath).fileName()) : QString());
    m_logoName->setVisible(hasLogo);
    m_removeLogo->setVisible(hasLogo);
    setCanRun(isRunnable(m_spec));
    m_preview->setOperation(currentOp());
}

} // namespace kelvaro
