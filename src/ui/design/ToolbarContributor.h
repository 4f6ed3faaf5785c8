#pragma once
// A screen that puts controls of its own into the window toolbar (a search field, "Nový postup")
// implements this. The content view asks the current screen for its items whenever the section
// changes; the toolbar shows them left of its own controls and hides them when another screen is
// current. The items widget is created once by the screen and then owned by the toolbar. Main thread.
class QWidget;

namespace kelvaro {

class ToolbarContributor {
public:
    virtual ~ToolbarContributor() = default;
    // The same widget on every call (or null for none); built lazily with any parent.
    virtual QWidget* toolbarItems() = 0;
};

} // namespace kelvaro
