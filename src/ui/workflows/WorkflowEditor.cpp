#include "ui/workflows/WorkflowEditor.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/FocusRing.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Readout.h"
#include "ui/design/Symbols.h"
#include "ui/workflows/StepEditor.h"

namespace kelvaro {
namespace {

// Quality moves in steps of 0.05 from 0.5 to 1: slider positions 10 … 20 of twentieths.
constexpr int kQualityMin = 10;
constexpr int kQualityMax = 20;

// One of the ten symbols: white on the brand orange when chosen (checked), else on a faint tile.
class SymbolTile : public QAbstractButton {
public:
    SymbolTile(const QString& symbol, QWidget* parent) : QAbstractButton(parent), m_symbol(symbol)
    {
        setFixedSize(34, 34);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(symbol);
    }
    QString symbol() const { return m_symbol; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath tile;
        tile.addRoundedRect(QRectF(rect()), 9, 9);
        p.fillPath(tile, isChecked() ? Theme::buttonOrange() : Theme::primaryAt(this, 0.06));
        if (showsFocusRing(this)) {
            // Ember would vanish on the orange of a chosen tile: there the ring is white, inside the edge.
            if (isChecked()) {
                p.setPen(QPen(Qt::white, 1.5));
                p.drawRoundedRect(QRectF(rect()).adjusted(2.75, 2.75, -2.75, -2.75), 6.25, 6.25);
            } else {
                p.setPen(QPen(Theme::ember(), 1.5));
                p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
            }
        }
        const QColor glyph = isChecked() ? QColor(Qt::white) : Theme::primary().on(this);
        Symbols::paint(p, QRectF(10, 10, 14, 14), m_symbol, glyph, 1.1);
    }

private:
    QString m_symbol;
};

QVBoxLayout* column(QWidget* widget, int spacing)
{
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

Text* headline(const QString& text, QWidget* parent)
{
    return new Text(text, TextStyle::headline, parent);
}

bool showsQuality(const QString& format)
{
    return format.isEmpty() || format == QLatin1String("jpg") || format == QLatin1String("heic");
}

} // namespace

const QStringList& WorkflowEditor::symbols()
{
    static const QStringList list{
        QStringLiteral("wand.and.stars"), QStringLiteral("star.fill"),  QStringLiteral("shippingbox.fill"),
        QStringLiteral("lock.shield.fill"), QStringLiteral("camera.fill"), QStringLiteral("bolt.fill"),
        QStringLiteral("heart.fill"),     QStringLiteral("briefcase.fill"), QStringLiteral("paperplane.fill"),
        QStringLiteral("globe"),
    };
    return list;
}

const QList<QPair<QString, QString>>& WorkflowEditor::formats()
{
    static const QList<QPair<QString, QString>> list{
        {QString(), QStringLiteral("Zachovat původní")}, {QStringLiteral("jpg"), QStringLiteral("JPG")},
        {QStringLiteral("png"), QStringLiteral("PNG")},   {QStringLiteral("heic"), QStringLiteral("HEIC")},
        {QStringLiteral("tiff"), QStringLiteral("TIFF")},
    };
    return list;
}

WorkflowEditor::WorkflowEditor(const Workflow& workflow, bool isNew, OnSave onSave, QWidget* parent)
    : QDialog(parent), m_workflow(workflow), m_onSave(std::move(onSave))
{
    setObjectName(QStringLiteral("workflowEditor"));
    const QString heading = isNew ? L("Nový postup") : L("Upravit postup");
    setWindowTitle(heading);
    setFixedWidth(sheetWidth);
    QVBoxLayout* outer = column(this, 16);
    outer->setContentsMargins(24, 24, 24, 24);

    m_title = new Text(heading, TextStyle::title2, this);
    m_title->setStyle(TextStyle::title2, QFont::Bold);
    m_title->setElide(Qt::ElideRight);
    outer->addWidget(m_title);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("editorScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setFixedHeight(scrollHeight);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    QVBoxLayout* sections = column(content, 18);
    sections->setContentsMargins(0, 0, 6, 0);
    sections->addWidget(identity(content));
    sections->addWidget(stepsSection(content));
    sections->addWidget(outputSection(content));
    sections->addStretch(1);
    scroll->setWidget(content);
    outer->addWidget(scroll);

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    buttons->addStretch(1);
    m_cancel = new KelvaroButton(L("Zrušit"), KelvaroButton::Kind::secondary, this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    buttons->addWidget(m_cancel);
    m_save = new KelvaroButton(L("Uložit postup"), KelvaroButton::Kind::primary, this);
    m_save->setObjectName(QStringLiteral("save"));
    connect(m_save, &QAbstractButton::clicked, this, &WorkflowEditor::save);
    buttons->addWidget(m_save);
    outer->addLayout(buttons);

    rebuildSteps();
    refreshSave();
    m_name->setFocus();
}

QWidget* WorkflowEditor::identity(QWidget* parent)
{
    auto* box = new QWidget(parent);
    QVBoxLayout* layout = column(box, 10);
    m_name = new QLineEdit(m_workflow.name, box);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setPlaceholderText(L("Název (např. Portfolio)"));
    m_name->setTextMargins(4, 3, 4, 3); // as every sheet's text field
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_workflow.name = text;
        refreshSave();
    });
    layout->addWidget(m_name);

    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    for (const QString& symbol : symbols()) {
        auto* tile = new SymbolTile(symbol, box);
        connect(tile, &QAbstractButton::clicked, this, [this, symbol] {
            m_workflow.symbol = symbol;
            refreshSymbols();
        });
        m_symbolButtons << tile;
        row->addWidget(tile);
    }
    row->addStretch(1);
    layout->addLayout(row);
    refreshSymbols();
    return box;
}

QWidget* WorkflowEditor::stepsSection(QWidget* parent)
{
    auto* box = new QWidget(parent);
    QVBoxLayout* layout = column(box, 10);
    auto* head = new QHBoxLayout();
    head->addWidget(headline(L("Kroky"), box), 0, Qt::AlignVCenter);
    head->addStretch(1);
    m_addButton = new QToolButton(box);
    m_addButton->setObjectName(QStringLiteral("addStep"));
    m_addButton->setText(L("Přidat krok"));
    m_addButton->setIcon(Symbols::icon(QStringLiteral("plus.circle.fill"), Theme::ember()));
    m_addButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_addButton->setAutoRaise(true);
    m_addButton->setPopupMode(QToolButton::InstantPopup);
    m_addButton->setCursor(Qt::PointingHandCursor);
    m_addMenu = new QMenu(m_addButton);
    for (WorkflowStep::Kind kind : allWorkflowStepKinds()) {
        QAction* action = m_addMenu->addAction(Symbols::icon(StepEditor::symbol(kind), Theme::secondary().on(this)), menuTitle(kind));
        connect(action, &QAction::triggered, this, [this, kind] { addStep(kind); });
    }
    m_addButton->setMenu(m_addMenu);
    head->addWidget(m_addButton, 0, Qt::AlignVCenter);
    layout->addLayout(head);

    m_hint = new Text(L("Přidej aspoň jeden krok. Provedou se shora dolů."), TextStyle::callout, box);
    m_hint->setColor(Theme::secondary());
    m_hint->setWrap(true);
    layout->addWidget(m_hint);

    m_stepList = new QVBoxLayout();
    m_stepList->setContentsMargins(0, 0, 0, 0);
    m_stepList->setSpacing(10);
    layout->addLayout(m_stepList);
    return box;
}

QWidget* WorkflowEditor::outputSection(QWidget* parent)
{
    auto* box = new QWidget(parent);
    QVBoxLayout* layout = column(box, 10);
    layout->addWidget(headline(L("Výsledek"), box));

    auto* formatRow = new QHBoxLayout();
    formatRow->setSpacing(8);
    formatRow->addWidget(new Text(L("Formát"), TextStyle::body, box));
    m_format = new QComboBox(box);
    m_format->setObjectName(QStringLiteral("format"));
    for (const auto& [tag, text] : formats())
        m_format->addItem(tag.isEmpty() ? L("Zachovat původní") : text, tag);
    connect(m_format, &QComboBox::activated, this, [this](int index) {
        m_workflow.format = m_format->itemData(index).toString();
        refreshOutput();
    });
    formatRow->addWidget(m_format);
    formatRow->addStretch(1);
    layout->addLayout(formatRow);

    m_qualityRow = new QWidget(box);
    auto* qualityLine = new QHBoxLayout(m_qualityRow);
    qualityLine->setContentsMargins(0, 0, 0, 0);
    qualityLine->setSpacing(8);
    qualityLine->addWidget(new Text(L("Kvalita"), TextStyle::body, m_qualityRow));
    m_quality = new QSlider(Qt::Horizontal, m_qualityRow);
    m_quality->setObjectName(QStringLiteral("quality"));
    m_quality->setRange(kQualityMin, kQualityMax);
    m_quality->setPageStep(2); // ten percent, as the sheets' quality sliders
    // Only the user moves it once built; code sets it with its signals blocked.
    connect(m_quality, &QSlider::valueChanged, this, [this](int twentieths) {
        m_workflow.quality = twentieths / 20.0;
        refreshOutput();
    });
    qualityLine->addWidget(m_quality, 1);
    m_qualityReadout = new Readout(TextStyle::body, m_qualityRow);
    m_qualityReadout->setObjectName(QStringLiteral("qualityReadout"));
    m_qualityReadout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_qualityReadout->setFixedWidth(48);
    qualityLine->addWidget(m_qualityReadout);
    layout->addWidget(m_qualityRow);

    m_strip = new QCheckBox(L("Smazat metadata a polohu"), box);
    m_strip->setObjectName(QStringLiteral("strip"));
    m_strip->setChecked(m_workflow.stripMetadata);
    connect(m_strip, &QCheckBox::clicked, this, [this](bool on) { m_workflow.stripMetadata = on; });
    layout->addWidget(m_strip);

    auto* note = new Text(L("Originály se nemění. Výsledky se uloží do výstupní složky."), TextStyle::caption, box);
    note->setColor(Theme::secondary());
    note->setWrap(true);
    layout->addWidget(note);

    const QSignalBlocker quietFormat(m_format);
    const QSignalBlocker quietQuality(m_quality);
    m_format->setCurrentIndex(m_format->findData(m_workflow.format)); // "webp": no item
    const double quality = std::isfinite(m_workflow.quality) ? m_workflow.quality : 1.0;
    m_quality->setValue(std::clamp(int(std::lround(quality * 20)), kQualityMin, kQualityMax));
    refreshOutput();
    return box;
}

bool WorkflowEditor::canSave() const
{
    return !m_workflow.name.trimmed().isEmpty() && !m_workflow.steps.isEmpty();
}

void WorkflowEditor::save()
{
    if (!canSave())
        return;
    m_workflow.name = m_workflow.name.trimmed();
    if (m_onSave)
        m_onSave(m_workflow);
    accept();
}

void WorkflowEditor::addStep(WorkflowStep::Kind kind)
{
    m_workflow.steps.append(WorkflowStep::make(kind));
    rebuildSteps();
}

void WorkflowEditor::move(const QUuid& stepId, int offset)
{
    QList<WorkflowStep>& steps = m_workflow.steps;
    const auto found = std::find_if(steps.begin(), steps.end(), [&](const WorkflowStep& s) { return s.id == stepId; });
    if (found == steps.end())
        return;
    const qsizetype index = found - steps.begin();
    const qsizetype target = index + offset;
    if (target < 0 || target >= steps.size())
        return;
    steps.swapItemsAt(index, target);
    rebuildSteps();
}

void WorkflowEditor::removeStep(const QUuid& stepId)
{
    m_workflow.steps.removeIf([&](const WorkflowStep& s) { return s.id == stepId; });
    rebuildSteps();
}

void WorkflowEditor::rebuildSteps()
{
    // A card may be the sender of the change that rebuilds it: it goes once the event is done.
    for (StepEditor* old : std::as_const(m_steps)) {
        m_stepList->removeWidget(old);
        old->hide();
        old->disconnect(this);
        old->deleteLater();
    }
    m_steps.clear();
    const QList<WorkflowStep>& steps = m_workflow.steps;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QUuid id = steps.at(i).id;
        auto* card = new StepEditor(steps.at(i), int(i) + 1, i > 0, i + 1 < steps.size(), m_hint->parentWidget());
        connect(card, &StepEditor::stepEdited, this, [this](const WorkflowStep& edited) {
            for (WorkflowStep& s : m_workflow.steps)
                if (s.id == edited.id)
                    s = edited;
        });
        connect(card, &StepEditor::moveRequested, this, [this, id](int offset) { move(id, offset); });
        connect(card, &StepEditor::removeRequested, this, [this, id] { removeStep(id); });
        m_stepList->addWidget(card);
        m_steps << card;
    }
    placeStepsInTabOrder();
    m_hint->setVisible(steps.isEmpty());
    refreshSave();
}

void WorkflowEditor::placeStepsInTabOrder()
{
    // Cards made after the buttons at the foot would come after them: Tab from "Uložit postup"
    // would land in the steps, and from the last step on the result's format. They go where they
    // stand, after "Přidat krok".
    QList<QWidget*> stops;
    for (QWidget* w = m_addButton->nextInFocusChain(); w != m_addButton; w = w->nextInFocusChain()) {
        const bool inStep = std::any_of(m_steps.cbegin(), m_steps.cend(), [w](const StepEditor* card) { return card->isAncestorOf(w); });
        if (inStep && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy())
            stops << w;
    }
    std::stable_sort(stops.begin(), stops.end(), [this](QWidget* a, QWidget* b) { return stepIndexOf(a) < stepIndexOf(b); });
    QWidget* previous = m_addButton;
    for (QWidget* stop : std::as_const(stops)) {
        setTabOrder(previous, stop);
        previous = stop;
    }
}

qsizetype WorkflowEditor::stepIndexOf(const QWidget* widget) const
{
    for (qsizetype i = 0; i < m_steps.size(); ++i)
        if (m_steps.at(i)->isAncestorOf(widget))
            return i;
    return m_steps.size();
}

void WorkflowEditor::refreshSymbols()
{
    for (QAbstractButton* button : std::as_const(m_symbolButtons)) {
        auto* tile = static_cast<SymbolTile*>(button);
        tile->setChecked(tile->symbol() == m_workflow.symbol); // a click may have toggled it
    }
}

void WorkflowEditor::refreshOutput()
{
    m_qualityRow->setVisible(showsQuality(m_workflow.format));
    const double percent = std::isfinite(m_workflow.quality) ? std::trunc(std::clamp(m_workflow.quality * 100, -1e15, 1e15)) : 0;
    m_qualityReadout->setText(Lf("%lld %%", qint64(percent)));
}

void WorkflowEditor::refreshSave()
{
    if (m_save)
        m_save->setEnabled(canSave());
}

void WorkflowEditor::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        save(); // an incomplete workflow swallows Return too
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Escape rejects
}

} // namespace kelvaro
