#pragma once
// The column of one-click presets beside the wheel on the loaded drop card: a header with the
// button that opens the presets sheet, then, in a scroll area that fades out at its foot, the
// user's workflows (with a link to the workflows screen), one group per platform and the user's
// own presets, each entry a tile. A workflow or own-preset tile runs it on the loaded files at
// once; a platform tile hands its preset to the platform crop sheet through the store's
// pendingPreset. It reads the two stored lists through a WorkflowStore and a UserPresets of its
// own and rebuilds whenever either changes; it writes nothing. The whole panel is disabled while
// a run works. 232 wide; main thread; created with the drop card by the screen installer and
// placed by the loaded wheel.
#include <QList>
#include <QWidget>

#include "model/PresetSpec.h"

class QAbstractButton;
class QScrollArea;
class QVBoxLayout;

namespace kelvaro {

class GroupHeader;
class KelvaroStore;
class LinkButton;
class PresetTile;
class Settings;
class UserPresets;
class WorkflowStore;

class PresetPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int panelWidth = 232;
    static constexpr int scrollMaxHeight = 330;

    struct Group {
        QString title; // the Czech title
        GroupHeader* header = nullptr;
        QList<PresetTile*> tiles;
    };

    PresetPanel(KelvaroStore& store, Settings& settings, QWidget* parent = nullptr);

    // A platform preset's tile title: its looked-up name without "<platform title> " and with
    // its first letter upper-cased ("Instagram příspěvek na výšku (4x5)" → "Příspěvek na výšku (4x5)").
    static QString platformTitle(const PlatformPresets& platform, const PresetSpec& preset);
    // Its detail: "1080×1350 px", a missing side written as 0.
    static QString platformDetail(const PresetSpec& preset);

    // The pieces, for tests and the gallery.
    const QList<Group>& groups() const { return m_groups; }
    QAbstractButton* manageButton() const { return m_manage; }
    LinkButton* workflowsLink() const { return m_workflowsLink; }
    QScrollArea* scrollArea() const { return m_scroll; }

    QSize minimumSizeHint() const override;

private:
    void rebuild();
    // Appends a group with its header to `column`; its tiles go into the layout returned.
    QVBoxLayout* addGroup(QWidget* content, QVBoxLayout* column, const QString& title, const QString& symbol,
                          const QList<QColor>& fill);

    KelvaroStore& m_store;
    WorkflowStore* m_workflows = nullptr;
    UserPresets* m_presets = nullptr;
    QAbstractButton* m_manage = nullptr;
    QScrollArea* m_scroll = nullptr;
    LinkButton* m_workflowsLink = nullptr;
    QList<Group> m_groups;
};

} // namespace kelvaro
