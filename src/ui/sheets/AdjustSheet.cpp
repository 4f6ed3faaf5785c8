#include "ui/sheets/AdjustSheet.h"

#include <cmath>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSlider>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Readout.h"
#include "ui/sheets/ChoiceButton.h"
#include "ui/sheets/LabeledSlider.h"
#include "ui/sheets/LivePreview.h"

namespace kelvaro {
namespace {
constexpr int kColumnSpacing = 16;

int quarterTurns(int turns)
{
    return ((turns % 4) + 4) % 4;
}

QString signedReadout(int value)
{
    return value >= 1 ? Lf("+%lld", value) : Lf("%lld", value);
}
} // namespace

bool AdjustSheet::isUnchanged(const AdjustSpec& spec)
{
    return quarterTurns(spec.turns) == 0 && !spec.flipH && !spec.flipV && spec.brightness == 0 && spec.contrast == 1
        && !spec.mono;
}

// Integer division truncates toward zero, as the readout must; counting in the slider's own
// units keeps 0.145 from reading 28 through a rounding of 0.145 × 200.
QString AdjustSheet::brightnessReadout(int thousandths)
{
    return signedReadout(thousandths * 200 / steps);
}

QString AdjustSheet::contrastReadout(int thousandths)
{
    return signedReadout((thousandths - steps) * 200 / steps);
}

AdjustSheet::AdjustSheet(KelvaroStore& store, QWidget* parent)
    : OperationSheet(store, LKey("Úpravy"), QStringLiteral("slider.horizontal.3"), LKey("Použít"),
                     parent)
{
    auto* column = new QVBoxLayout();
    column->setSpacing(kColumnSpacing);

    m_preview = new LivePreview(this);
    column->addWidget(m_preview);

    auto* orientation = new QHBoxLayout();
    orientation->setSpacing(8);
    orientation->addStretch(1);
    const auto addChoice = [&](const char* title, const char* symbol) {
        auto* button = new ChoiceButton(L(title), this);
        button->setSymbol(QString::fromLatin1(symbol));
        orientation->addWidget(button);
        return button;
    };
    m_left = addChoice(LKey("Doleva"), "rotate.left");
    m_right = addChoice(LKey("Doprava"), "rotate.right");
    m_mirror = addChoice(LKey("Zrcadlit"), "arrow.left.and.right.righttriangle.left.righttriangle.right");
    m_flip = addChoice(LKey("Převrátit"), "arrow.up.and.down.righttriangle.up.righttriangle.down");
    m_angle = new Text(QString(), TextStyle::caption, this);
    m_angle->setColor(Theme::secondary());
    orientation->addWidget(m_angle);
    orientation->addStretch(1);
    column->addLayout(orientation);
    connect(m_left, &QAbstractButton::clicked, this, [this] {
        m_spec.turns = quarterTurns(m_spec.turns + 3);
        refresh();
    });
    connect(m_right, &QAbstractButton::clicked, this, [this] {
        m_spec.turns = quarterTurns(m_spec.turns + 1);
        refresh();
    });
    connect(m_mirror, &QAbstractButton::clicked, this, [this] {
        m_spec.flipH = !m_spec.flipH;
        refresh();
    });
    connect(m_flip, &QAbstractButton::clicked, this, [this] {
        m_spec.flipV = !m_spec.flipV;
        refresh();
    });

    m_brightness = addSliderBlock(column, LKey("Jas"), -steps / 2, steps / 2, 0, &m_brightnessReadout);
    m_contrast = addSliderBlock(column, LKey("Kontrast"), steps / 2, steps * 3 / 2, steps, &m_contrastReadout);
    connect(m_brightness, &LabeledSlider::unitsChanged, this, [this] {
        m_spec.brightness = m_brightness->value();
        refresh();
    });
    connect(m_contrast, &LabeledSlider::unitsChanged, this, [this] {
        m_spec.contrast = m_contrast->value();
        refresh();
    });

    m_mono = new QCheckBox(L("Černobíle"), this);
    column->addWidget(m_mono);
    connect(m_mono, &QCheckBox::toggled, this, [this](bool on) {
        m_spec.mono = on;
        refresh();
    });

    m_reset = new LinkButton(L("Obnovit původní stav"), TextStyle::callout, this);
    column->addWidget(m_reset, 0, Qt::AlignLeft);
    connect(m_reset, &QAbstractButton::clicked, this, [this] {
        m_spec = AdjustSpec();
        refresh();
    });

    addContent(column);
    const QStringList& files = store.droppedFiles();
    m_preview->setFile(files.isEmpty() ? std::nullopt : std::optional<QString>(files.first()));
    refresh();
}

LabeledSlider* AdjustSheet::addSliderBlock(QVBoxLayout* column, const QString& title, int first, int last, int zero,
                                           Readout** readout)
{
    auto* block = new QVBoxLayout();
    block->setSpacing(4);
    auto* header = new QHBoxLayout();
    auto* titleText = new Text(L(title), TextStyle::callout, this);
    header->addWidget(titleText);
    header->addStretch(1);
    *readout = new Readout(TextStyle::callout, this);
    (*readout)->setColor(Theme::secondary());
    (*readout)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    header->addWidget(*readout);
    block->addLayout(header);
    // The readouts count 200 across each slider's range of `steps` units.
    auto* slider = new LabeledSlider(QString(), {first, 1, last, steps, steps / 200, zero}, this);
    slider->slider()->setAccessibleName(titleText->text());
    block->addWidget(slider);
    column->addLayout(block);
    return slider;
}

void AdjustSheet::refresh()
{
    // The sliders follow the spec too, so the reset moves them back.
    const QSignalBlocker blockBrightness(m_brightness);
    const QSignalBlocker blockContrast(m_contrast);
    const QSignalBlocker blockMono(m_mono);
    m_brightness->setUnits(int(std::lround(m_spec.brightness * steps)));
    m_contrast->setUnits(int(std::lround(m_spec.contrast * steps)));
    m_mono->setChecked(m_spec.mono);
    m_brightnessReadout->setText(brightnessReadout(m_brightness->units()));
    m_contrastReadout->setText(contrastReadout(m_contrast->units()));

    const int turns = quarterTurns(m_spec.turns);
    m_angle->setText(Lf("%lld°", turns * 90));
    m_angle->setVisible(turns != 0);
    m_mirror->setChosen(m_spec.flipH);
    m_flip->setChosen(m_spec.flipV);

    const bool changed = !isUnchanged(m_spec);
    setCanRun(changed);
    m_reset->setEnabled(changed);
    m_preview->setOperation(currentOp());
}

} // namespace kelvaro
