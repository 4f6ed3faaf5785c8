#include "ui/watch/WatchRecipeGrid.h"

#include <QEasingCurve>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QVariantAnimation>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/FocusRing.h"
#include "ui/design/DesignSystem.h"

namespace kelvaro {
namespace {

constexpr qreal kRadius = 16;
constexpr qreal kOutlineWidth = 1.5;

QPainterPath rounded(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

// ---- WatchRecipeCard ------------------------------------------------------------------------------

WatchRecipeCard::WatchRecipeCard(const WatchRecipe& recipe, QWidget* parent)
    : QAbstractButton(parent), m_recipe(recipe), m_animation(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("recipe-") + recipe.id);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(L(recipe.title));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    const QColor tint = WatchRecipeGrid::color(recipe.color);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    row->addWidget(new IconBadge(recipe.symbol, tint, 42, false, this), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    // Data texts: looked up, and shown as stored when the table has no entry.
    auto* title = new Text(L(recipe.title), TextStyle::callout, this);
    title->setObjectName(QStringLiteral("title"));
    title->setStyle(TextStyle::callout, QFont::DemiBold);
    title->setElide(Qt::ElideRight);
    texts->addWidget(title);
    auto* subtitle = new Text(L(recipe.subtitle), TextStyle::caption, this);
    subtitle->setObjectName(QStringLiteral("subtitle"));
    subtitle->setColor(Theme::secondary());
    subtitle->setWrap(true);
    QSizePolicy grows(QSizePolicy::Preferred, QSizePolicy::Minimum);
    grows.setHeightForWidth(true);
    subtitle->setSizePolicy(grows);
    texts->addWidget(subtitle);
    row->addLayout(texts, 1);
    auto* plus = new SymbolView(QStringLiteral("plus.circle.fill"), 20, this);
    plus->setColor(tint);
    row->addWidget(plus, 0, Qt::AlignVCenter);
    // The pieces only draw: the card under them takes every click and hover.
    for (QWidget* child : findChildren<QWidget*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_animation->setDuration(150);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_outline = value.toReal();
        update();
    });
}

QSize WatchRecipeCard::sizeHint() const
{
    const QSize hint = layout()->sizeHint();
    return {hint.width(), heightForWidth(hint.width())};
}

QSize WatchRecipeCard::minimumSizeHint() const
{
    // Narrower than a column, so a grid can always fall back to fewer columns.
    return {160, heightForWidth(160)};
}

bool WatchRecipeCard::hasHeightForWidth() const
{
    return true;
}

int WatchRecipeCard::heightForWidth(int width) const
{
    return layout()->totalHeightForWidth(width);
}

void WatchRecipeCard::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    const QRectF area(rect());
    p.fillPath(rounded(area, kRadius), Theme::cardFill().resolve(dark));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Card::borderColor(dark), 1));
    p.drawPath(rounded(area.adjusted(0.5, 0.5, -0.5, -0.5), kRadius - 0.5));
    if (m_outline > 0) {
        QColor outline = WatchRecipeGrid::color(m_recipe.color);
        outline.setAlphaF(float(0.6 * m_outline));
        const qreal half = kOutlineWidth / 2;
        p.setPen(QPen(outline, kOutlineWidth));
        p.drawPath(rounded(area.adjusted(half, half, -half, -half), kRadius - half));
    }
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawPath(rounded(area.adjusted(1, 1, -1, -1), kRadius - 1));
    }
}

void WatchRecipeCard::enterEvent(QEnterEvent* event)
{
    if (isEnabled())
        animateOutline(1);
    QAbstractButton::enterEvent(event);
}

void WatchRecipeCard::leaveEvent(QEvent* event)
{
    animateOutline(0);
    QAbstractButton::leaveEvent(event);
}

void WatchRecipeCard::animateOutline(qreal to)
{
    m_animation->stop();
    m_animation->setStartValue(m_outline);
    m_animation->setEndValue(to);
    m_animation->start();
}

// ---- WatchRecipeGrid ------------------------------------------------------------------------------

WatchRecipeGrid::WatchRecipeGrid(bool isEmpty, std::function<void(const WatchRecipe&)> onPick, QWidget* parent)
    : QWidget(parent), m_isEmpty(isEmpty)
{
    setObjectName(QStringLiteral("watchRecipeGrid"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    for (const WatchRecipe& recipe : WatchRecipe::all()) {
        auto* card = new WatchRecipeCard(recipe, this);
        connect(card, &QAbstractButton::clicked, this, [onPick, recipe] {
            if (onPick)
                onPick(recipe);
        });
        m_cards << card;
    }
    setEmpty(isEmpty);
}

QColor WatchRecipeGrid::color(WatchRecipe::Color color)
{
    switch (color) {
    case WatchRecipe::Color::violet: return Theme::violet();
    case WatchRecipe::Color::teal: return Theme::teal();
    case WatchRecipe::Color::rose: return Theme::rose();
    case WatchRecipe::Color::gold: return Theme::gold();
    }
    return Theme::violet();
}

int WatchRecipeGrid::columns(int width)
{
    return qMax(1, (width + spacing) / (minColumnWidth + spacing));
}

void WatchRecipeGrid::setEmpty(bool isEmpty)
{
    if (m_header && isEmpty == m_isEmpty)
        return;
    m_isEmpty = isEmpty;
    delete m_header;
    m_header = new CardHeader(title(), L("Klepni na nápad a jen vyber složku, kterou má Kelvaro hlídat"), std::nullopt, {},
                              this);
    m_header->setObjectName(QStringLiteral("header"));
    m_header->show();
    arrange(width(), true);
    updateGeometry();
}

QString WatchRecipeGrid::title() const
{
    return m_isEmpty ? L("Začni nápadem") : L("Další nápady");
}

QSize WatchRecipeGrid::sizeHint() const
{
    const int width = 3 * minColumnWidth + 2 * spacing;
    return {width, heightForWidth(width)};
}

int WatchRecipeGrid::heightForWidth(int width) const
{
    return arrange(width, false);
}

void WatchRecipeGrid::resizeEvent(QResizeEvent* event)
{
    arrange(event->size().width(), true);
    QWidget::resizeEvent(event);
}

int WatchRecipeGrid::arrange(int width, bool apply) const
{
    // Columns of equal width, however long their texts are; each row as high as its highest card.
    const int count = columns(width);
    const int columnWidth = qMax(1, (width - (count - 1) * spacing) / count);
    const int headerHeight = m_header->sizeHint().height();
    if (apply) {
        m_header->setGeometry(0, 0, width, headerHeight);
        m_columns = count;
    }
    int y = headerHeight + 12;
    for (qsizetype first = 0; first < m_cards.size(); first += count) {
        const qsizetype last = qMin(m_cards.size(), first + count);
        int rowHeight = 0;
        for (qsizetype i = first; i < last; ++i)
            rowHeight = qMax(rowHeight, m_cards.at(i)->heightForWidth(columnWidth));
        if (apply) {
            for (qsizetype i = first; i < last; ++i)
                m_cards.at(i)->setGeometry(int(i - first) * (columnWidth + spacing), y, columnWidth, rowHeight);
        }
        y += rowHeight + (last < m_cards.size() ? spacing : 0);
    }
    return y;
}

} // namespace kelvaro
