#include "ui/watch/WatchView.h"

#include <QGraphicsOpacityEffect>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/CentredPage.h"
#include "ui/design/DesignSystem.h"
#include "ui/watch/AddWatchSheet.h"
#include "ui/watch/WatchHero.h"
#include "ui/watch/WatchRecipeGrid.h"
#include "ui/watch/WatchRuleList.h"
#include "ui/watch/WatchService.h"

namespace kelvaro {

namespace {

QString unreadableNote()
{
    return L("Uložené hlídané složky se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám.");
}

} // namespace

WatchView::WatchView(std::shared_ptr<WatchService> service, Settings& settings, QWidget* parent, Clock clock)
    : QScrollArea(parent), m_service(std::move(service)), m_settings(settings)
{
    setObjectName(QStringLiteral("watch"));

    auto* columnBox = installCentredColumn(this, QStringLiteral("watchColumn"), maxColumnWidth);

    auto* column = new QVBoxLayout(columnBox);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(24);
    m_hero = new WatchHero([this] { openSheet(defaultAction()); }, columnBox);
    column->addWidget(m_hero);
    if (m_service->rulesUnreadable()) {
        // Set once at start: rules that could not be read stay unread until the next start.
        auto* unreadable = new Text(L("Uložené hlídané složky se nepodařilo přečíst, proto je nechávám beze změny."),
                                    TextStyle::body, columnBox);
        unreadable->setObjectName(QStringLiteral("unreadable"));
        unreadable->setColor(Theme::rose());
        unreadable->setWrap(true);
        column->addWidget(unreadable);
    }
    m_ruleList = new WatchRuleList(*m_service, settings, std::move(clock), columnBox);
    column->addWidget(m_ruleList);
    m_grid = new WatchRecipeGrid(true, [this](const WatchRecipe& recipe) { openSheet(recipe.action); }, columnBox);
    column->addWidget(m_grid);
    if (m_service->rulesUnreadable()) {
        // A new folder could never be stored beside rules left as they are: no way in offers one.
        m_hero->addButton()->setEnabled(false);
        m_hero->addButton()->setToolTip(unreadableNote());
        m_grid->setEnabled(false);
        auto* faded = new QGraphicsOpacityEffect(m_grid);
        faded->setOpacity(0.45);
        m_grid->setGraphicsEffect(faded);
    }
    column->addStretch(1);

    connect(m_service.get(), &WatchService::rulesChanged, this, &WatchView::refreshRules);
    refreshRules();
}

WatchView::~WatchView()
{
    // The toolbar owns the button, but its action reaches this screen; so does an open sheet.
    delete m_addButton.data();
    delete m_sheet.data();
}

QWidget* WatchView::toolbarItems()
{
    if (!m_addButton) {
        m_addButton = new KelvaroButton(L("Přidat složku"), KelvaroButton::Kind::secondary, this);
        m_addButton->setObjectName(QStringLiteral("addWatch"));
        m_addButton->setSymbol(QStringLiteral("plus"));
        m_addButton->setToolTip(L("Začít sledovat novou složku"));
        if (m_service->rulesUnreadable()) {
            m_addButton->setEnabled(false);
            m_addButton->setToolTip(unreadableNote());
        }
        m_addButton->hide(); // the toolbar shows it while this screen is current
        connect(m_addButton, &QAbstractButton::clicked, this, [this] { openSheet(defaultAction()); });
    }
    return m_addButton;
}

KelvaroButton* WatchView::addButton() const
{
    return m_addButton;
}

AddWatchSheet* WatchView::sheet() const
{
    return m_sheet;
}

WatchAction WatchView::defaultAction()
{
    return WatchRecipe::all().first().action;
}

void WatchView::openSheet(const WatchAction& action)
{
    if (m_sheet)
        return;
    auto* sheet = new AddWatchSheet(action, m_service, m_settings, window());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    Theme::follow(sheet);
    m_sheet = sheet;
    // Closed for whatever reason, the request is over; the next one builds a new sheet.
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (m_sheet == sheet)
            m_sheet.clear();
    });
    sheet->open();
}

void WatchView::refreshRules()
{
    const bool empty = m_service->rules().isEmpty();
    m_ruleList->setVisible(!empty);
    m_grid->setEmpty(empty);
}

} // namespace kelvaro
