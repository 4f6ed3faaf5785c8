#pragma once
// ViewState: what the main window shows, kept in the store so that any screen can change it: the
// wheel's mode, the sidebar section, the open tool sheet and the preset it starts from, the
// importer request and its delay, and the screenshot studio's highlight and comparison flags.
// Owned by KelvaroStore; main thread. Never persisted.
#include <optional>

#include <QObject>
#include <QString>
#include <QTimer>

#include "model/Models.h"
#include "model/Operations.h"
#include "model/PresetSpec.h"

namespace kelvaro {

class ViewState : public QObject {
    Q_OBJECT
public:
    explicit ViewState(QObject* parent = nullptr);

    WheelMode wheelMode() const { return m_wheelMode; }
    void setWheelMode(WheelMode mode);
    const std::optional<SidebarItem>& sidebarSelection() const { return m_sidebarSelection; }
    void setSidebarSelection(const std::optional<SidebarItem>& item);
    const std::optional<ToolSheet>& activeSheet() const { return m_activeSheet; }
    void setActiveSheet(const std::optional<ToolSheet>& sheet);
    const std::optional<PresetSpec>& pendingPreset() const { return m_pendingPreset; }
    void setPendingPreset(const std::optional<PresetSpec>& preset);
    bool showImporter() const { return m_showImporter; }
    void setShowImporter(bool show);
    bool importerAdds() const { return m_importerAdds; }
    void setImporterAdds(bool adds);
    const std::optional<QString>& studioHighlight() const { return m_studioHighlight; }
    void setStudioHighlight(const std::optional<QString>& key);
    bool studioCompare() const { return m_studioCompare; }
    void setStudioCompare(bool compare);

    // Switches to the home section and shows the importer once that section has had time to
    // appear: 300 ms from another section, 80 ms from home.
    void requestImporter(bool adding);
    // The importer's pending delay in milliseconds while a request waits, else none.
    std::optional<int> pendingImporterDelay() const;
    // Switches the wheel's mode (and, with `navigate`, to the home section) unless a sheet is open.
    void selectMode(WheelMode mode, bool navigate);

Q_SIGNALS:
    void wheelModeChanged();
    void sidebarSelectionChanged();
    void activeSheetChanged();
    void pendingPresetChanged();
    void showImporterChanged();
    void importerAddsChanged();
    void studioHighlightChanged();
    void studioCompareChanged();

private:
    WheelMode m_wheelMode = WheelMode::convert;
    std::optional<SidebarItem> m_sidebarSelection = SidebarItem::home;
    std::optional<ToolSheet> m_activeSheet;
    std::optional<PresetSpec> m_pendingPreset;
    bool m_showImporter = false;
    bool m_importerAdds = false;
    std::optional<QString> m_studioHighlight;
    bool m_studioCompare = false;
    QTimer m_importerTimer;
};

} // namespace kelvaro
