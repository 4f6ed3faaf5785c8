#pragma once
// The sheet in which the user builds or changes one workflow: its name and symbol, its steps
// (each in a StepEditor card: added from a menu, moved, removed, edited in place) and its output
// (format, quality, metadata). It works on its own copy of the workflow and hands that copy, with
// the name trimmed, to `onSave` only when the user saves; cancelling drops it. Stored values that
// no control offers (a format such as "webp", a symbol outside the ten) are shown without a choice
// and kept until the user picks another. A window-modal dialog, 540 wide; main thread; created by
// the workflows screen for each opening.
#include <functional>

#include <QDialog>
#include <QUuid>

#include "model/Workflow.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QSlider;
class QToolButton;
class QVBoxLayout;

namespace kelvaro {

class KelvaroButton;
class Readout;
class StepEditor;
class Text;

class WorkflowEditor : public QDialog {
    Q_OBJECT
public:
    using OnSave = std::function<void(const Workflow&)>;

    static constexpr int sheetWidth = 540;
    static constexpr int scrollHeight = 440;

    WorkflowEditor(const Workflow& workflow, bool isNew, OnSave onSave, QWidget* parent = nullptr);

    // The ten symbols offered for a workflow, in order.
    static const QStringList& symbols();
    // The output formats offered: stored value and item text ("" is "Zachovat původní").
    static const QList<QPair<QString, QString>>& formats();

    const Workflow& workflow() const { return m_workflow; }
    // A name with something but whitespace, and at least one step.
    bool canSave() const;
    // What "Uložit postup" and Return do: trims the name, hands the workflow over and closes.
    void save();
    void addStep(WorkflowStep::Kind kind);
    // Exchanges the step with its neighbour `offset` away; nothing when that leaves the list.
    void move(const QUuid& stepId, int offset);
    void removeStep(const QUuid& stepId);

    // The pieces, for tests and the gallery.
    Text* titleText() const { return m_title; }
    QLineEdit* nameField() const { return m_name; }
    QList<QAbstractButton*> symbolButtons() const { return m_symbolButtons; }
    QMenu* addMenu() const { return m_addMenu; }
    Text* emptyHint() const { return m_hint; }
    QList<StepEditor*> stepEditors() const { return m_steps; }
    QComboBox* formatPicker() const { return m_format; }
    QWidget* qualityRow() const { return m_qualityRow; }
    QSlider* qualitySlider() const { return m_quality; }
    Readout* qualityReadout() const { return m_qualityReadout; }
    QCheckBox* stripToggle() const { return m_strip; }
    KelvaroButton* saveButton() const { return m_save; }
    KelvaroButton* cancelButton() const { return m_cancel; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* identity(QWidget* parent);
    QWidget* stepsSection(QWidget* parent);
    QWidget* outputSection(QWidget* parent);
    void rebuildSteps();
    void placeStepsInTabOrder();
    qsizetype stepIndexOf(const QWidget* widget) const;
    void refreshSymbols();
    void refreshOutput();
    void refreshSave();

    Workflow m_workflow;
    OnSave m_onSave;
    Text* m_title = nullptr;
    QLineEdit* m_name = nullptr;
    QList<QAbstractButton*> m_symbolButtons;
    QToolButton* m_addButton = nullptr;
    QMenu* m_addMenu = nullptr;
    Text* m_hint = nullptr;
    QVBoxLayout* m_stepList = nullptr;
    QList<StepEditor*> m_steps;
    QComboBox* m_format = nullptr;
    QWidget* m_qualityRow = nullptr;
    QSlider* m_quality = nullptr;
    Readout* m_qualityReadout = nullptr;
    QCheckBox* m_strip = nullptr;
    KelvaroButton* m_save = nullptr;
    KelvaroButton* m_cancel = nullptr;
};

} // namespace kelvaro
