#include "watch/WatchModels.h"

#include <array>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "platform/Json.h"

namespace kelvaro {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

const QString kPayload = QStringLiteral("_0");
const std::array<const char*, 5> kCaseNames = {"preset", "workflow", "convert", "stripMetadata", "removeBackground"};

QString caseName(const WatchAction& action)
{
    return QString::fromLatin1(kCaseNames[action.value.index()]);
}

QJsonObject payloadObject(const QJsonValue& payload)
{
    return QJsonObject{{kPayload, payload}};
}

// The one value under "_0" of a case's inner object; none when missing (null counts as a value
// of the wrong type, as for every other payload).
std::optional<QJsonValue> payloadOf(const QJsonObject& inner)
{
    const auto it = inner.constFind(kPayload);
    if (it == inner.constEnd())
        return std::nullopt;
    return it.value();
}

// The action's case and payload, without the keys beside them.
std::optional<WatchAction> caseFromJson(const QJsonValue& value, QString* error)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    int found = -1;
    int count = 0;
    for (size_t i = 0; i < kCaseNames.size(); ++i) {
        if (object.contains(QLatin1String(kCaseNames[i]))) {
            found = int(i);
            ++count;
        }
    }
    if (count != 1) {
        if (error)
            *error = QStringLiteral("Invalid number of keys found, expected one.");
        return std::nullopt;
    }
    const QJsonValue innerValue = object.value(QLatin1String(kCaseNames[size_t(found)]));
    if (!innerValue.isObject())
        return std::nullopt;
    const QJsonObject inner = innerValue.toObject();
    switch (found) {
    case 0: {
        const auto payload = payloadOf(inner);
        if (!payload)
            return std::nullopt;
        const auto preset = PresetSpec::fromJson(*payload);
        return preset ? std::optional(WatchAction::preset(*preset)) : std::nullopt;
    }
    case 1: {
        const auto payload = payloadOf(inner);
        if (!payload)
            return std::nullopt;
        const auto workflow = Workflow::fromJson(*payload);
        return workflow ? std::optional(WatchAction::workflow(*workflow)) : std::nullopt;
    }
    case 2: {
        const auto payload = payloadOf(inner);
        if (!payload || !payload->isString())
            return std::nullopt;
        return WatchAction::convert(payload->toString());
    }
    case 3:
        return WatchAction::stripMetadata();
    default:
        return WatchAction::removeBackground();
    }
}

} // namespace

// ---- WatchAction -------------------------------------------------------------------------------

bool WatchAction::isSameAs(const WatchAction& other) const
{
    const Workflow* mine = as<Workflow>();
    const Workflow* theirs = other.as<Workflow>();
    if (mine && theirs && WorkflowLibrary::isBuiltIn(mine->id))
        return mine->id == theirs->id;
    return *this == other;
}

QString WatchAction::title() const
{
    return std::visit(Overloaded{
                          [](const PresetSpec& p) { return L(p.name); },
                          [](const Workflow& w) { return L(w.name); },
                          [](const watch::Convert& c) { return Lf("Převod na %@", c.extension.toUpper()); },
                          [](const watch::StripMetadata&) { return L("Odstranit metadata"); },
                          [](const watch::RemoveBackground&) { return L("Odstranit pozadí", "watch action"); },
                      },
                      value);
}

QString WatchAction::folderTitle() const
{
    return std::visit(Overloaded{
                          [](const PresetSpec& p) { return p.name; },
                          [](const Workflow& w) { return w.name; },
                          [](const watch::Convert& c) { return QStringLiteral("Převod na ") + c.extension.toUpper(); },
                          [](const watch::StripMetadata&) { return QStringLiteral("Odstranit metadata"); },
                          [](const watch::RemoveBackground&) { return QStringLiteral("Odstranit pozadí"); },
                      },
                      value);
}

QString WatchAction::detail() const
{
    return std::visit(Overloaded{
                          [](const PresetSpec& p) { return p.summary(); },
                          [](const Workflow& w) { return WorkflowLibrary::summary(w); },
                          [](const watch::Convert&) { return L("Rozměry zůstanou, změní se jen formát"); },
                          [](const watch::StripMetadata&) { return L("Smaže polohu GPS a údaje o foťáku"); },
                          [](const watch::RemoveBackground&) { return L("Vystřihne hlavní objekt do PNG"); },
                      },
                      value);
}

std::optional<KelvaroOp> WatchAction::operation() const
{
    return std::visit(Overloaded{
                          [](const PresetSpec& p) -> std::optional<KelvaroOp> { return KelvaroOp::preset(p); },
                          [](const Workflow& w) -> std::optional<KelvaroOp> { return KelvaroOp::workflow(w); },
                          [](const watch::Convert& c) -> std::optional<KelvaroOp> {
                              const auto format = imageFormatFromRaw(c.extension);
                              if (!format)
                                  return std::nullopt;
                              return KelvaroOp::convert(*format);
                          },
                          [](const watch::StripMetadata&) -> std::optional<KelvaroOp> { return KelvaroOp::stripMetadata(); },
                          [](const watch::RemoveBackground&) -> std::optional<KelvaroOp> {
                              return KelvaroOp::removeBackground();
                          },
                      },
                      value);
}

