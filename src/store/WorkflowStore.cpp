#include "store/WorkflowStore.h"

#include <algorithm>

#include <QJsonArray>

#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "platform/Json.h"
#include "platform/Log.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"

namespace kelvaro {
namespace {

QString storageKey()
{
    return QString::fromLatin1(WorkflowLibrary::key);
}

} // namespace

WorkflowStore::WorkflowStore(Settings& settings, QObject* parent) : QObject(parent), m_settings(settings)
{
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        // The built-ins' texts are shown in the interface language.
        if (key == storageKey() || key == QLatin1String(SettingsKey::language))
            reload();
    });
    reload();
}

std::optional<Workflow> WorkflowStore::workflow(const QUuid& id) const
{
    for (const Workflow& w : m_workflows)
        if (w.id == id)
            return w;
    return std::nullopt;
}

std::optional<QList<Workflow>> WorkflowStore::readStored() const
{
    const QString key = storageKey();
    if (!m_settings.contains(key))
        return WorkflowLibrary::decode(QByteArray());
    // a value of another type (a text, a number) is as unreadable as bad JSON
    if (const std::optional<QByteArray> data = m_settings.dataValue(key))
        return WorkflowLibrary::decode(*data);
    return std::nullopt;
}

void WorkflowStore::reload()
{
    std::optional<QList<Workflow>> list = readStored();
    const State state = !list ? State::unreadable : list->isEmpty() ? State::empty : State::ok;
    QList<Workflow> workflows = WorkflowLibrary::inLanguage(list.value_or(QList<Workflow>()), L10n::current());
    if (state == m_state && workflows == m_workflows)
        return;
    m_state = state;
    m_workflows = std::move(workflows);
    Q_EMIT changed();
}

std::optional<QByteArray> WorkflowStore::encode(const QList<Workflow>& workflows)
{
    QJsonArray array;
    for (const Workflow& w : workflows)
        array.append(w.toJson());
    QByteArray bytes = json::encodeArray(array);
    // JSON has no NaN or infinity: Qt writes null, which would read back as another value.
    if (WorkflowLibrary::decode(bytes) != std::optional<QList<Workflow>>(workflows))
        return std::nullopt;
    return bytes;
}

bool WorkflowStore::store(const QList<Workflow>& workflows)
{
    const std::optional<QByteArray> bytes = encode(workflows);
    if (!bytes) {
        logLine(QStringLiteral("workflows not saved: the list does not encode"));
        return false;
    }
    const bool saved = m_settings.setValue(storageKey(), *bytes);
    reload(); // also when the settings saw no change and so sent no signal
    if (!saved)
        logLine(QStringLiteral("workflows not saved: the settings could not be written"));
    return saved;
}

bool WorkflowStore::upsert(const Workflow& workflow)
{
    std::optional<QList<Workflow>> list = readStored();
    if (!list)
        return false;
    const auto same = std::find_if(list->begin(), list->end(), [&](const Workflow& w) { return w.id == workflow.id; });
    if (same != list->end())
        *same = workflow;
    else
        list->append(workflow);
    return store(*list);
}

bool WorkflowStore::remove(const QUuid& id)
{
    std::optional<QList<Workflow>> list = readStored();
    if (!list)
        return false;
    list->removeIf([&](const Workflow& w) { return w.id == id; });
    return store(*list);
}

std::optional<Workflow> WorkflowStore::duplicate(const Workflow& workflow)
{
    Workflow copy = workflow;
    copy.id = QUuid::createUuid();
    // a built-in's name is stored in Czech: the copy carries the name the user sees
    copy.name = L(workflow.name) + L(" (kopie)");
    for (WorkflowStep& step : copy.steps)
        step.id = QUuid::createUuid();
    if (!upsert(copy))
        return std::nullopt;
    return copy;
}

Workflow WorkflowStore::newTemplate()
{
    Workflow w;
    w.id = QUuid::createUuid();
    w.symbol = QStringLiteral("wand.and.stars");
    w.steps = {WorkflowStep::make(WorkflowStep::Kind::resize)};
    w.format = QStringLiteral("jpg");
    w.quality = 0.85;
    w.stripMetadata = false;
    return w;
}

} // namespace kelvaro
