#include "ui/guide/GuideView.h"

#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "model/GuideContent.h"
#include "store/KelvaroStore.h"
#include "ui/design/CentredPage.h"
#include "ui/design/DesignSystem.h"
#include "ui/guide/AdaptiveGridLayout.h"
#include "ui/guide/GuideCards.h"

namespace kelvaro {
namespace {

QWidget* heightForWidthHolder(QLayout* layout, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    widget->setLayout(layout);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    widget->setSizePolicy(policy);
    return widget;
}

} // namespace

GuideView::GuideView(KelvaroStore& store, QWidget* parent) : QScrollArea(parent), m_store(store)
{
    setObjectName(QStringLiteral("guide"));
    setAccessibleName(L("Průvodce"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_column = installCentredColumn(this, QStringLiteral("guideColumn"), maxColumnWidth);

    auto* column = new QVBoxLayout(m_column);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(22);
    column->addWidget(buildIntro());
    column->addWidget(buildSteps());
    for (WheelMode mode : allWheelModes()) {
        auto* card = new WheelGuideCard(store, mode, m_column);
        m_wheelCards << card;
        column->addWidget(card);
    }
    m_topicsGrid = new AdaptiveGridLayout(340, 22, 22);
    m_topicsCards << new TopicsCard(L("Části aplikace"), L("Co najdeš v postranním panelu a okolo"), GuideContent::appParts(), m_column)
                  << new TopicsCard(L("Výsledky a soukromí"), L("Kam se co ukládá a co s tím můžeš dělat"),
                                    GuideContent::resultsAndPrivacy(), m_column);
    for (TopicsCard* card : std::as_const(m_topicsCards))
        m_topicsGrid->addWidget(card);
    column->addWidget(heightForWidthHolder(m_topicsGrid, m_column));
    column->addWidget(new ShortcutsCard(m_column));
    column->addStretch(1);
}

QWidget* GuideView::buildIntro()
{
    auto* intro = new QWidget(m_column);
    auto* column = new QVBoxLayout(intro);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    auto* eyebrow = new Text(L("NÁPOVĚDA"), TextStyle::eyebrow, intro);
    QFont tracked = Theme::font(TextStyle::eyebrow);
    tracked.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    eyebrow->setTextFont(tracked);
    eyebrow->setColor(Theme::emberText());
    column->addWidget(eyebrow);
    auto* title = new Text(L("Co všechno Kelvaro umí"), TextStyle::display, intro);
    title->setObjectName(QStringLiteral("heading"));
    column->addWidget(title);
    auto* lead = guideParagraph(L("Krátké vysvětlení každé funkce. Stejné popisky uvidíš i pod kolem, když najedeš na výseč."),
                                TextStyle::body, intro);
    column->addWidget(lead);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    intro->setSizePolicy(policy);
    return intro;
}

QWidget* GuideView::buildSteps()
{
    auto* card = new Card(16, m_column);
    card->setObjectName(QStringLiteral("steps"));
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    KelvaroStore* store = &m_store;
    m_stepsHeader = new CardHeader(L("Jak to funguje"), L("Tři kroky od souboru k výsledku"), L("Vyzkoušet"), [store] {
        store->setSidebarSelection(SidebarItem::home);
        store->requestImporter(false);
    }, card);
    column->addWidget(m_stepsHeader);
    auto* grid = new AdaptiveGridLayout(260, 18, 18);
    for (const GuideTopic& step : GuideContent::steps()) {
        auto* tile = new QVBoxLayout();
        tile->setContentsMargins(0, 0, 0, 0);
        tile->setSpacing(8);
        auto* glyph = new SymbolView(step.symbol, 22, card);
        glyph->setColor(Theme::ember());
        glyph->setWeight(1.2);
        tile->addWidget(glyph, 0, Qt::AlignLeft);
        auto* name = new Text(L(step.title), TextStyle::callout, card);
        name->setStyle(TextStyle::callout, QFont::DemiBold);
        tile->addWidget(name);
        tile->addWidget(guideParagraph(L(step.text), TextStyle::callout, card));
        grid->addWidget(heightForWidthHolder(tile, card));
    }
    column->addWidget(heightForWidthHolder(grid, card));
    return card;
}

} // namespace kelvaro
