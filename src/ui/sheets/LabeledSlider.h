#pragma once
// A slider row of the tool sheets: an optional title, an integer QSlider and an optional readout.
// The slider's positions 0, 1, … stand for the exact values first, first + step, … last, counted
// in whole units (percent, thousandths) and divided by `divisor` only when read as a fraction,
// so no position lies between two steps and a readout such as "85 %" never drifts. An arrow key
// moves the slider by one unit as the user reads it (`shown`), never by less than a step, and
// Page Up/Down by ten. Main thread; created by the sheets.
#include <functional>
#include <optional>

#include <QWidget>

class QSlider;

namespace kelvaro {

class Readout;
class Text;

class LabeledSlider : public QWidget {
    Q_OBJECT
public:
    struct Steps {
        int first = 0;
        int step = 1;
        int last = 100;
        int divisor = 1; // value() = units() / divisor
        // Units in one unit the user reads: a readout's 1; on a slider that shows no number, about a
        // hundredth of its range.
        int shown = 1;
        // Where a readout that truncates towards zero reads 0, in units; none when every position
        // reads a whole unit. A dragged position between two readouts is then moved by the keys
        // to the readout one (or ten) away from the one it shows, never to one that shows the same.
        std::optional<int> readoutZero = std::nullopt;
    };

    // `title` is Czech and looked up; empty shows none.
    LabeledSlider(const QString& title, Steps steps, QWidget* parent = nullptr);

    int units() const;
    double value() const;
    // Moves to the step nearest `units` within the range; emits nothing when that is where it is.
    void setUnits(int units);

    // A fixed title column (the crop sheet's 86 px); the title's own width otherwise.
    void setTitleWidth(int width);
    // Shows the text of the units in a 52-px column at the right, updated with every move.
    void setReadout(std::function<QString(int units)> readout);

    QSlider* slider() const { return m_slider; }
    Text* titleText() const { return m_title; }
    Readout* readoutText() const { return m_readout; }
    const Steps& steps() const { return m_steps; }

Q_SIGNALS:
    void unitsChanged(int units);

private:
    void refreshReadout();
    // After a key's step (a QAbstractSlider action), moves to the readout it asks for.
    void snapToReadout(int action);

    Steps m_steps;
    QSlider* m_slider = nullptr;
    Text* m_title = nullptr;
    Readout* m_readout = nullptr;
    std::function<QString(int)> m_readoutText;
};

} // namespace kelvaro
