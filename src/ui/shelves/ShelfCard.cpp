#include "ui/shelves/ShelfCard.h"

#include <QPainter>
#include <QPainterPath>

#include "l10n/Localization.h"
#include "ui/design/FocusRing.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

constexpr int kPadX = 10;
constexpr int kPadY = 7;
constexpr int kSymbolBox = 18;
constexpr int kGap = 10;

} // namespace

ShelfCard::ShelfCard(const Shelf& shelf, bool selected, QWidget* parent)
    : QAbstractButton(parent), m_shelf(shelf), m_selected(selected)
{
    setObjectName(QStringLiteral("shelfCard"));
    setAccessibleName(shelf.name);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor ShelfCard::symbolColor() const
{
    return Theme::paletteColor(m_shelf.colorIndex);
}

qint64 ShelfCard::shownCount() const
{
    return qMax<qint64>(0, m_shelf.fileCount) + m_shelf.items.size();
}

QSize ShelfCard::sizeHint() const
{
    const int text = qMax(QFontMetrics(Theme::font(TextStyle::callout)).height(), 16);
    return {200, text + 2 * kPadY};
}

QSize ShelfCard::minimumSizeHint() const
{
    return {80, sizeHint().height()};
}

void ShelfCard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    if (m_selected || isDown()) {
        QPainterPath back;
        back.addRoundedRect(QRectF(rect()), 7, 7);
        p.fillPath(back, Theme::primaryAt(dark, m_selected ? 0.08 : 0.05));
    }
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
    }
    const QRect inner = rect().adjusted(kPadX, kPadY, -kPadX, -kPadY);
    const qreal glyph = 13;
    Symbols::paint(p, QRectF(inner.left() + (kSymbolBox - glyph) / 2, inner.center().y() - glyph / 2 + 0.5, glyph, glyph),
                   m_shelf.symbol, symbolColor(), 1.1);

    const QFont caption = Theme::font(TextStyle::caption);
    const QString count = QString::number(shownCount());
    const int countWidth = QFontMetrics(caption).horizontalAdvance(count);
    p.setFont(caption);
    p.setPen(Theme::secondary().resolve(dark));
    p.drawText(QRect(inner.right() - countWidth + 1, inner.top(), countWidth, inner.height()), Qt::AlignRight | Qt::AlignVCenter, count);

    const QFont nameFont = Theme::font(TextStyle::callout);
    const int nameLeft = inner.left() + kSymbolBox + kGap;
    const int nameWidth = qMax(0, inner.right() - countWidth - 4 - nameLeft);
    p.setFont(nameFont);
    p.setPen(Theme::primary().resolve(dark));
    p.drawText(QRect(nameLeft, inner.top(), nameWidth, inner.height()), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(nameFont).elidedText(m_shelf.name, Qt::ElideRight, nameWidth));
}

} // namespace kelvaro
