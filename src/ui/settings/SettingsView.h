#pragma once
// The content of the settings window: a bar of four tabs ("Obecné", "Export", "Zkratky",
// "O aplikaci") over the chosen tab's page. Choosing a tab stores its tag under
// "kelvaro.settingsTab", so the window opens on the last chosen tab, also after a restart.
// Ctrl+W closes the window, and so does Escape when no control takes it (an open list closes
// alone). A change of language retranslates every text in place;
// nothing is rebuilt, so the open tab, the restart row and the scroll positions stay. Main
// thread; the screen factory builds one for the settings window.
#include <functional>
#include <memory>

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include "platform/SettingsKeys.h"
#include "ui/settings/AboutInfo.h"

class QAbstractButton;
class QStackedWidget;

namespace kelvaro {

class FileManager;
class KelvaroStore;

namespace settings {

class UpdateSource;

// What the settings reach outside themselves.
struct SettingsServices {
    UpdateSource* updates = nullptr;          // none: as without a release feed
    std::shared_ptr<FileManager> fileManager; // shows the results folder
    std::function<void(const QUrl&)> openUrl; // web pages in the browser
    // Starts a new instance for the language switch; true when it started (this one then quits).
    std::function<bool()> restart;
    AboutInfo about = AboutInfo::fromBuild();
};

class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* tabKey = SettingsKey::settingsTab;

    SettingsView(KelvaroStore& store, SettingsServices services, QWidget* parent = nullptr);

    // "general", "export", "shortcuts" or "about".
    static const QStringList& tabs();
    QString currentTab() const;
    // What a click on the tab does: shows it and stores its tag.
    void chooseTab(const QString& tag);
    QWidget* page(const QString& tag) const;

    // The window's fixed frame, tab bar included; every tab is laid out to fit it.
    static constexpr QSize frame{540, 500};

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showTab(const QString& tag);

    QList<QAbstractButton*> m_buttons;
    QStackedWidget* m_pages;
    QPointer<QWidget> m_window; // heard for the Escape no control took
};

} // namespace settings
} // namespace kelvaro
