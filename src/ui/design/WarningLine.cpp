#include "ui/design/WarningLine.h"

#include <QHBoxLayout>

#include "ui/design/SymbolView.h"
#include "ui/design/Theme.h"

namespace kelvaro {

Text* addWarningLine(QHBoxLayout* row, QWidget* owner, TextStyle style)
{
    auto* mark = new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 12, owner);
    mark->setColor(Theme::rose());
    row->addWidget(mark, 0, Qt::AlignVCenter);
    auto* text = new Text(QString(), style, owner);
    text->setObjectName(QStringLiteral("message"));
    text->setColor(Theme::rose());
    text->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    text->setSizePolicy(policy);
    return text;
}

} // namespace kelvaro
