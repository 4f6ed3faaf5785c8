// A watch rule's action as JSON ({"convert":{"_0":"jpg"}} …): exactly one case or none, a
// decoded action writes back to itself, and its texts and operation can always be built.
#include <QJsonArray>
#include <QJsonDocument>

#include "FuzzTarget.h"

#include "watch/WatchModels.h"

KELVARO_FUZZ_TARGET(watch_action)
{
    using namespace kelvaro;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(fuzz::bytesOf(data, size), &error);
    if (error.error != QJsonParseError::NoError)
        return 0;
    const QJsonValue value = doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
    QString reason;
    const auto action = WatchAction::fromJson(value, &reason);
    if (!action)
        return 0;
    (void)action->title();
    (void)action->folderTitle();
    (void)action->detail();
    (void)action->operation();
    (void)qHash(*action);
    const auto again = WatchAction::fromJson(action->toJson());
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *action);
    return 0;
}
