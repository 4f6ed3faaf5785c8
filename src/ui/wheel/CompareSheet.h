#pragma once
// The before/after comparison of a result with the input it was made from: both pictures on top
// of each other, split by a line the user drags (left of it the original, right the result),
// and a footer with both file sizes and the change in percent. Both files are decoded in the
// thread pool at the size shown; a file that cannot be read shows "Náhled není k dispozici"
// instead of a spinner. Touches no store. Window-modal dialog of 720 × 560; main thread.
#include <optional>

#include <QDialog>
#include <QImage>

#include "ui/wheel/WheelStore.h"


namespace kelvaro::wheel {

class ToneLabel;

// The change from `before` to `after` bytes in whole percent, halves away from zero; 0 when
// `before` is below 1.
qint64 changePercent(qint64 before, qint64 after);
// "-50 %", "0 %" (both teal) or "+1 %" (rose).
QString changeText(qint64 percent);

// The picture area: the result, the original masked to the left of the split, the handle and
// the two tags, "Před" and "Po" in every interface language.
class CompareView : public QWidget {
    Q_OBJECT
public:
    enum class State { loading, ready, failed };

    explicit CompareView(QWidget* parent = nullptr);
    void setImage(bool before, State state, const QImage& image = QImage());
    State state(bool before) const { return before ? m_beforeState : m_afterState; }
    double split() const { return m_split; }
    void setSplit(double split);
    // The split for a pointer at x, clamped to 0…1.
    double splitFor(double x) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Draws a picture fitted into `area`, or its placeholder centred in `visible` (the part of
    // the area that shows it).
    void paintPicture(QPainter& painter, State state, const QImage& image, const QRectF& area,
                      const QRectF& visible) const;
    double m_split = 0.5;
    State m_beforeState = State::loading;
    State m_afterState = State::loading;
    QImage m_before;
    QImage m_after;
    int m_spinPhase = 0;
};

class CompareSheet : public QDialog {
    Q_OBJECT
public:
    explicit CompareSheet(const std::optional<ComparePair>& pair, QWidget* parent = nullptr);

    CompareView* view() const { return m_view; }
    QString footerText() const;   // the footer's texts joined by spaces, for tests
    QString changeLabelText() const;
    QColor changeColor() const;
    // Waits (running the event loop) until both decodes have ended; for tests.
    bool waitForImages(int timeoutMs = 5000);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void load(bool before, const QString& path);
    std::optional<ComparePair> m_pair;
    CompareView* m_view = nullptr;
    ToneLabel* m_beforeSize = nullptr;
    ToneLabel* m_afterSize = nullptr;
    ToneLabel* m_change = nullptr;
    bool m_changeGrew = false;
    int m_pending = 0;
};

} // namespace kelvaro::wheel
