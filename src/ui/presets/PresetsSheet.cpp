#include "ui/presets/PresetsSheet.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/Settings.h"
#include "store/UserPresets.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/DestructiveSymbolButton.h"
#include "ui/design/Readout.h"

namespace kelvaro {
namespace {

// Quality moves in steps of 0.05 from 0.5 to 1: slider positions 10 … 20 of twentieths.
constexpr int kQualityMin = 10;
constexpr int kQualityMax = 20;
constexpr int kTrashSide = 24;

QVBoxLayout* column(QWidget* widget, int spacing)
{
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// A wrapped text that takes the height its width needs.
Text* wrapped(const QString& text, TextStyle style, QWidget* parent)
{
    auto* t = new Text(text, style, parent);
    t->setWrap(true);
    QSizePolicy grows(QSizePolicy::Preferred, QSizePolicy::Minimum);
    grows.setHeightForWidth(true);
    t->setSizePolicy(grows);
    return t;
}

} // namespace

// ---- PresetRow ------------------------------------------------------------------------------------

PresetRow::PresetRow(const PresetSpec& preset, QWidget* parent) : QWidget(parent), m_preset(preset)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    auto* name = new Text(L(preset.name), TextStyle::body, this);
    name->setObjectName(QStringLiteral("name"));
    name->setStyle(TextStyle::body, QFont::DemiBold);
    name->setElide(Qt::ElideRight);
    name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* summary = new Text(preset.summary(), TextStyle::caption, this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setColor(Theme::secondary());
    summary->setElide(Qt::ElideRight);
    summary->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addWidget(name);
    texts->addWidget(summary);
    row->addLayout(texts, 1);
    m_delete = new DestructiveSymbolButton(QStringLiteral("trash"), L("Smazat předvolbu"), QSize(kTrashSide, kTrashSide), 14, this);
    connect(m_delete, &QAbstractButton::clicked, this, &PresetRow::deleteRequested);
    row->addWidget(m_delete, 0, Qt::AlignVCenter);
}

// ---- PresetsSheet ---------------------------------------------------------------------------------

const QList<int>& PresetsSheet::maxSides()
{
    static const QList<int> list{0, 800, 1200, 1600, 2048, 3000};
    return list;
}

const QList<QPair<QString, QString>>& PresetsSheet::formats()
{
    static const QList<QPair<QString, QString>> list{
        {QString(), LKey("Zachovat")},
        {QStringLiteral("jpg"), QStringLiteral("JPG")},
        {QStringLiteral("png"), QStringLiteral("PNG")},
        {QStringLiteral("heic"), QStringLiteral("HEIC")},
    };
    return list;
}

PresetsSheet::PresetsSheet(Settings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_presets(new UserPresets(settings, this))
{
    setObjectName(QStringLiteral("presetsSheet"));
    setWindowTitle(L("Předvolby"));
    setFixedWidth(sheetWidth);
    m_column = column(this, 16);
    m_column->setContentsMargins(24, 24, 24, 24);

    auto* heading = new QHBoxLayout();
    heading->setSpacing(8);
    auto* bolt = new SymbolView(QStringLiteral("bolt.fill"), 18, this);
    bolt->setColor(Theme::ember());
    heading->addWidget(bolt, 0, Qt::AlignVCenter);
    m_title = new Text(L("Předvolby"), TextStyle::title2, this);
    m_title->setStyle(TextStyle::title2, QFont::Bold);
    heading->addWidget(m_title, 1, Qt::AlignVCenter);
    m_column->addLayout(heading);

    m_unreadable = wrapped(L("Uložené předvolby se nepodařilo přečíst, proto je nechávám beze změny."), TextStyle::body, this);
    m_unreadable->setObjectName(QStringLiteral("unreadable"));
    m_unreadable->setColor(Theme::rose());
    m_column->addWidget(m_unreadable);

    m_listBox = new QWidget(this);
    QVBoxLayout* listBox = column(m_listBox, 8);
    m_empty = wrapped(L("Zatím tu nic není. Vytvoř první předvolbu níže."), TextStyle::body, m_listBox);
    m_empty->setObjectName(QStringLiteral("empty"));
    m_empty->setColor(Theme::secondary());
    listBox->addWidget(m_empty);
    // Many presets scroll instead of pushing the form and "Hotovo" off the screen.
    m_list = new QScrollArea(m_listBox);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setWidgetResizable(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_list->viewport()->setAutoFillBackground(false);
    auto* rows = new QWidget(m_list);
    rows->setAutoFillBackground(false);
    m_listColumn = column(rows, 8);
    m_list->setWidget(rows);
    listBox->addWidget(m_list);
    m_column->addWidget(m_listBox);

    m_divider = new Divider(Qt::Horizontal, -1, this);
    m_column->addWidget(m_divider);
    m_form = buildForm();
    m_column->addWidget(m_form);

    auto* footer = new QHBoxLayout();
    footer->addStretch(1);
    m_done = new KelvaroButton(L("Hotovo"), KelvaroButton::Kind::secondary, this);
    m_done->setObjectName(QStringLiteral("done"));
    connect(m_done, &QAbstractButton::clicked, this, &QDialog::accept);
    footer->addWidget(m_done);
    m_column->addLayout(footer);

    connect(m_presets, &UserPresets::changed, this, &PresetsSheet::rebuild);
    rebuild();
    refreshForm();
    if (m_presets->isWritable())
        m_name->setFocus();
}

QWidget* PresetsSheet::buildForm()
{
    auto* form = new QWidget(this);
    QVBoxLayout* layout = column(form, 10);
    layout->addWidget(new Text(L("Nová předvolba"), TextStyle::headline, form));

    m_name = new QLineEdit(form);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setPlaceholderText(L("Název (např. Portfolio)"));
    m_name->setAccessibleName(m_name->placeholderText());
    m_name->setTextMargins(4, 3, 4, 3);
    connect(m_name, &QLineEdit::textChanged, this, &PresetsSheet::refreshForm);
    layout->addWidget(m_name);

    // The three labels share one width, so the controls start in one column.
    QList<Text*> labels;
    auto label = [&](const QString& text) {
        labels << new Text(text, TextStyle::body, form);
        return labels.last();
    };
    auto picker = [&](const QString& text, QComboBox* box) {
        auto* line = new QHBoxLayout();
        line->setSpacing(8);
        line->addWidget(label(text));
        line->addWidget(box);
        line->addStretch(1);
        layout->addLayout(line);
    };
    m_maxSide = new QComboBox(form);
    m_maxSide->setObjectName(QStringLiteral("maxSide"));
    for (int side : maxSides())
        m_maxSide->addItem(side == 0 ? L("Beze změny") : Lf("%lld px", qint64(side)), side);
    m_maxSide->setCurrentIndex(m_maxSide->findData(1600));
    picker(L("Delší strana"), m_maxSide);

    m_format = new QComboBox(form);
    m_format->setObjectName(QStringLiteral("format"));
    for (const auto& [tag, text] : formats())
        m_format->addItem(tag.isEmpty() ? L(text) : text, tag);
    m_format->setCurrentIndex(m_format->findData(QStringLiteral("jpg")));
    picker(L("Formát"), m_format);

    auto* qualityLine = new QHBoxLayout();
    qualityLine->setSpacing(8);
    qualityLine->addWidget(label(L("Kvalita")));
    m_quality = new QSlider(Qt::Horizontal, form);
    m_quality->setObjectName(QStringLiteral("quality"));
    m_quality->setAccessibleName(L("Kvalita"));
    m_quality->setRange(kQualityMin, kQualityMax);
    m_quality->setPageStep(2); // ten percent, as the sheets' quality sliders
    m_quality->setValue(17);
    connect(m_quality, &QSlider::valueChanged, this, &PresetsSheet::refreshForm);
    qualityLine->addWidget(m_quality, 1);
    m_qualityReadout = new Readout(TextStyle::body, form);
    m_qualityReadout->setObjectName(QStringLiteral("qualityReadout"));
    m_qualityReadout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_qualityReadout->setFixedWidth(48);
    qualityLine->addWidget(m_qualityReadout);
    layout->addLayout(qualityLine);
    int labelWidth = 0;
    for (const Text* t : std::as_const(labels))
        labelWidth = std::max(labelWidth, t->sizeHint().width());
    for (Text* t : std::as_const(labels))
        t->setFixedWidth(labelWidth);

    m_strip = new QCheckBox(L("Smazat metadata a polohu"), form);
    m_strip->setObjectName(QStringLiteral("strip"));
    m_strip->setChecked(true);
    layout->addWidget(m_strip);

    auto* addLine = new QHBoxLayout();
    m_add = new KelvaroButton(L("Přidat předvolbu"), KelvaroButton::Kind::primary, form);
    m_add->setObjectName(QStringLiteral("add"));
    connect(m_add, &QAbstractButton::clicked, this, &PresetsSheet::add);
    addLine->addWidget(m_add);
    addLine->addStretch(1);
    layout->addLayout(addLine);
    m_notSaved = wrapped(QString(), TextStyle::callout, form);
    m_notSaved->setObjectName(QStringLiteral("notSaved"));
    m_notSaved->setColor(Theme::rose());
    m_notSaved->hide();
    layout->addWidget(m_notSaved);
    // The preset the sentence speaks of is on disk once a save (the retry, or any change) succeeds.
    connect(&m_settings, &Settings::saveStateChanged, m_notSaved, [this] {
        if (!m_settings.hasUnsavedChanges())
            m_notSaved->hide();
    }, Qt::QueuedConnection);
    return form;
}

bool PresetsSheet::canAdd() const
{
    return m_presets->isWritable() && !m_name->text().trimmed().isEmpty();
}

void PresetsSheet::add()
{
    if (!canAdd())
        return;
    PresetSpec preset;
    preset.id = QUuid::createUuid();
    preset.name = m_name->text().trimmed();
    preset.maxSide = m_maxSide->currentData().toInt();
    preset.format = m_format->currentData().toString();
    preset.quality = m_quality->value() / 20.0;
    preset.stripMetadata = m_strip->isChecked();
    const bool saved = m_presets->append(preset);
    // A preset the save could not write is listed all the same and waits for the next save.
    const bool listed = std::any_of(m_presets->presets().cbegin(), m_presets->presets().cend(),
                                    [&](const PresetSpec& p) { return p.id == preset.id; });
    if (listed)
        m_name->clear();
    // A save only put off by another process's lock has no reason to give: it is retried.
    const bool failed = listed && !saved && m_settings.saveError() != 0;
    m_notSaved->setVisible(failed);
    if (failed)
        m_notSaved->setText(Lf("Předvolbu se zatím nepodařilo uložit: %@.", saveFailureReason(m_settings.saveError())));
}

void PresetsSheet::remove(const QUuid& id)
{
    m_presets->remove(id);
}

void PresetsSheet::rebuild()
{
    // The row whose button asked for the change is still in its click: rows go once it returns.
    for (PresetRow* old : std::as_const(m_rows)) {
        m_listColumn->removeWidget(old);
        old->hide();
        old->disconnect(this);
        old->deleteLater();
    }
    m_rows.clear();

    const bool readable = m_presets->isWritable();
    m_unreadable->setVisible(!readable);
    m_listBox->setVisible(readable);
    m_divider->setVisible(readable);
    m_form->setVisible(readable);
    m_empty->setVisible(m_presets->state() == UserPresets::State::empty);

    for (const PresetSpec& preset : m_presets->presets()) {
        auto* row = new PresetRow(preset, m_list->widget());
        const QUuid id = preset.id;
        connect(row, &PresetRow::deleteRequested, this, [this, id] { remove(id); });
        m_listColumn->addWidget(row);
        m_rows << row;
    }
    int height = 0;
    for (const PresetRow* row : std::as_const(m_rows))
        height += row->sizeHint().height();
    height += m_listColumn->spacing() * qMax(0, int(m_rows.size()) - 1);
    m_list->setFixedHeight(qMin(height, listMaxHeight));
    m_list->setVisible(!m_rows.isEmpty());
    refreshForm();
}

void PresetsSheet::refreshForm()
{
    m_add->setEnabled(canAdd());
    m_qualityReadout->setText(Lf("%lld %%", qint64(std::trunc(m_quality->value() / 20.0 * 100))));
}

void PresetsSheet::keyPressEvent(QKeyEvent* event)
{
    // "Hotovo" is the default action, but no key throws away a name typed and not yet added:
    // Return adds it, wherever the focus is, and Escape leaves the sheet open.
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    const bool typed = canAdd();
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (typed)
            add();
        else
            accept();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && typed) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Escape rejects
}

bool PresetsSheet::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)
        fitHeight();
    return handled;
}

// Wrapped texts only know their height for a width; a top-level window never asks, so the sheet
// asks for its own fixed width.
void PresetsSheet::fitHeight()
{
    const int height = m_column->hasHeightForWidth() ? m_column->totalHeightForWidth(sheetWidth) : m_column->sizeHint().height();
    if (height > 0 && height != this->height())
        setFixedHeight(height);
}

} // namespace kelvaro
