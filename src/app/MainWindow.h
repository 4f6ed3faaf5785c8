#pragma once
// The main window (object name "main", title "Kelvaro", 1200×800, at least 980×660): the menu
// bar of the application's commands over ContentView. When "kelvaro.language" changes the
// content and menus are rebuilt in the new language; the store keeps the screen shown. Closing
// only hides it. Main thread; created once by KelvaroApp.
#include <memory>

#include <QMainWindow>
#include <QPointer>

#include "ui/main/ContentView.h"

namespace kelvaro {

class Commands;
class KelvaroStore;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(KelvaroStore& store, Commands& commands, ContentView::Options options, QWidget* parent = nullptr);

    ContentView* content() const { return m_content; }
    // Builds the content and menus again in the current language.
    void rebuild();
    // The first-run welcome (when a subsystem has installed one), window-modal and not
    // dismissable, until "kelvaro.onboarded" becomes true; shown again whenever it turns false.
    QDialog* onboarding() const { return m_onboarding; }
    // Raises the window and activates it, or the welcome over it while that is open: the welcome
    // blocks the window, so the keys must go to it.
    void bringToFront();

    static constexpr QSize defaultSize{1200, 800};
    static constexpr QSize minimumContentSize{980, 660};

Q_SIGNALS:
    void rebuilt();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    KelvaroStore& m_store;
    Commands& m_commands;
    ContentView::Options m_options;
    QPointer<ContentView> m_content;
    QPointer<QDialog> m_onboarding;

    void presentOnboardingIfNeeded();
    void activateOnboarding();
};

} // namespace kelvaro
