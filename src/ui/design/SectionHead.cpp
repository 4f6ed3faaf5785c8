#include "ui/design/SectionHead.h"

#include "ui/design/DesignSystem.h"
#include "ui/design/Text.h"
#include "ui/design/Theme.h"

namespace kelvaro {

SectionHead::SectionHead(const QString& title, const std::optional<QString>& actionTitle, std::function<void()> action,
                         QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("sectionHead"));
    m_title = new Text(title, TextStyle::cardTitle, this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setElide(Qt::ElideRight);
    if (actionTitle && action) {
        m_action = new LinkButton(*actionTitle, TextStyle::callout, this);
        m_action->setObjectName(QStringLiteral("action"));
        connect(m_action, &QAbstractButton::clicked, this, [action] { action(); });
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SectionHead::sizeHint() const
{
    const QSize title = m_title->sizeHint();
    const int link = m_action ? m_action->sizeHint().width() + 8 : 0;
    return {title.width() + link, qMax(title.height(), m_action ? m_action->sizeHint().height() : 0)};
}

QSize SectionHead::minimumSizeHint() const
{
    return {m_action ? m_action->sizeHint().width() + 48 : 40, sizeHint().height()};
}

void SectionHead::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Title and link share the first baseline.
    const QFontMetrics titleMetrics(Theme::font(TextStyle::cardTitle));
    const int baseline = titleMetrics.ascent();
    int titleWidth = width();
    if (m_action) {
        const QSize link = m_action->sizeHint();
        const QFontMetrics linkMetrics(Theme::font(TextStyle::callout, QFont::Medium));
        const int linkTop = baseline - linkMetrics.ascent() - (link.height() - linkMetrics.height()) / 2;
        m_action->setGeometry(width() - link.width(), linkTop, link.width(), link.height());
        titleWidth = width() - link.width() - 8;
    }
    m_title->setGeometry(0, 0, qMax(0, titleWidth), titleMetrics.height());
}

} // namespace kelvaro
