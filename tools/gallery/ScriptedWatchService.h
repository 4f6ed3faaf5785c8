#pragma once
// A watcher stand-in for the gallery and the widget tests: rules and statuses set by hand, every
// operation recorded as a line ("remove 2": the operation and the rule's position), and the
// changes a real watcher would make done at once with their signals. Main thread.
#include <QHash>
#include <QStringList>

#include "l10n/Localization.h"
#include "ui/watch/WatchService.h"

namespace kelvaro {

class ScriptedWatchService : public WatchService {
public:
    void setRules(const QList<WatchRule>& rules)
    {
        m_rules = rules;
        Q_EMIT rulesChanged();
    }
    void setStatus(const QUuid& id, const WatchStatus& status)
    {
        m_statuses.insert(id, status);
        Q_EMIT statusesChanged();
    }

    QList<WatchRule> rules() const override { return m_rules; }
    WatchStatus status(const QUuid& id) const override { return m_statuses.value(id); }

    bool rulesUnreadable() const override { return unreadable; }
    WatchAddResult add(const QString& folder, const WatchAction& action) override
    {
        calls << QStringLiteral("add ") + folder;
        if (!addSucceeds)
            return {refusal.value_or(L("Složku se nepodařilo zapamatovat. Zkus ji vybrat znovu."))};
        m_rules.append(WatchRule::make(folder, QByteArray("bookmark"), action));
        Q_EMIT rulesChanged();
        return {};
    }
    void setEnabled(const QUuid& id, bool on) override
    {
        calls << QStringLiteral("setEnabled %1 %2").arg(position(id)).arg(on ? 1 : 0);
        for (WatchRule& rule : m_rules)
            if (rule.id == id)
                rule.isEnabled = on;
        Q_EMIT rulesChanged();
    }
    void remove(const QUuid& id) override
    {
        calls << QStringLiteral("remove %1").arg(position(id));
        m_rules.removeIf([&](const WatchRule& rule) { return rule.id == id; });
        Q_EMIT rulesChanged();
    }
    void processExisting(const QUuid& id) override { calls << QStringLiteral("processExisting %1").arg(position(id)); }
    void openFolder(const WatchRule& rule) override { calls << QStringLiteral("openFolder %1").arg(position(rule.id)); }
    void openResults(const WatchRule& rule) override { calls << QStringLiteral("openResults %1").arg(position(rule.id)); }

    bool addSucceeds = true;
    std::optional<QString> refusal; // the watcher's own words for a folder it cannot remember unless set
    bool unreadable = false;
    QStringList calls;

private:
    qsizetype position(const QUuid& id) const
    {
        for (qsizetype i = 0; i < m_rules.size(); ++i)
            if (m_rules.at(i).id == id)
                return i;
        return -1;
    }

    QList<WatchRule> m_rules;
    QHash<QUuid, WatchStatus> m_statuses;
};

} // namespace kelvaro
