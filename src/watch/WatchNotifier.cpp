#include "watch/WatchNotifier.h"

#include "platform/Notifications.h"
#include "platform/Settings.h"

namespace kelvaro::WatchNotifier {

void post(const QString& body)
{
    if (!Settings::shared().boolOr(QString::fromLatin1(notifyKey), true))
        return;
    if (AppActivity::isActive())
        return;
    Notifications::current().post(Notice{QStringLiteral("Kelvaro"), body});
}

} // namespace kelvaro::WatchNotifier
