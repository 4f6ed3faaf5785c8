#pragma once
// "Nová hlídaná složka": step 1 picks the folder, step 2 the one action done to every new image
// (a workflow, a preset, a platform preset or a quick action), a note says where results go, and
// "Začít sledovat" hands folder and action to the watcher, refusing a folder already watched with
// the same action (WatchAction::isSameAs) and asking for a results folder when none is remembered. Reads the workflow and
// preset lists (following their changes), writes nothing itself; all its state goes when it
// closes. A window-modal dialog 520 px wide; main thread; built afresh by WatchView for every
// request.
#include <memory>
#include <optional>

#include <QDialog>

#include "watch/WatchModels.h"

class QComboBox;
class QVBoxLayout;

namespace kelvaro {

class KelvaroButton;
class Settings;
class Text;
class UserPresets;
class WatchService;
class WorkflowStore;

class AddWatchSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 520;

    struct PickerItem {
        QString text;
        WatchAction action;
    };
    struct PickerSection {
        QString title;
        QList<PickerItem> items;
    };

    AddWatchSheet(const WatchAction& initial, std::shared_ptr<WatchService> service, Settings& settings,
                  QWidget* parent = nullptr);
    ~AddWatchSheet() override;

    // Conversions to JPG, PNG and HEIC, metadata removal, background removal.
    static const QList<WatchAction>& quickActions();
    // The picker's sections for the chosen `action` over the decoded lists, in the interface
    // language: "Doporučeno" (only for an action no list offers), "Moje postupy", "Moje
    // předvolby" (each only when not empty), one per platform group, "Rychlé úpravy".
    static QList<PickerSection> pickerSections(const WatchAction& action, const QList<Workflow>& workflows,
                                               const QList<PresetSpec>& presets);
    // Whether two paths name one folder: links and "." / ".." resolved, canonically equivalent
    // Unicode forms equal, letter case kept. Touches disk.
    static bool isSameFolder(const QString& a, const QString& b);
    // Where results go: into "„<results folder>/Automaticky“" when one is remembered.
    static QString resultsNote(const std::optional<QString>& outputFolder);

    const WatchAction& action() const { return m_action; }
    // What choosing an item of the picker does.
    void setAction(const WatchAction& action);
    const std::optional<QString>& folder() const { return m_folder; }
    const std::optional<QString>& problem() const { return m_problem; }

    // The folder button: asks for the folder to watch; a cancel changes nothing.
    void chooseFolder();
    // "Začít sledovat": closes the sheet once the watcher has the new rule, else says why not.
    void start();

    // The pieces, for tests and the gallery.
    KelvaroButton* startButton() const { return m_start; }
    KelvaroButton* cancelButton() const { return m_cancel; }
    KelvaroButton* folderButton() const { return m_folderButton; }
    QComboBox* picker() const { return m_picker; }
    Text* detailText() const { return m_detail; }
    Text* noteText() const { return m_note; }
    Text* problemText() const { return m_problemText; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* header();
    QWidget* stepCard(int number, const QString& title, QWidget* content);
    QWidget* folderStep();
    QWidget* actionStep();
    QWidget* resultsRow();
    QWidget* problemRow();
    QWidget* buttons();
    void refreshFolder();
    void rebuildPicker();
    void refreshNote();
    void setProblem(const std::optional<QString>& problem);
    void fitHeight();

    std::shared_ptr<WatchService> m_service;
    Settings& m_settings;
    std::unique_ptr<WorkflowStore> m_workflows;
    std::unique_ptr<UserPresets> m_presets;
    WatchAction m_action;
    std::optional<QString> m_folder;
    std::optional<QString> m_problem;
    QList<WatchAction> m_pickerActions; // by item index; headers hold none

    QVBoxLayout* m_column = nullptr;
    Text* m_noFolder = nullptr;
    QWidget* m_folderLabel = nullptr;
    Text* m_folderName = nullptr;
    Text* m_folderPath = nullptr;
    KelvaroButton* m_folderButton = nullptr;
    QComboBox* m_picker = nullptr;
    Text* m_detail = nullptr;
    Text* m_note = nullptr;
    QWidget* m_problemRow = nullptr;
    Text* m_problemText = nullptr;
    KelvaroButton* m_cancel = nullptr;
    KelvaroButton* m_start = nullptr;
};

} // namespace kelvaro
