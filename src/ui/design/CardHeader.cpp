#include "ui/design/CardHeader.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kelvaro {

CardHeader::CardHeader(const QString& title, const std::optional<QString>& subtitle,
                       const std::optional<QString>& actionTitle, std::function<void()> action, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto* column = new QVBoxLayout();
    column->setSpacing(2);
    column->setContentsMargins(0, 0, 0, 0);
    auto* titleText = new Text(title, TextStyle::cardTitle, this);
    titleText->setObjectName(QStringLiteral("title"));
    titleText->setElide(Qt::ElideRight);
    column->addWidget(titleText);
    if (subtitle) {
        m_subtitle = new Text(*subtitle, TextStyle::caption, this);
        m_subtitle->setObjectName(QStringLiteral("subtitle"));
        m_subtitle->setColor(Theme::secondary());
        m_subtitle->setElide(Qt::ElideRight);
        column->addWidget(m_subtitle);
    }
    row->addLayout(column, 1);
    if (actionTitle && action) {
        m_action = new LinkButton(*actionTitle, TextStyle::caption, this);
        m_action->setObjectName(QStringLiteral("action"));
        connect(m_action, &QAbstractButton::clicked, this, [action] { action(); });
        row->addWidget(m_action, 0, Qt::AlignTop);
    }
}

} // namespace kelvaro
