#pragma once
// The bar at the top of the main window's detail column: the page title at the left and four
// controls at the right (guide, output folder, choose photos, settings). Each control is a
// QAction (text, tooltip, symbol) shown as an icon button. Main thread; created by ContentView.
#include <functional>
#include <memory>

#include <QPointer>
#include <QWidget>

class QAction;
class QHBoxLayout;

namespace kelvaro {

class FileManager;
class KelvaroStore;
class Text;

class WindowToolbar : public QWidget {
    Q_OBJECT
public:
    WindowToolbar(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, std::function<void()> openSettings,
                  QWidget* parent = nullptr);

    void setPageTitle(const QString& title);
    QString pageTitle() const;
    // Shows the current screen's own controls (see ToolbarContributor) before the toolbar's own,
    // hiding the previous screen's; null shows none. The toolbar takes ownership of the widget.
    void setScreenItems(QWidget* items);
    QWidget* screenItems() const { return m_screenItems; }
    QAction* guideAction() const { return m_guide; }
    QAction* outputFolderAction() const { return m_output; }
    QAction* chooseAction() const { return m_choose; }
    QAction* settingsAction() const { return m_settings; }

    // Reveals the output folder in the file manager, asking for one when none is remembered;
    // a cancelled choice does nothing.
    void revealOutputFolder();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAction* makeAction(const QString& text, const QString& symbol, const QString& tip);

    KelvaroStore& m_store;
    std::shared_ptr<FileManager> m_fileManager;
    QHBoxLayout* m_screenBox; // holds every screen's items; one shows at a time
    QPointer<QWidget> m_screenItems;
    Text* m_title;
    QAction* m_guide;
    QAction* m_output;
    QAction* m_choose;
    QAction* m_settings;
};

} // namespace kelvaro
