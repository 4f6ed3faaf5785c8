#include "ui/guide/GuideCards.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "store/KelvaroStore.h"
#include "ui/design/ModeSwitcher.h"
#include "ui/guide/AdaptiveGridLayout.h"

namespace kelvaro {
namespace {

constexpr int kCardRadius = 16;
constexpr int kCardPadding = 20;

QVBoxLayout* cardColumn(QWidget* card, int spacing)
{
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(kCardPadding, kCardPadding, kCardPadding, kCardPadding);
    column->setSpacing(spacing);
    return column;
}

Text* strong(const QString& text, QWidget* parent)
{
    auto* label = guideParagraph(text, TextStyle::callout, parent);
    label->setStyle(TextStyle::callout, QFont::DemiBold);
    label->setColor(Theme::primary());
    return label;
}

// A widget holding `layout` whose height follows its width (the layout's wrapped texts).
QWidget* holder(QLayout* layout, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    widget->setLayout(layout);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    widget->setSizePolicy(policy);
    return widget;
}

} // namespace

Text* guideParagraph(const QString& text, TextStyle style, QWidget* parent)
{
    auto* label = new Text(text, style, parent);
    label->setColor(Theme::secondary());
    label->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    label->setSizePolicy(policy);
    return label;
}

// ---- ActionGuideRow -----------------------------------------------------------------------------

ActionGuideRow::ActionGuideRow(const WheelAction& action, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("action-") + action.key);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);
    row->addWidget(new IconBadge(action.symbol, Theme::violet(), 30, false, this), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout();
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(3);
    auto* titleLine = new QHBoxLayout();
    titleLine->setContentsMargins(0, 0, 0, 0);
    titleLine->setSpacing(6);
    auto* name = new Text(L(action.key), TextStyle::callout, this);
    name->setStyle(TextStyle::callout, QFont::DemiBold);
    titleLine->addWidget(name, 0, Qt::AlignVCenter);
    const QString detail = action.detail();
    if (!detail.isEmpty()) {
        m_detail = new Text(detail, TextStyle::caption, this);
        m_detail->setObjectName(QStringLiteral("detail"));
        m_detail->setColor(Theme::secondary());
        m_detail->setElide(Qt::ElideRight);
        m_detail->setMinimumWidth(0);
        m_detail->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        titleLine->addWidget(m_detail, 1, Qt::AlignVCenter);
    } else {
        titleLine->addStretch(1);
    }
    texts->addLayout(titleLine);
    auto* explanation = guideParagraph(L(GuideContent::rawExplanation(action)), TextStyle::callout, this);
    explanation->setObjectName(QStringLiteral("explanation"));
    texts->addWidget(explanation);
    row->addLayout(texts, 1);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ActionGuideRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 12, 12);
    p.fillPath(path, Theme::primaryAt(this, 0.04));
}

// ---- WheelGuideCard -----------------------------------------------------------------------------

WheelGuideCard::WheelGuideCard(KelvaroStore& store, WheelMode mode, QWidget* parent) : Card(kCardRadius, parent), m_mode(mode)
{
    setObjectName(QStringLiteral("wheel-") + rawValue(mode));
    auto* column = cardColumn(this, 14);
    auto* head = new QHBoxLayout();
    head->setContentsMargins(0, 0, 0, 0);
    head->setSpacing(12);
    head->addWidget(new IconBadge(ModeSwitcher::symbol(mode), Theme::ember(), 34, true, this), 0, Qt::AlignVCenter);
    KelvaroStore* target = &store;
    m_header = new CardHeader(Lf("Kolo %@", title(mode)), subtitle(mode), L("Otevřít kolo"),
                              [target, mode] { target->selectMode(mode, true); }, this);
    head->addWidget(m_header, 1, Qt::AlignVCenter);
    head->addWidget(new KeyCap(modifierKeys(mode), this), 0, Qt::AlignVCenter);
    column->addLayout(head);

    auto* grid = new AdaptiveGridLayout(300, 14, 14);
    for (const WheelAction& action : kelvaro::actions(mode)) {
        auto* row = new ActionGuideRow(action, this);
        m_rows << row;
        grid->addWidget(row);
    }
    column->addWidget(holder(grid, this));
}

QString WheelGuideCard::subtitle(WheelMode mode)
{
    switch (mode) {
    case WheelMode::convert: return L("Změní formát souboru, obsah zůstává");
    case WheelMode::tools: return L("Upraví obsah fotky");
    case WheelMode::actions: return L("Pracuje se soubory jako celkem");
    }
    return {};
}

// ---- TopicsCard ---------------------------------------------------------------------------------

TopicsCard::TopicsCard(const QString& title, const QString& subtitle, const QList<GuideTopic>& topics, QWidget* parent)
    : Card(kCardRadius, parent)
{
    auto* column = cardColumn(this, 6);
    column->addWidget(new CardHeader(title, subtitle, std::nullopt, {}, this));
    column->addSpacing(8);
    for (qsizetype i = 0; i < topics.size(); ++i) {
        const GuideTopic& topic = topics[i];
        auto* row = new QHBoxLayout();
        row->setContentsMargins(0, 6, 0, 6);
        row->setSpacing(12);
        row->addWidget(new IconBadge(topic.symbol, Theme::teal(), 30, false, this), 0, Qt::AlignTop);
        auto* texts = new QVBoxLayout();
        texts->setContentsMargins(0, 0, 0, 0);
        texts->setSpacing(3);
        texts->addWidget(strong(L(topic.title), this));
        texts->addWidget(guideParagraph(L(topic.text), TextStyle::callout, this));
        row->addLayout(texts, 1);
        column->addLayout(row);
        if (i + 1 < topics.size()) {
            auto* divider = new Divider(Qt::Horizontal, -1, this);
            m_dividers << divider;
            auto* indent = new QHBoxLayout();
            indent->setContentsMargins(42, 0, 0, 0);
            indent->addWidget(divider);
            column->addLayout(indent);
        }
    }
    column->addStretch(1);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

// ---- ShortcutsCard ------------------------------------------------------------------------------

ShortcutsCard::ShortcutsCard(QWidget* parent) : Card(kCardRadius, parent)
{
    setObjectName(QStringLiteral("shortcuts"));
    auto* column = cardColumn(this, 14);
    column->addWidget(new CardHeader(L("Klávesové zkratky"), L("Rychlejší práce bez myši"), std::nullopt, {}, this));
    auto* grid = new AdaptiveGridLayout(220, 12, 10, AdaptiveGridLayout::RowAlignment::centre);
    // The cap keeps its own size, centred in a slot as wide as the widest cap (44 at least), so
    // the texts line up in whichever column a shortcut lands.
    QList<QWidget*> capSlots;
    int widest = 44;
    for (const GuideShortcut& shortcut : GuideContent::shortcuts()) {
        auto* row = new QHBoxLayout();
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        auto* slot = new QWidget(this);
        auto* slotLayout = new QHBoxLayout(slot);
        slotLayout->setContentsMargins(0, 0, 0, 0);
        auto* cap = new KeyCap(L(shortcut.keys), slot);
        widest = std::max(widest, cap->sizeHint().width());
        slotLayout->addWidget(cap, 0, Qt::AlignCenter);
        capSlots << slot;
        row->addWidget(slot, 0, Qt::AlignVCenter);
        row->addWidget(guideParagraph(L(shortcut.text), TextStyle::callout, this), 1, Qt::AlignVCenter);
        grid->addWidget(holder(row, this));
    }
    for (QWidget* slot : std::as_const(capSlots))
        slot->setMinimumWidth(widest);
    column->addWidget(holder(grid, this));
}

} // namespace kelvaro
