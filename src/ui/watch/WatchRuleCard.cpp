#include "ui/watch/WatchRuleCard.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "ui/design/Formatters.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/SettingRows.h"
#include "ui/design/Spinner.h"
#include "ui/design/Symbols.h"
#include "ui/design/ToolbarButton.h"
#include "ui/watch/WatchService.h"

namespace kelvaro {

// ---- AgoText --------------------------------------------------------------------------------------

AgoText::AgoText(const QDateTime& date, Clock clock, QWidget* parent)
    : Text(QString(), TextStyle::caption, parent)
    , m_date(date)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{
    setColor(Theme::secondary());
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Counted from when the line is built, like any timeline of the screen.
    m_timer.setInterval(refreshInterval);
    connect(&m_timer, &QTimer::timeout, this, &AgoText::refresh);
    m_timer.start();
    refresh();
}

void AgoText::setDate(const QDateTime& date)
{
    if (date == m_date)
        return;
    m_date = date;
    refresh();
}

QString AgoText::relative(const QDateTime& date, const QDateTime& now)
{
    return Formatters::relativeDate(date, now, L10n::locale(L10n::current()));
}

void AgoText::refresh()
{
    setText(Lf("naposledy %@", relative(m_date, m_clock())));
}

// ---- WatchRuleCard --------------------------------------------------------------------------------

namespace {

QVBoxLayout* column(QWidget* widget, int spacing)
{
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

WatchRuleCard::WatchRuleCard(const WatchRule& rule, WatchService& service, AgoText::Clock clock, QWidget* parent)
    : Card(16, parent), m_rule(rule), m_service(service)
{
    setObjectName(QStringLiteral("watchRuleCard"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QVBoxLayout* layout = column(this, 10);
    layout->setContentsMargins(16, 16, 16, 16);

    auto* main = new QHBoxLayout();
    main->setSpacing(14);
    m_badge = new IconBadge(symbol(rule.action), color(rule.action), 44, true, this);
    m_badge->setObjectName(QStringLiteral("badge"));
    main->addWidget(m_badge, 0, Qt::AlignVCenter);
    main->addWidget(buildInfo(), 1);
    main->addSpacing(12);
    main->addWidget(buildStatusColumn(std::move(clock)), 0, Qt::AlignVCenter);

    m_switch = new settings::ToggleSwitch(this);
    m_switch->setObjectName(QStringLiteral("enabled"));
    m_switch->setAccessibleName(L("Sledovat"));
    m_switch->setToolTip(L("Sledovat"));
    connect(m_switch, &QAbstractButton::clicked, this, [this](bool on) {
        m_service.setEnabled(m_rule.id, on);
        // The watcher's answer decides what the switch shows.
        m_switch->setChecked(m_rule.isEnabled);
    });
    main->addWidget(m_switch, 0, Qt::AlignVCenter);
    buildMenu();
    main->addWidget(m_menuButton, 0, Qt::AlignVCenter);
    layout->addLayout(main);

    m_messageRow = new QWidget(this);
    auto* message = new QHBoxLayout(m_messageRow);
    message->setContentsMargins(0, 0, 0, 0);
    message->setSpacing(5);
    auto* mark = new SymbolView(QStringLiteral("exclamationmark.circle.fill"), 11, m_messageRow);
    mark->setColor(Theme::rose());
    message->addWidget(mark, 0, Qt::AlignVCenter);
    m_message = new Text(QString(), TextStyle::caption, m_messageRow);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setColor(Theme::rose());
    m_message->setElide(Qt::ElideRight);
    message->addWidget(m_message, 1);
    layout->addWidget(m_messageRow);

    m_opacity = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(m_opacity);

    connect(&m_service, &WatchService::statusesChanged, this, &WatchRuleCard::refreshStatus);
    refresh();
}

QWidget* WatchRuleCard::buildInfo()
{
    auto* info = new QWidget(this);
    info->setObjectName(QStringLiteral("info"));
    QVBoxLayout* layout = column(info, 3);
    m_folderName = new Text(QString(), TextStyle::headline, info);
    m_folderName->setObjectName(QStringLiteral("folderName"));
    m_folderName->setElide(Qt::ElideRight);
    layout->addWidget(m_folderName);
    m_folderPath = new Text(QString(), TextStyle::caption, info);
    m_folderPath->setObjectName(QStringLiteral("folderPath"));
    m_folderPath->setColor(Theme::secondary());
    m_folderPath->setElide(Qt::ElideMiddle);
    layout->addWidget(m_folderPath);
    auto* action = new QHBoxLayout();
    action->setSpacing(4);
    auto* arrow = new SymbolView(QStringLiteral("arrow.right"), 10, info);
    arrow->setColor(Theme::emberText());
    arrow->setWeight(1.2);
    action->addWidget(arrow, 0, Qt::AlignVCenter);
    m_actionTitle = new Text(QString(), TextStyle::caption, info);
    m_actionTitle->setObjectName(QStringLiteral("actionTitle"));
    m_actionTitle->setStyle(TextStyle::caption, QFont::DemiBold);
    m_actionTitle->setColor(Theme::emberText());
    m_actionTitle->setElide(Qt::ElideRight);
    action->addWidget(m_actionTitle, 1);
    layout->addLayout(action);
    return info;
}

QWidget* WatchRuleCard::buildStatusColumn(AgoText::Clock clock)
{
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("statusColumn"));
    QVBoxLayout* layout = column(box, 3);
    auto* state = new QHBoxLayout();
    state->setSpacing(6);
    state->addStretch(1);
    m_spinner = new Spinner(12, box);
    state->addWidget(m_spinner, 0, Qt::AlignVCenter);
    m_stateSymbol = new SymbolView(QStringLiteral("circle.fill"), 9, box);
    state->addWidget(m_stateSymbol, 0, Qt::AlignVCenter);
    m_state = new Text(QString(), TextStyle::caption, box);
    m_state->setObjectName(QStringLiteral("state"));
    m_state->setStyle(TextStyle::caption, QFont::DemiBold);
    state->addWidget(m_state, 0, Qt::AlignVCenter);
    layout->addLayout(state);
    m_processed = new Text(QString(), TextStyle::caption, box);
    m_processed->setObjectName(QStringLiteral("processed"));
    m_processed->setColor(Theme::secondary());
    m_processed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_processed);
    m_ago = new AgoText(m_rule.lastRun.value_or(QDateTime()), std::move(clock), box);
    m_ago->setObjectName(QStringLiteral("lastRun"));
    layout->addWidget(m_ago);
    return box;
}

void WatchRuleCard::buildMenu()
{
    m_menuButton = new ToolbarButton(QStringLiteral("ellipsis.circle"), this);
    m_menuButton->setObjectName(QStringLiteral("menu"));
    m_menuButton->setAccessibleName(L("Další akce"));
    m_menu = new QMenu(m_menuButton);
    const bool dark = Theme::isDark(this);
    const auto item = [&](const QString& text, const QString& symbol, const QColor& tint, std::function<void()> run) {
        QAction* action = m_menu->addAction(Symbols::icon(symbol, tint), text);
        connect(action, &QAction::triggered, this, std::move(run));
        return action;
    };
    const QColor plain = Theme::secondary().resolve(dark);
    item(L("Otevřít sledovanou složku"), QStringLiteral("folder"), plain, [this] { m_service.openFolder(m_rule); });
    item(L("Ukázat výsledky"), QStringLiteral("tray.full"), plain, [this] { m_service.openResults(m_rule); });
    item(L("Zpracovat i stávající soubory"), QStringLiteral("bolt"), plain, [this] { m_service.processExisting(m_rule.id); });
    m_menu->addSeparator();
    QAction* remove = item(L("Přestat sledovat"), QStringLiteral("trash"), Theme::destructive().resolve(dark),
                           [this] { m_service.remove(m_rule.id); });
    remove->setObjectName(QStringLiteral("remove"));
    KelvaroStyle::markDestructive(remove);
    m_menuButton->setMenu(m_menu);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
}

QString WatchRuleCard::symbol(const WatchAction& action)
{
    if (const auto* workflow = action.as<Workflow>())
        return workflow->symbol;
    if (action.as<PresetSpec>())
        return QStringLiteral("bolt.fill");
    if (action.as<watch::Convert>())
        return QStringLiteral("photo");
    if (action.as<watch::StripMetadata>())
        return QStringLiteral("eye.slash");
    return QStringLiteral("person.crop.rectangle");
}

QColor WatchRuleCard::color(const WatchAction& action)
{
    if (action.as<PresetSpec>())
        return Theme::ember();
    if (action.as<watch::Convert>())
        return Theme::teal();
    if (action.as<watch::StripMetadata>())
        return Theme::gold();
    return Theme::violet(); // workflows and background removal
}

void WatchRuleCard::setRule(const WatchRule& rule)
{
    if (rule == m_rule)
        return;
    m_rule = rule;
    refresh();
}

void WatchRuleCard::refresh()
{
    m_badge->setSymbol(symbol(m_rule.action));
    m_badge->setColor(color(m_rule.action));
    // Folder names and paths are the user's own: never looked up.
    m_folderName->setText(NativePath::displayName(m_rule.folderName));
    m_folderPath->setText(NativePath::displayName(m_rule.folderPath));
    m_folderPath->setToolTip(NativePath::displayName(m_rule.folderPath));
    m_actionTitle->setText(m_rule.action.title());
    m_processed->setText(Lf("Zpracováno: %lld", m_rule.processed));
    m_ago->setVisible(m_rule.lastRun.has_value());
    if (m_rule.lastRun)
        m_ago->setDate(*m_rule.lastRun);
    m_switch->setChecked(m_rule.isEnabled);
    m_opacity->setOpacity(m_rule.isEnabled ? 1.0 : 0.7);
    refreshStatus();
}

void WatchRuleCard::refreshStatus()
{
    const WatchStatus status = m_service.status(m_rule.id);
    const bool active = m_rule.isEnabled && !status.isUnavailable;
    m_badge->setFilled(active);

    m_spinner->setVisible(status.isBusy);
    m_stateSymbol->setVisible(!status.isBusy && (status.isUnavailable || m_rule.isEnabled));
    if (status.isBusy) {
        m_state->setText(L("Zpracovávám…"));
        m_state->setColor(Theme::primary());
    } else if (status.isUnavailable) {
        m_state->setText(L("Nedostupná"));
        m_state->setColor(Theme::rose());
        m_stateSymbol->setSymbol(QStringLiteral("exclamationmark.triangle.fill"));
        m_stateSymbol->setColor(Theme::rose());
    } else if (m_rule.isEnabled) {
        m_state->setText(L("Hlídám"));
        m_state->setColor(Theme::tealText());
        m_stateSymbol->setSymbol(QStringLiteral("circle.fill"));
        m_stateSymbol->setColor(Theme::tealText());
    } else {
        m_state->setText(L("Pozastaveno"));
        m_state->setColor(Theme::secondary());
    }

    // A message that is a known text shows in the interface language, anything else as it came.
    m_messageRow->setVisible(status.message.has_value());
    m_message->setText(status.message ? L(*status.message) : QString());
    // "Nepovedlo se zpracovat: 2." says how many; hovering says which files and why.
    m_message->setToolTip(status.failures.isEmpty() ? m_message->text() : status.failures.join(QLatin1Char('\n')));
}

qreal WatchRuleCard::drawnOpacity() const
{
    return m_opacity->opacity();
}

} // namespace kelvaro
