#pragma once
// The notice that announces a watched-folder run which produced files. Stateless; main thread.
#include <QString>

#include "platform/SettingsKeys.h"

namespace kelvaro::WatchNotifier {

// Settings key of the user's choice; absent (or not a Boolean) means on.
inline constexpr const char* notifyKey = SettingsKey::watchNotify;

// Shows "Kelvaro" with `body` unless the user switched notices off or is looking at the
// application; a refusal by the desktop is neither reported nor retried.
void post(const QString& body);

} // namespace kelvaro::WatchNotifier
