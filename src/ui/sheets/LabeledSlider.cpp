#include "ui/sheets/LabeledSlider.h"

#include <cmath>

#include <QHBoxLayout>
#include <QSlider>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Readout.h"

namespace kelvaro {

LabeledSlider::LabeledSlider(const QString& title, Steps steps, QWidget* parent) : QWidget(parent), m_steps(steps)
{
    m_steps.step = qMax(1, m_steps.step);
    m_steps.last = qMax(m_steps.first, m_steps.last);
    m_steps.divisor = qMax(1, m_steps.divisor);
    m_steps.shown = qMax(1, m_steps.shown);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    if (!title.isEmpty()) {
        m_title = new Text(L(title), TextStyle::callout, this);
        m_title->setElide(Qt::ElideRight);
        row->addWidget(m_title);
    }
    m_slider = new QSlider(Qt::Horizontal, this);
    const int positions = (m_steps.last - m_steps.first) / m_steps.step;
    m_slider->setRange(0, positions);
    // Counted in positions: a shown unit finer than a step (5 % of a percent slider) is one step.
    const int arrow = qMax(1, m_steps.shown / m_steps.step);
    m_slider->setSingleStep(arrow);
    m_slider->setPageStep(qMax(arrow, 10 * m_steps.shown / m_steps.step));
    m_slider->setAccessibleName(m_title ? m_title->text() : QString());
    row->addWidget(m_slider, 1);
    if (m_steps.readoutZero && m_steps.shown > m_steps.step)
        connect(m_slider, &QAbstractSlider::actionTriggered, this, [this](int action) { snapToReadout(action); });
    connect(m_slider, &QSlider::valueChanged, this, [this] {
        refreshReadout();
        Q_EMIT unitsChanged(units());
    });
}

int LabeledSlider::units() const
{
    return m_steps.first + m_slider->value() * m_steps.step;
}

double LabeledSlider::value() const
{
    return double(units()) / m_steps.divisor;
}

void LabeledSlider::setUnits(int units)
{
    const double position = double(units - m_steps.first) / m_steps.step;
    m_slider->setValue(qBound(0, int(std::lround(position)), m_slider->maximum()));
}

void LabeledSlider::snapToReadout(int action)
{
    int readouts = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: readouts = 1; break;
    case QAbstractSlider::SliderSingleStepSub: readouts = -1; break;
    case QAbstractSlider::SliderPageStepAdd: readouts = 10; break;
    case QAbstractSlider::SliderPageStepSub: readouts = -10; break;
    default: return;
    }
    // Counted from the value before the action: its readout, truncated towards zero as it shows.
    const int zero = *m_steps.readoutZero;
    const int shownNow = (units() - zero) / m_steps.shown;
    const int target = zero + (shownNow + readouts) * m_steps.shown;
    const double position = double(target - m_steps.first) / m_steps.step;
    m_slider->setSliderPosition(qBound(0, int(std::lround(position)), m_slider->maximum()));
}

void LabeledSlider::setTitleWidth(int width)
{
    if (m_title)
        m_title->setFixedWidth(width);
}

void LabeledSlider::setReadout(std::function<QString(int)> readout)
{
    m_readoutText = std::move(readout);
    if (!m_readout) {
        m_readout = new Readout(TextStyle::body, this);
        m_readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_readout->setFixedWidth(52);
        layout()->addWidget(m_readout);
    }
    refreshReadout();
}

void LabeledSlider::refreshReadout()
{
    if (m_readout && m_readoutText)
        m_readout->setText(m_readoutText(units()));
}

} // namespace kelvaro
