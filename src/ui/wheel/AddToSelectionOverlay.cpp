#include "ui/wheel/AddToSelectionOverlay.h"

#include <QPainter>

#include "l10n/Localization.h"
#include "ui/design/Motion.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

AddToSelectionOverlay::AddToSelectionOverlay(QWidget* parent)
    : QWidget(parent)
    , m_fade(easeOutAnimation(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_opacity = v.toDouble();
        update();
    });
    connect(m_fade, &QAbstractAnimation::finished, this, [this] {
        if (!m_in)
            hide();
    });
}

void AddToSelectionOverlay::setIn(bool in)
{
    if (in == m_in)
        return;
    m_in = in;
    m_fade->stop();
    if (in) {
        show();
        raise();
    }
    if (!parentWidget()->isVisible()) {
        m_opacity = in ? 1 : 0;
        setVisible(in);
        return;
    }
    m_fade->setStartValue(m_opacity);
    m_fade->setEndValue(in ? 1.0 : 0.0);
    m_fade->start();
}

void AddToSelectionOverlay::paintEvent(QPaintEvent*)
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(withAlpha(palette.ember, 0.1));
    painter.drawRoundedRect(box, 20, 20);
    QPen dash(palette.ember, 2);
    dash.setDashPattern({8 / 2.0, 6 / 2.0});
    painter.setPen(dash);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 19, 19);
    const QFont font = wheelFont(TextSize::headline, QFont::DemiBold);
    const QFontMetricsF m(font);
    const QString text = L("Přidat do výběru");
    const double icon = 16;
    const double w = icon + 6 + m.horizontalAdvance(text);
    const QPointF c = box.center();
    // The label lies over the wheel: a card-coloured pill keeps it readable.
    const QRectF pill(c.x() - w / 2 - 14, c.y() - m.height() / 2 - 8, w + 28, m.height() + 16);
    paintCapsule(painter, pill, palette.cardFill);
    painter.setPen(QPen(withAlpha(palette.ember, 0.5), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), pill.height() / 2, pill.height() / 2);
    drawSymbol(painter, QStringLiteral("plus.circle.fill"), QRectF(c.x() - w / 2, c.y() - icon / 2, icon, icon),
               palette.emberText);
    painter.setFont(font);
    painter.setPen(palette.emberText);
    painter.drawText(QRectF(c.x() - w / 2 + icon + 6, c.y() - m.height() / 2, w, m.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

} // namespace kelvaro::wheel
