#pragma once
// One row of the workflows screen: the workflow's symbol in the row's colour, its name, its steps
// in order, its output settings, a run button over the store's queue and a menu to edit,
// duplicate or delete it. The row changes nothing but by starting a run; edits go back to the
// screen, which alone writes the stored list. Follows the store's queue and working flag.
// Main thread; created by the workflows screen.
#include <functional>

#include <QWidget>

#include "model/Workflow.h"

class QMenu;

namespace kelvaro {

class KelvaroButton;
class KelvaroStore;
class Text;
class ToolbarButton;

class WorkflowCard : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onEdit;
        std::function<void()> onDuplicate;
        std::function<void()> onDelete; // the screen asks first
    };

    WorkflowCard(KelvaroStore& store, const Workflow& workflow, const QColor& color, Actions actions,
                 QWidget* parent = nullptr);

    // "1. Zmenšit  →  2. Přidat vodoznak", or "Postup nemá žádné kroky."; in the current language.
    static QString stepsText(const Workflow& workflow);

    const Workflow& workflow() const { return m_workflow; }
    bool canRun() const;
    KelvaroButton* runButton() const { return m_run; }
    QMenu* menu() const { return m_menu; }
    Text* nameText() const { return m_name; }
    Text* stepsLabel() const { return m_steps; }

private:
    void refreshRun();

    KelvaroStore& m_store;
    Workflow m_workflow;
    Text* m_name = nullptr;
    Text* m_steps = nullptr;
    KelvaroButton* m_run = nullptr;
    ToolbarButton* m_menuButton = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace kelvaro
