#include "ui/watch/WatchRuleList.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/Notifications.h"
#include "platform/Settings.h"
#include "ui/design/SettingRows.h"
#include "ui/watch/WatchService.h"
#include "watch/WatchNotifier.h"

namespace kelvaro {
namespace {

const QString kNotifyKey = QString::fromLatin1(WatchNotifier::notifyKey);

} // namespace

WatchRuleList::WatchRuleList(WatchService& service, Settings& settings, AgoText::Clock clock, QWidget* parent)
    : QWidget(parent), m_service(service), m_settings(settings), m_clock(std::move(clock))
{
    setObjectName(QStringLiteral("watchRuleList"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);

    auto* head = new QHBoxLayout();
    head->setSpacing(10);
    m_header = new CardHeader(L("Hlídané složky"), QString(), std::nullopt, {}, this);
    head->addWidget(m_header, 1);
    auto* label = new Text(L("Upozornit po zpracování"), TextStyle::callout, this);
    head->addWidget(label, 0, Qt::AlignVCenter);
    m_notify = new settings::ToggleSwitch(this);
    m_notify->setObjectName(QStringLiteral("notify"));
    m_notify->setAccessibleName(label->text());
    // Only a Boolean false switches notices off, as the notifier reads it.
    m_notify->setChecked(m_settings.boolOr(kNotifyKey, true));
    connect(m_notify, &QAbstractButton::clicked, this, &WatchRuleList::setNotify);
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == kNotifyKey)
            m_notify->setChecked(m_settings.boolOr(kNotifyKey, true));
    });
    head->addWidget(m_notify, 0, Qt::AlignVCenter);
    layout->addLayout(head);

    m_cardsLayout = new QVBoxLayout();
    m_cardsLayout->setContentsMargins(0, 0, 0, 0);
    m_cardsLayout->setSpacing(12);
    layout->addLayout(m_cardsLayout);

    connect(&m_service, &WatchService::rulesChanged, this, &WatchRuleList::sync);
    sync();
}

QString WatchRuleList::subtitle(qint64 active, qint64 total)
{
    return Lf("%ld z %ld právě běží", active, total);
}

Text* WatchRuleList::subtitleText() const
{
    return m_header->subtitleText();
}

void WatchRuleList::setNotify(bool on)
{
    m_settings.setValue(kNotifyKey, on);
    // Desktop notification servers ask nothing; the seam keeps the request where a platform would.
    if (on)
        Notifications::current().requestAuthorization();
}

void WatchRuleList::sync()
{
    const QList<WatchRule> rules = m_service.rules();
    m_header->subtitleText()->setText(subtitle(m_service.activeCount(), rules.size()));

    bool sameRules = rules.size() == m_cards.size();
    for (qsizetype i = 0; sameRules && i < rules.size(); ++i)
        sameRules = m_cards.at(i)->rule().id == rules.at(i).id;
    if (sameRules) {
        for (qsizetype i = 0; i < rules.size(); ++i)
            m_cards.at(i)->setRule(rules.at(i));
        return;
    }

    // A card's own menu may be what removed its rule: old cards go once its action has returned.
    for (WatchRuleCard* old : std::as_const(m_cards)) {
        m_cardsLayout->removeWidget(old);
        old->hide();
        old->disconnect(this);
        old->deleteLater();
    }
    m_cards.clear();
    for (const WatchRule& rule : rules) {
        auto* card = new WatchRuleCard(rule, m_service, m_clock, this);
        m_cardsLayout->addWidget(card);
        m_cards << card;
    }
}

} // namespace kelvaro
