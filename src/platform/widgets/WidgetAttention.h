#pragma once
// The attention request of a widgets application: QApplication::alert on its top-level windows.
// Installed once at start with AttentionRequest::setShared. Main thread.
#include "platform/LauncherProgress.h"

namespace kelvaro {

class WidgetAttention : public AttentionRequest {
public:
    void requestAttention() override;
};

} // namespace kelvaro
