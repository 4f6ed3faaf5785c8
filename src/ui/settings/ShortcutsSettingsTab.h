#pragma once
// The "shortcuts" tab: a read-only list of the keys that switch the action wheel's mode (the
// modifier alone, or Ctrl with the mode's number) and of the application's commands, one row
// each with its key caps. Key caps are never translated. Retranslates in place. Main thread;
// built by the settings window.
#include "ui/design/SettingRows.h"

namespace kelvaro::settings {

class ShortcutsSettingsTab : public SettingsPage {
    Q_OBJECT
public:
    explicit ShortcutsSettingsTab(QWidget* parent = nullptr);
};

} // namespace kelvaro::settings
