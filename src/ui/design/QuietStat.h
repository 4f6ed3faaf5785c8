#pragma once
// A quiet counter: a value and its label on one baseline, as the home screen's and the history's
// figures show them. Main thread; created by the screens that show figures.
#include <QWidget>

namespace kelvaro {

// One counter: the value (17 px, semibold) and its label (secondary) on one baseline.
class QuietStat : public QWidget {
    Q_OBJECT
public:
    QuietStat(const QString& value, const QString& label, QWidget* parent = nullptr);
    QString value() const { return m_value; }
    QString label() const { return m_label; }
    void setValue(const QString& value);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_value;
    QString m_label;
};

} // namespace kelvaro
