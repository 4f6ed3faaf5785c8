#pragma once
// One step of a workflow in the workflow editor: a card with the step's number, its kind and
// buttons to move it up, down or remove it, and below them the controls of that kind's
// parameters. The card edits its own copy of the step and reports every change the user makes;
// values put into the controls by code never write back, so a stored value that no control offers
// (a long edge of 1080, a brightness of 0.8) survives until the user moves that control. Fields
// of the other kinds are kept untouched. Main thread; created by the workflow editor, which builds
// the cards afresh whenever the order of the steps changes.
#include <functional>

#include <QWidget>

#include "model/Workflow.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

namespace kelvaro {

class DestructiveSymbolButton;
class Readout;
class SegmentedPicker;
class Text;
class ToolbarButton;

class StepEditor : public QWidget {
    Q_OBJECT
public:
    StepEditor(const WorkflowStep& step, int number, bool canMoveUp, bool canMoveDown, QWidget* parent = nullptr);

    const WorkflowStep& step() const { return m_step; }
    int number() const { return m_number; }

    // The symbol of a kind, the same in the editor's add menu.
    static QString symbol(WorkflowStep::Kind kind);
    // The long-edge items in pixels: 800 … 4000.
    static const QList<int>& longEdges();
    // A slider readout: "+20" from 1 up, else the plain number ("0", "-100").
    static QString readout(qint64 shown);
    // What the adjustment sliders show: −100 … +100, 0 at the neutral setting (truncated).
    static qint64 shownBrightness(double brightness);
    static qint64 shownContrast(double contrast);
    // The value stored for a readout of `shown`, which reads `shown` again.
    static double brightnessFor(qint64 shown);
    static double contrastFor(qint64 shown);

    // The controls, for tests; null when the step's kind has no such control.
    ToolbarButton* upButton() const { return m_up; }
    ToolbarButton* downButton() const { return m_down; }
    DestructiveSymbolButton* removeButton() const { return m_remove; }
    QSlider* brightnessSlider() const { return m_brightness; }
    QSlider* contrastSlider() const { return m_contrast; }
    Readout* brightnessReadout() const { return m_brightnessReadout; }
    Readout* contrastReadout() const { return m_contrastReadout; }
    QCheckBox* monoToggle() const { return m_mono; }
    SegmentedPicker* ratioPicker() const { return m_ratio; }
    QComboBox* longEdgePicker() const { return m_longEdge; }
    QLineEdit* textField() const { return m_text; }
    QComboBox* positionPicker() const { return m_position; }
    QSlider* opacitySlider() const { return m_opacity; }
    QSlider* sizeSlider() const { return m_size; }

Q_SIGNALS:
    void stepEdited(const WorkflowStep& step);
    void moveRequested(int offset); // -1 up, +1 down
    void removeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* header(bool canMoveUp, bool canMoveDown);
    QWidget* parameters();
    QWidget* adjustControls();
    QWidget* watermarkControls();
    QWidget* cropControls();
    QWidget* resizeControls();
    QWidget* note(const char* czech);
    // A row of a label 86 wide, a slider over positions [minimum, maximum] at `position` and, when
    // `readout` is given, the readout 40 wide; `write` takes the position the user moved to. An
    // arrow key moves the slider `arrow` positions, Page Up/Down ten times that.
    QSlider* labeledSlider(QWidget* parent, const QString& label, int minimum, int maximum, int position, int arrow,
                           std::function<void(int)> write, Readout** readout);
    // A slider without a readout over [min, max] in a thousand positions; an arrow moves it a
    // hundredth of the range.
    QSlider* continuousSlider(QWidget* parent, const QString& label, double value, double min, double max,
                              std::function<void(double)> write);
    void edited();
    void refreshReadouts();

    WorkflowStep m_step;
    int m_number;
    ToolbarButton* m_up = nullptr;
    ToolbarButton* m_down = nullptr;
    DestructiveSymbolButton* m_remove = nullptr;
    QSlider* m_brightness = nullptr;
    QSlider* m_contrast = nullptr;
    Readout* m_brightnessReadout = nullptr;
    Readout* m_contrastReadout = nullptr;
    QCheckBox* m_mono = nullptr;
    SegmentedPicker* m_ratio = nullptr;
    QComboBox* m_longEdge = nullptr;
    QLineEdit* m_text = nullptr;
    QComboBox* m_position = nullptr;
    QSlider* m_opacity = nullptr;
    QSlider* m_size = nullptr;
};

} // namespace kelvaro
