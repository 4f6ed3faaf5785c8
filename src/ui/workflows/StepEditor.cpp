#include "ui/workflows/StepEditor.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "model/Operations.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/DestructiveSymbolButton.h"
#include "ui/design/Readout.h"
#include "ui/design/ToolbarButton.h"
#include "ui/sheets/SegmentedPicker.h"

namespace kelvaro {
namespace {

// Slider positions over a continuous range without a readout: fine enough that a drag feels
// continuous.
constexpr int kSliderSteps = 1000;
// Brightness and contrast read −100 … +100 (`shownBrightness`); their sliders count in those units.
constexpr int kShownLimit = 100;

qint64 truncated(double value)
{
    if (!std::isfinite(value))
        return 0;
    return qint64(std::trunc(std::clamp(value, -1.0e15, 1.0e15)));
}

// The value nearest `value` whose readout is `shown`: shown / 200 itself can lie a hair short of
// it (0.145 × 200 = 28.999…), which the truncating readout, and the card's summary after a save,
// would show one unit less.
double storedFor(qint64 shown, double value, qint64 (*shownOf)(double))
{
    const double away = shown < 0 ? -HUGE_VAL : HUGE_VAL;
    for (int i = 0; i < 64 && shownOf(value) != shown; ++i)
        value = std::nextafter(value, away);
    return value;
}

// The step's number on a brand-orange disc.
class NumberBadge : public QWidget {
public:
    NumberBadge(int number, QWidget* parent) : QWidget(parent), m_text(Lf("%lld", number)) { setFixedSize(20, 20); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::buttonOrange());
        p.drawEllipse(QRectF(rect()));
        p.setPen(Qt::white);
        p.setFont(Theme::font(TextStyle::caption, QFont::Bold));
        p.drawText(rect(), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
};

QHBoxLayout* row(QWidget* parent = nullptr)
{
    auto* layout = parent ? new QHBoxLayout(parent) : new QHBoxLayout();
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    return layout;
}

Text* fieldLabel(const QString& text, QWidget* parent)
{
    auto* t = new Text(text, TextStyle::body, parent);
    t->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return t;
}

// Puts a value into a picker without reporting it; a value it does not offer selects nothing.
void select(QComboBox* picker, const QVariant& tag)
{
    const QSignalBlocker quiet(picker);
    picker->setCurrentIndex(picker->findData(tag));
}

} // namespace

StepEditor::StepEditor(const WorkflowStep& step, int number, bool canMoveUp, bool canMoveDown, QWidget* parent)
    : QWidget(parent), m_step(step), m_number(number)
{
    setObjectName(QStringLiteral("stepEditor"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(10);
    column->addWidget(header(canMoveUp, canMoveDown));
    column->addWidget(parameters());
}

QString StepEditor::symbol(WorkflowStep::Kind kind)
{
    using K = WorkflowStep::Kind;
    switch (kind) {
    case K::removeBackground: return QStringLiteral("person.crop.rectangle");
    case K::blurFaces: return QStringLiteral("face.dashed");
    case K::adjust: return QStringLiteral("slider.horizontal.3");
    case K::crop: return QStringLiteral("crop");
    case K::resize: return QStringLiteral("arrow.up.left.and.arrow.down.right");
    case K::watermark: return QStringLiteral("signature");
    }
    return {};
}

const QList<int>& StepEditor::longEdges()
{
    static const QList<int> edges{800, 1200, 1600, 2048, 2400, 3000, 4000};
    return edges;
}

QString StepEditor::readout(qint64 shown)
{
    return shown >= 1 ? Lf("+%lld", shown) : Lf("%lld", shown);
}

qint64 StepEditor::shownBrightness(double brightness)
{
    return truncated(brightness * 200);
}

qint64 StepEditor::shownContrast(double contrast)
{
    return truncated((contrast - 1) * 200);
}

double StepEditor::brightnessFor(qint64 shown)
{
    return storedFor(shown, double(shown) / 200, &StepEditor::shownBrightness);
}

double StepEditor::contrastFor(qint64 shown)
{
    return storedFor(shown, double(200 + shown) / 200, &StepEditor::shownContrast);
}

QWidget* StepEditor::header(bool canMoveUp, bool canMoveDown)
{
    auto* box = new QWidget(this);
    QHBoxLayout* layout = row(box);
    layout->addWidget(new NumberBadge(m_number, box), 0, Qt::AlignVCenter);
    auto* glyph = new SymbolView(symbol(m_step.kind), 14, box);
    glyph->setColor(Theme::primary());
    glyph->setWeight(1.15);
    layout->addWidget(glyph, 0, Qt::AlignVCenter);
    auto* name = new Text(title(m_step.kind), TextStyle::callout, box);
    name->setObjectName(QStringLiteral("stepName"));
    name->setStyle(TextStyle::callout, QFont::DemiBold);
    layout->addWidget(name, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    const auto button = [box, layout](const char* symbolName, const char* tip, const char* objectName) {
        auto* b = new ToolbarButton(QString::fromLatin1(symbolName), box);
        b->setToolTip(L(tip));
        b->setAccessibleName(L(tip));
        b->setObjectName(QString::fromLatin1(objectName));
        layout->addWidget(b, 0, Qt::AlignVCenter);
        return b;
    };
    m_up = button("chevron.up", LKey("Posunout výš"), "up");
    m_up->setEnabled(canMoveUp);
    m_down = button("chevron.down", LKey("Posunout níž"), "down");
    m_down->setEnabled(canMoveDown);
    // Sized and placed as its neighbours, drawn as the action that deletes.
    m_remove = new DestructiveSymbolButton(QStringLiteral("trash"), L("Odebrat krok"), m_up->sizeHint(), 17, box);
    m_remove->setObjectName(QStringLiteral("remove"));
    layout->addWidget(m_remove, 0, Qt::AlignVCenter);
    connect(m_up, &QAbstractButton::clicked, this, [this] { Q_EMIT moveRequested(-1); });
    connect(m_down, &QAbstractButton::clicked, this, [this] { Q_EMIT moveRequested(+1); });
    connect(m_remove, &QAbstractButton::clicked, this, [this] { Q_EMIT removeRequested(); });
    return box;
}

QWidget* StepEditor::note(const char* czech)
{
    auto* text = new Text(L(czech), TextStyle::caption, this);
    text->setColor(Theme::secondary());
    text->setWrap(true);
    return text;
}

QWidget* StepEditor::parameters()
{
    using K = WorkflowStep::Kind;
    switch (m_step.kind) {
    case K::removeBackground:
        return note(LKey("Vystřihne hlavní objekt. Výsledek je s průhledným pozadím."));
    case K::blurFaces:
        return note(LKey("Rozpozná obličeje a skryje je stylem z Nastavení (rozmazání, pixelizace nebo zakrytí)."));
    case K::adjust:
        return adjustControls();
    case K::crop:
        return cropControls();
    case K::resize:
        return resizeControls();
    case K::watermark:
        return watermarkControls();
    }
    return new QWidget(this);
}

QSlider* StepEditor::labeledSlider(QWidget* parent, const QString& text, int minimum, int maximum, int position, int arrow,
                                   std::function<void(int)> write, Readout** readout)
{
    auto* layout = row();
    auto* name = fieldLabel(text, parent);
    name->setFixedWidth(86); // the sliders of a card line up
    name->setElide(Qt::ElideRight);
    layout->addWidget(name);
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(arrow);
    slider->setPageStep(10 * arrow);
    {
        const QSignalBlocker quiet(slider);
        slider->setValue(std::clamp(position, minimum, maximum));
    }
    // Only the user moves the slider once it is built: every change is theirs to write.
    connect(slider, &QSlider::valueChanged, this, [this, write](int moved) {
        write(moved);
        edited();
    });
    layout->addWidget(slider, 1);
    if (readout) {
        *readout = new Readout(TextStyle::body, parent);
        (*readout)->setColor(Theme::secondary());
        (*readout)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        (*readout)->setFixedWidth(40);
        layout->addWidget(*readout);
    }
    qobject_cast<QVBoxLayout*>(parent->layout())->addLayout(layout);
    return slider;
}

QSlider* StepEditor::continuousSlider(QWidget* parent, const QString& text, double value, double min, double max,
                                      std::function<void(double)> write)
{
    const double clamped = std::isfinite(value) ? std::clamp(value, min, max) : min;
    const int position = int(std::lround((clamped - min) / (max - min) * kSliderSteps));
    return labeledSlider(parent, text, 0, kSliderSteps, position, kSliderSteps / 100,
                         [min, max, write](int moved) { write(min + (max - min) * moved / kSliderSteps); }, nullptr);
}

QWidget* StepEditor::adjustControls()
{
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    // Counted in the units the readout shows, from where it reads: every arrow moves it by one,
    // also from a stored value between two of them.
    const auto position = [](qint64 shown) { return int(std::clamp<qint64>(shown, -kShownLimit, kShownLimit)); };
    m_brightness = labeledSlider(box, L("Jas"), -kShownLimit, kShownLimit, position(shownBrightness(m_step.brightness)), 1,
                                 [this](int shown) { m_step.brightness = brightnessFor(shown); }, &m_brightnessReadout);
    m_brightness->setObjectName(QStringLiteral("brightness"));
    m_contrast = labeledSlider(box, L("Kontrast"), -kShownLimit, kShownLimit, position(shownContrast(m_step.contrast)), 1,
                               [this](int shown) { m_step.contrast = contrastFor(shown); }, &m_contrastReadout);
    m_contrast->setObjectName(QStringLiteral("contrast"));
    m_mono = new QCheckBox(L("Černobíle"), box);
    m_mono->setChecked(m_step.mono);
    connect(m_mono, &QCheckBox::clicked, this, [this](bool on) {
        m_step.mono = on;
        edited();
    });
    column->addWidget(m_mono);
    refreshReadouts();
    return box;
}

QWidget* StepEditor::cropControls()
{
    auto* box = new QWidget(this);
    QHBoxLayout* layout = row(box);
    layout->addWidget(fieldLabel(L("Poměr stran"), box));
    QList<SegmentedPicker::Segment> segments;
    for (CropRatio ratio : allCropRatios())
        segments.append({rawValue(ratio), label(ratio)});
    m_ratio = new SegmentedPicker(segments, L("Poměr stran"), box);
    m_ratio->setSelection(m_step.ratio);
    connect(m_ratio, &SegmentedPicker::tagClicked, this, [this](const QString& tag) {
        m_step.ratio = tag;
        edited();
    });
    layout->addWidget(m_ratio, 1);
    return box;
}

QWidget* StepEditor::resizeControls()
{
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    QHBoxLayout* line = row();
    line->addWidget(fieldLabel(L("Delší strana"), box));
    m_longEdge = new QComboBox(box);
    for (int edge : longEdges())
        m_longEdge->addItem(Lf("%lld px", edge), edge);
    select(m_longEdge, m_step.longEdge);
    connect(m_longEdge, &QComboBox::activated, this, [this](int index) {
        m_step.longEdge = m_longEdge->itemData(index).toInt();
        edited();
    });
    line->addWidget(m_longEdge);
    line->addStretch(1);
    column->addLayout(line);
    column->addWidget(note(LKey("Menší fotky se nezvětšují.")));
    return box;
}

QWidget* StepEditor::watermarkControls()
{
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    m_text = new QLineEdit(m_step.text, box);
    m_text->setPlaceholderText(L("Text vodoznaku"));
    m_text->setTextMargins(4, 3, 4, 3); // as the watermark sheet's field
    connect(m_text, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_step.text = text;
        edited();
    });
    column->addWidget(m_text);

    QHBoxLayout* line = row();
    line->addWidget(fieldLabel(L("Umístění"), box));
    m_position = new QComboBox(box);
    for (WatermarkPosition position : allWatermarkPositions())
        m_position->addItem(title(position), rawValue(position));
    select(m_position, m_step.position);
    connect(m_position, &QComboBox::activated, this, [this](int index) {
        m_step.position = m_position->itemData(index).toString();
        edited();
    });
    line->addWidget(m_position);
    line->addStretch(1);
    column->addLayout(line);

    m_opacity = continuousSlider(box, L("Průhlednost"), m_step.opacity, 0.2, 1.0, [this](double v) { m_step.opacity = v; });
    m_opacity->setObjectName(QStringLiteral("opacity"));
    m_size = continuousSlider(box, L("Rozměr"), m_step.sizePercent, 2, 12, [this](double v) { m_step.sizePercent = v; });
    m_size->setObjectName(QStringLiteral("size"));
    return box;
}

void StepEditor::refreshReadouts()
{
    if (m_brightnessReadout)
        m_brightnessReadout->setText(readout(shownBrightness(m_step.brightness)));
    if (m_contrastReadout)
        m_contrastReadout->setText(readout(shownContrast(m_step.contrast)));
}

void StepEditor::edited()
{
    refreshReadouts();
    Q_EMIT stepEdited(m_step);
}

void StepEditor::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), 12, 12);
    p.fillPath(card, Theme::primaryAt(this, 0.05));
}

} // namespace kelvaro
