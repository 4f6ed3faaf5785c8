#include "store/ViewState.h"

#include "store/Observed.h"

namespace kelvaro {

ViewState::ViewState(QObject* parent) : QObject(parent)
{
    m_importerTimer.setSingleShot(true);
    connect(&m_importerTimer, &QTimer::timeout, this, [this] { setShowImporter(true); });
}

void ViewState::setWheelMode(WheelMode v) { assignObserved(this, m_wheelMode, v, &ViewState::wheelModeChanged); }
void ViewState::setSidebarSelection(const std::optional<SidebarItem>& v) { assignObserved(this, m_sidebarSelection, v, &ViewState::sidebarSelectionChanged); }
void ViewState::setActiveSheet(const std::optional<ToolSheet>& v) { assignObserved(this, m_activeSheet, v, &ViewState::activeSheetChanged); }
void ViewState::setPendingPreset(const std::optional<PresetSpec>& v) { assignObserved(this, m_pendingPreset, v, &ViewState::pendingPresetChanged); }
void ViewState::setShowImporter(bool v) { assignObserved(this, m_showImporter, v, &ViewState::showImporterChanged); }
void ViewState::setImporterAdds(bool v) { assignObserved(this, m_importerAdds, v, &ViewState::importerAddsChanged); }
void ViewState::setStudioHighlight(const std::optional<QString>& v) { assignObserved(this, m_studioHighlight, v, &ViewState::studioHighlightChanged); }
void ViewState::setStudioCompare(bool v) { assignObserved(this, m_studioCompare, v, &ViewState::studioCompareChanged); }

void ViewState::requestImporter(bool adding)
{
    const bool fromElsewhere = m_sidebarSelection != SidebarItem::home;
    setSidebarSelection(SidebarItem::home);
    setImporterAdds(adding);
    setShowImporter(false);
    // Another section first has to make way for the home screen that presents the importer.
    m_importerTimer.start(fromElsewhere ? 300 : 80);
}

std::optional<int> ViewState::pendingImporterDelay() const
{
    if (!m_importerTimer.isActive())
        return std::nullopt;
    return m_importerTimer.interval();
}

void ViewState::selectMode(WheelMode mode, bool navigate)
{
    if (m_activeSheet)
        return;
    setWheelMode(mode);
    if (navigate)
        setSidebarSelection(SidebarItem::home);
}

} // namespace kelvaro
