#pragma once
// The "Postupy" screen: an intro, the queue strip with the store's run status, and the saved
// workflows as rows (or the empty state, or the error of an unreadable list). It creates, edits,
// duplicates and deletes workflows through its WorkflowStore, opening the workflow editor with a
// copy and writing only what the editor hands back; "Nový postup" sits in the window toolbar. The
// whole screen takes dropped files into the queue (replacing it). Main thread; built by the
// screen factory for the sidebar's workflows section.
#include <memory>

#include <QPointer>
#include <QScrollArea>

#include "model/Workflow.h"
#include "ui/design/ToolbarContributor.h"

class QDialog;
class QVBoxLayout;

namespace kelvaro {

class EmptyStateView;
class KelvaroButton;
class KelvaroStore;
class QueueStrip;
class Settings;
class Text;
class WorkflowCard;
class WorkflowEditor;
class WorkflowStore;

namespace wheel {
class FileImporter;
}

class WorkflowsView : public QScrollArea, public ToolbarContributor {
    Q_OBJECT
public:
    static constexpr int maxColumnWidth = 820;

    WorkflowsView(KelvaroStore& store, Settings& settings, std::shared_ptr<wheel::FileImporter> importer = nullptr,
                  QWidget* parent = nullptr);
    ~WorkflowsView() override;

    QWidget* toolbarItems() override;

    // "Smazat postup „Portfolio“?", with the name in the current language.
    static QString deleteTitle(const Workflow& workflow);

    // What the screen's controls do.
    void openEditor(const Workflow& workflow); // new when its name is empty
    void openNewWorkflow();
    void confirmDelete(const Workflow& workflow);
    void chooseFiles();

    // The pieces, for tests and the gallery.
    WorkflowStore& workflows() const { return *m_workflows; }
    KelvaroButton* newWorkflowButton() const;
    QueueStrip* queueStrip() const { return m_strip; }
    QList<WorkflowCard*> cards() const { return m_cards; }
    Text* unreadableText() const { return m_unreadable; }
    EmptyStateView* emptyState() const { return m_empty; }
    WorkflowEditor* editor() const;
    QDialog* deleteDialog() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* intro(QWidget* parent);
    void rebuildContent();

    KelvaroStore& m_store;
    std::unique_ptr<WorkflowStore> m_workflows;
    std::shared_ptr<wheel::FileImporter> m_importer;
    QWidget* m_column = nullptr;
    QueueStrip* m_strip = nullptr;
    QWidget* m_content = nullptr;
    QVBoxLayout* m_contentLayout = nullptr;
    Text* m_unreadable = nullptr;
    EmptyStateView* m_empty = nullptr;
    QWidget* m_list = nullptr;
    QList<WorkflowCard*> m_cards;
    QPointer<KelvaroButton> m_newButton;
    QPointer<WorkflowEditor> m_editor;
    QPointer<QDialog> m_deleteDialog;
    bool m_importerOpen = false;
};

} // namespace kelvaro