QJsonObject WatchAction::toJson() const
{
    const QJsonObject inner = std::visit(Overloaded{
                                             [](const PresetSpec& p) { return payloadObject(p.toJson()); },
                                             [](const Workflow& w) { return payloadObject(w.toJson()); },
                                             [](const watch::Convert& c) { return payloadObject(c.extension); },
                                             [](const watch::StripMetadata&) { return QJsonObject(); },
                                             [](const watch::RemoveBackground&) { return QJsonObject(); },
                                         },
                                         value);
    QJsonObject object = unknownMembers;
    object.insert(caseName(*this), inner);
    return object;
}

std::optional<WatchAction> WatchAction::fromJson(const QJsonValue& value, QString* error)
{
    std::optional<WatchAction> action = caseFromJson(value, error);
    if (action) {
        QJsonObject unknown = value.toObject();
        unknown.remove(caseName(*action));
        action->unknownMembers = unknown;
    }
    return action;
}

// Equal actions have equal JSON, which keeps the hash consistent with field-wise equality
// without a hash for every payload record.
size_t qHash(const WatchAction& action, size_t seed)
{
    return qHash(QJsonDocument(action.toJson()).toJson(QJsonDocument::Compact), seed);
}

// ---- WatchRule -----------------------------------------------------------------------------------

WatchRule WatchRule::make(const QString& folderPath, const QByteArray& bookmark, const WatchAction& action)
{
    WatchRule rule;
    rule.id = QUuid::createUuid();
    rule.bookmark = bookmark;
    const QString path = QDir::cleanPath(folderPath);
    rule.folderName = QFileInfo(path).fileName();
    rule.folderPath = path;
    rule.action = action;
    rule.isEnabled = true;
    rule.processed = 0;
    rule.created = QDateTime::currentDateTimeUtc();
    return rule;
}

QJsonObject WatchRule::toJson() const
{
    json::Writer w(unknownMembers);
    w.set(QStringLiteral("id"), id)
        .setData(QStringLiteral("bookmark"), bookmark)
        .set(QStringLiteral("folderName"), folderName)
        .set(QStringLiteral("folderPath"), folderPath)
        .set(QStringLiteral("action"), QJsonValue(action.toJson()))
        .set(QStringLiteral("isEnabled"), isEnabled)
        .set(QStringLiteral("processed"), processed)
        .setOptional(QStringLiteral("lastRun"), lastRun)
        .set(QStringLiteral("created"), created);
    return w.object();
}

std::optional<WatchRule> WatchRule::fromJson(const QJsonValue& value)
{
    json::Reader r(value);
    WatchRule rule;
    rule.id = r.uuid(QStringLiteral("id"));
    rule.bookmark = r.data(QStringLiteral("bookmark"));
    rule.folderName = r.string(QStringLiteral("folderName"));
    rule.folderPath = r.string(QStringLiteral("folderPath"));
    const QJsonObject actionObject = r.objectMember(QStringLiteral("action"));
    rule.isEnabled = r.boolean(QStringLiteral("isEnabled"));
    rule.processed = r.integer(QStringLiteral("processed"));
    rule.lastRun = r.optDate(QStringLiteral("lastRun"));
    rule.created = r.date(QStringLiteral("created"));
    rule.unknownMembers = r.unknownMembers();
    if (!r.ok())
        return std::nullopt;
    const auto action = WatchAction::fromJson(actionObject);
    if (!action)
        return std::nullopt;
    rule.action = *action;
    return rule;
}

size_t qHash(const WatchRule& rule, size_t seed)
{
    return qHashMulti(seed, rule.id, rule.bookmark, rule.folderPath, rule.action, rule.processed);
}

QByteArray encodeWatchRules(const QList<WatchRule>& rules)
{
    QJsonArray array;
    for (const WatchRule& rule : rules)
        array.append(rule.toJson());
    return json::encodeArray(array);
}

std::optional<QList<WatchRule>> decodeWatchRules(const QByteArray& data)
{
    return json::decodeList<WatchRule>(data, [](const QJsonValue& v) { return WatchRule::fromJson(v); });
}

// ---- WatchRecipe ---------------------------------------------------------------------------------

const QList<WatchRecipe>& WatchRecipe::all()
{
    static const QList<WatchRecipe> recipes = [] {
        return QList<WatchRecipe>{
            {QStringLiteral("web"), LKey("Screenshoty na web"),
             LKey("Zmenší na 1600 px a smaže metadata"), QStringLiteral("camera.viewfinder"), Color::violet,
             WatchAction::preset(PresetSpec::defaults().first())},
            {QStringLiteral("heic"), LKey("HEIC z iPhonu na JPG"),
             LKey("Formát, který otevře úplně všechno"), QStringLiteral("iphone"), Color::teal,
             WatchAction::convert(QStringLiteral("jpg"))},
            {QStringLiteral("insta"), LKey("Instagram 4:5"),
             LKey("Ořízne a zmenší na 1080×1350 px"), QStringLiteral("camera.fill"), Color::rose,
             WatchAction::preset(PlatformPresets::all().first().presets.first())},
            {QStringLiteral("privacy"), LKey("Soukromí před sdílením"),
             LKey("Smaže GPS a údaje o foťáku"), QStringLiteral("eye.slash"), Color::gold,
             WatchAction::stripMetadata()},
        };
    }();
    return recipes;
}

} // namespace kelvaro
