#include "ui/wheel/ResultBanner.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/LinkButton.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"

namespace kelvaro::wheel {

ResultBanner::ResultBanner(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 8, 14, 8);
    column->setSpacing(8);
    m_message = new ToneLabel(QString(), this);
    m_message->setFont(wheelFont(TextSize::callout));
    m_message->setWrapWidth(480);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setTextFormat(Qt::PlainText);
    column->addWidget(m_message);
    m_links = new QWidget(this);
    auto* row = new QHBoxLayout(m_links);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    m_reveal = new LinkButton(L("Zobrazit ve správci souborů"), TextStyle::caption, m_links);
    m_undo = new LinkButton(L("Vrátit"), TextStyle::caption, m_links);
    row->addWidget(m_reveal);
    row->addWidget(m_undo);
    column->addWidget(m_links, 0, Qt::AlignHCenter);
}

void ResultBanner::setMessage(const QString& message, bool isError, bool hasOutputs, bool hasUndo)
{
    m_message->setText(message);
    m_message->setTone([isError](const WheelPalette& p) { return isError ? p.rose : p.emberText; });
    m_links->setVisible(hasOutputs);
    m_undo->setVisible(hasOutputs && hasUndo);
}

void ResultBanner::setWrapWidth(int width)
{
    m_message->setWrapWidth(width);
}

QString ResultBanner::text() const
{
    return m_message->text();
}

void ResultBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF box(rect());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(WheelPalette::forWidget(this).emberText, 0.08));
    const qreal r = std::min(box.height() / 2, 18.0);
    painter.drawRoundedRect(box, r, r);
}

} // namespace kelvaro::wheel
