#include "ui/main/StatusNotice.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QPainter>

#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/WarningLine.h"

namespace kelvaro {

// The rounded rose tint behind the message, as the wheel's status line draws an error.
class StatusNotice::Capsule : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::rose();
        fill.setAlphaF(0.12);
        const QRectF box(rect());
        const qreal radius = std::min(box.height() / 2, 18.0);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(box, radius, radius);
    }
};

StatusNotice::StatusNotice(KelvaroStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("statusNotice"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 8, 24, 14);
    m_capsule = new Capsule(this);
    m_capsule->setMaximumWidth(640);
    auto* inside = new QHBoxLayout(m_capsule);
    inside->setContentsMargins(14, 7, 14, 7);
    inside->setSpacing(6);
    m_text = addWarningLine(inside, m_capsule, TextStyle::callout);
    inside->addWidget(m_text, 1, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_capsule);
    row->addStretch(1);
    hide();

    connect(&m_store, &KelvaroStore::errorReported, this, &StatusNotice::showReported);
    connect(&m_store, &KelvaroStore::statusMessageChanged, this, &StatusNotice::dropIfStale);
    connect(&m_store, &KelvaroStore::statusIsErrorChanged, this, &StatusNotice::dropIfStale);
}

void StatusNotice::setScreenShowsStatus(bool shows)
{
    m_screenShowsStatus = shows;
    m_text->setText(QString());
    hide();
    Q_EMIT shownChanged();
}

QString StatusNotice::text() const
{
    return isHidden() ? QString() : m_text->text();
}

void StatusNotice::showReported()
{
    if (m_screenShowsStatus || !m_store.statusMessage())
        return;
    m_text->setText(*m_store.statusMessage());
    show();
    Q_EMIT shownChanged();
}

void StatusNotice::dropIfStale()
{
    // The status has moved on; what it said before is no longer the store's word.
    if (!m_store.statusIsError() || m_store.statusMessage() != m_text->text()) {
        hide();
        Q_EMIT shownChanged();
    }
}

} // namespace kelvaro
