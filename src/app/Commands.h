#pragma once
// The application's menu commands: the "Kolo" menu (the wheel's three modes on Ctrl+1/2/3 and
// "Vybrat soubory…" on Ctrl+O), the help menu (the guide, and the studio item while the studio
// is enabled) and the application menu (settings, quit). Every command acts on the one store;
// none opens a window except settings and the studio. Main thread; owned by KelvaroApp.
#include <functional>

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace kelvaro {

class KelvaroStore;

class Commands : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> activate;     // bring the application forward
        std::function<void()> openSettings;
        std::function<void()> openStudio;
        std::function<void()> quit;
    };
    Commands(KelvaroStore& store, Hooks hooks, QObject* parent = nullptr);

    QAction* convertMode() const { return m_convert; }
    QAction* toolsMode() const { return m_tools; }
    QAction* actionsMode() const { return m_actions; }
    QAction* chooseFiles() const { return m_choose; }
    QAction* guide() const { return m_guide; }
    QAction* studio() const { return m_studio; }
    QAction* settings() const { return m_settings; }
    QAction* quit() const { return m_quit; }

    // Fills a window's menu bar with the application, "Kolo" and help menus (texts in the
    // current language).
    void populate(QMenuBar* bar);
    // Re-reads the texts (after a language switch).
    void retranslate();

private:
    KelvaroStore& m_store;
    Hooks m_hooks;
    QAction* m_convert;
    QAction* m_tools;
    QAction* m_actions;
    QAction* m_choose;
    QAction* m_guide;
    QAction* m_studio;
    QAction* m_studioSeparator; // shown and hidden with the studio item
    QAction* m_settings;
    QAction* m_quit;
};

} // namespace kelvaro
