#pragma once
// A quiet counter: a value and its label on one baseline, as the home screen's and the history's
// figures show them. The value's digits stand in cells of one width, so a count that changes
// keeps its place, and a new value rolls in from below, each changed digit by itself. Main
// thread; created by the screens that show figures.
#include <QWidget>

class QVariantAnimation;

namespace kelvaro {

// One counter: the value (17 px, semibold) and its label (secondary) on one baseline.
class QuietStat : public QWidget {
    Q_OBJECT
public:
    QuietStat(const QString& value, const QString& label, QWidget* parent = nullptr);
    QString value() const { return m_value; }
    QString label() const { return m_label; }
    // A visible counter rolls to the new value; a hidden one takes it at once.
    void setValue(const QString& value);
    bool isRolling() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_value;
    QString m_previous; // what rolls out while the value rolls in
    QString m_label;
    QVariantAnimation* m_roll;
    double m_rolled = 1; // 0 when the roll starts, 1 once the new value stands
};

} // namespace kelvaro
