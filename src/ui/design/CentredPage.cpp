#include "ui/design/CentredPage.h"

#include <QHBoxLayout>
#include <QScrollArea>

namespace kelvaro {

QWidget* installCentredColumn(QScrollArea* area, const QString& name, int maxWidth)
{
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    area->setAutoFillBackground(false);

    auto* page = new QWidget(area);
    page->setAutoFillBackground(false);
    auto* centre = new QHBoxLayout(page);
    centre->setContentsMargins(0, 0, 0, 0);
    centre->setSpacing(0);
    auto* column = new QWidget(page);
    column->setObjectName(name);
    column->setMaximumWidth(maxWidth);
    column->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    centre->addStretch(0);
    centre->addWidget(column, 1);
    centre->addStretch(0);
    area->setWidget(page);
    return column;
}

} // namespace kelvaro
