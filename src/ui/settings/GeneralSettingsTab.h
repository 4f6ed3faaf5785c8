#pragma once
// The "general" tab: the interface language (the window and menus switch at once; after a change
// a row offers the restart that the standard dialogs and number formats wait for), the results
// folder (change, show in the file manager, forget), the two switches that act after each run,
// and the data section (clear the sample content, show the welcome again). Controls write only
// when the user changes them. The restart row stays for as long as the tab lives, also across
// language switches, which retranslate it in place. Main thread; built by the settings window.
#include <functional>
#include <memory>
#include <optional>

#include "platform/SettingsKeys.h"
#include "ui/design/SettingRows.h"

class QAbstractButton;
class QComboBox;
class QMenu;

namespace kelvaro {

class FileManager;
class KelvaroButton;
class KelvaroStore;

namespace settings {

class GeneralSettingsTab : public SettingsPage {
    Q_OBJECT
public:
    static constexpr const char* describeNamesKey = SettingsKey::describeNames;
    static constexpr const char* autoRevealKey = SettingsKey::autoReveal;
    static constexpr const char* onboardedKey = SettingsKey::onboarded;

    // `restart` starts a new instance and reports whether it started (this one then quits).
    GeneralSettingsTab(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, std::function<bool()> restart,
                       QWidget* parent = nullptr);

    const std::optional<QString>& folder() const { return m_folder; }
    // The row's actions (also the ellipsis menu's items).
    void chooseFolder();
    void revealFolder();
    void forgetFolder();
    void restart();
    // Asks before clearing the sample content; "Vymazat" clears it.
    void confirmClearSampleData();

private:
    QWidget* languageSection();
    QWidget* folderSection();
    QWidget* afterRunSection();
    QWidget* dataSection();
    void languagePicked(int index);
    void showRestartText();
    void showFolder();

    KelvaroStore& m_store;
    std::shared_ptr<FileManager> m_fileManager;
    std::function<bool()> m_restart;
    std::optional<QString> m_folder;
    bool m_restartFailed = false;
    QComboBox* m_language = nullptr;
    QWidget* m_restartRow = nullptr;
    Text* m_restartText = nullptr;
    KelvaroButton* m_restartButton = nullptr;
    SettingLabel* m_folderLabel = nullptr;
    QAbstractButton* m_folderMore = nullptr;
    QMenu* m_folderMenu = nullptr;
};

} // namespace settings
} // namespace kelvaro
