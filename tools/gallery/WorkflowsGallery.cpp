// The workflows screen's pictures beyond its main-window section: the empty and unreadable lists,
// the queue with a finished run, a run under way, a finished run that can be undone, a card's
// menu, the delete question, the workflow editor (a built-in with three steps, and a new one) and
// a card of every step kind.
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMutex>
#include <QToolTip>
#include <QWaitCondition>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "output/OutputFolder.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "store/WorkflowStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/DestructiveSymbolButton.h"
#include "ui/design/Theme.h"
#include "ui/main/ContentView.h"
#include "ui/workflows/StepEditor.h"
#include "ui/workflows/WorkflowCard.h"
#include "ui/workflows/WorkflowEditor.h"
#include "ui/workflows/WorkflowsView.h"
#include "watch/WatchModels.h"

namespace kelvaro::gallery {
namespace {

const QString kKey = QString::fromLatin1(WorkflowLibrary::key);

// The main window on the workflows screen over `stored` (nothing stored when invalid); `prepare`
// may change the store and open a sheet, which is drawn over the window.
QImage workflowsWindow(const Env& env, const QVariant& stored,
                       const std::function<QDialog*(Stage&, WorkflowsView&)>& prepare = {}, StoreServices services = {},
                       const std::function<void(Stage&)>& afterShot = {},
                       const std::function<QWidget*(WorkflowsView&)>& popup = {})
{
    if (stored.isValid())
        Settings::shared().setValue(kKey, stored);
    else
        Settings::shared().remove(kKey);
    QImage image;
    {
        Stage stage(env, false, std::move(services));
        stage.store().setSidebarSelection(SidebarItem::workflows);
        MainWindow* window = stage.window();
        window->show();
        settle(150);
        auto* view = qobject_cast<WorkflowsView*>(window->content()->currentScreen());
        QDialog* sheet = prepare && view ? prepare(stage, *view) : nullptr;
        settle(200);
        QWidget* open = popup && view ? popup(*view) : nullptr;
        if (open)
            settle(150);
        image = grabWithSheet(window, sheet, env.dark, open);
        if (open)
            open->hide();
        if (sheet)
            sheet->close();
        if (afterShot)
            afterShot(stage);
    }
    Settings::shared().remove(kKey); // the other pictures start from the built-ins
    return image;
}

const GalleryScene empty(QStringLiteral("workflows-empty"), [](const Env& env) {
    return workflowsWindow(env, QByteArray("[]"));
});

const GalleryScene unreadable(QStringLiteral("workflows-unreadable"), [](const Env& env) {
    return workflowsWindow(env, QByteArray("{broken"));
});

const GalleryScene queue(QStringLiteral("workflows-queue"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), [&env](Stage& stage, WorkflowsView&) -> QDialog* {
        stage.store().setDroppedFiles(env.pictures.mid(0, 3));
        stage.store().setLastOutputs(env.pictures.mid(0, 3));
        stage.store().setStatusMessage(Lf("Hotovo – %@ ve složce „%@“.", WatchScan::filesWord(3), QStringLiteral("Výsledky")));
        return nullptr;
    });
});

// Processes events until `ready` holds (at most ten seconds).
void settleUntil(const std::function<bool()>& ready)
{
    QElapsedTimer timer;
    timer.start();
    while (!ready() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The first workflow's run over the queue, started from its card as a click starts it.
void runFirstWorkflow(Stage& stage, WorkflowsView& view, const Env& env)
{
    const QString results = env.workDir + QStringLiteral("/Výsledky");
    QDir().mkpath(results);
    OutputFolder::remember(results);
    stage.store().setDroppedFiles(env.pictures + QStringList{env.photo32});
    settle(100);
    if (auto* card = view.findChild<WorkflowCard*>())
        card->runButton()->click();
}

// A run of five photos, three of them done, held there until the picture is taken.
const GalleryScene running(QStringLiteral("workflows-running"), [](const Env& env) {
    struct Gate {
        QMutex lock;
        QWaitCondition opened;
        bool open = false;
    };
    auto gate = std::make_shared<Gate>();
    StoreServices services;
    services.process = [gate](const KelvaroOp&, const QStringList& files, const QString&, const RunHooksPtr& hooks,
                              const EngineSettings&) {
        if (hooks)
            hooks->reportProgress(3, int(files.size()));
        QMutexLocker lock(&gate->lock);
        while (!gate->open)
            gate->opened.wait(&gate->lock);
        return OpResult{};
    };
    const auto release = [gate] {
        QMutexLocker lock(&gate->lock);
        gate->open = true;
        gate->opened.wakeAll();
    };
    QImage image = workflowsWindow(
        env, QVariant(),
        [&env](Stage& stage, WorkflowsView& view) -> QDialog* {
            runFirstWorkflow(stage, view, env);
            KelvaroStore& store = stage.store();
            settleUntil([&store] { return store.isWorking() && store.progressDone() == 3; });
            return nullptr;
        },
        std::move(services),
        [release](Stage& stage) {
            release();
            KelvaroStore& store = stage.store();
            settleUntil([&store] { return !store.isWorking(); });
        });
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    return image;
});

// A real run of the first workflow, finished: the queue offers "Vrátit".
const GalleryScene undoable(QStringLiteral("workflows-undo"), [](const Env& env) {
    QImage image = workflowsWindow(env, QVariant(), [&env](Stage& stage, WorkflowsView& view) -> QDialog* {
        runFirstWorkflow(stage, view, env);
        KelvaroStore& store = stage.store();
        settleUntil([&store] { return store.isWorking(); });
        settleUntil([&store] { return !store.isWorking() && store.undoState().has_value(); });
        return nullptr;
    });
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    return image;
});

const GalleryScene editor(QStringLiteral("workflow-editor"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), [](Stage&, WorkflowsView& view) -> QDialog* {
        view.openEditor(WorkflowLibrary::defaults().first());
        return view.editor();
    });
});

// The editor of a three-step workflow after Tab from "Uložit postup" came round to the name and
// on through the steps to the last step's removal: the page follows the keys, each stop ringed.
const GalleryScene editorByTab(QStringLiteral("workflow-editor-tab"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), [](Stage&, WorkflowsView& view) -> QDialog* {
        Workflow workflow = WorkflowLibrary::defaults().first();
        workflow.steps.clear();
        for (WorkflowStep::Kind kind : {WorkflowStep::Kind::adjust, WorkflowStep::Kind::resize, WorkflowStep::Kind::watermark})
            workflow.steps << WorkflowStep::make(kind);
        view.openEditor(workflow);
        WorkflowEditor* editor = view.editor();
        if (!editor)
            return nullptr;
        settle(150);
        editor->saveButton()->setFocus(Qt::MouseFocusReason);
        StepEditor* last = editor->stepEditors().last();
        tabUntil(editor, [last](QWidget* w) { return w == last->removeButton(); });
        return editor;
    });
});

const GalleryScene editorNew(QStringLiteral("workflow-editor-new"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), [](Stage&, WorkflowsView& view) -> QDialog* {
        view.openNewWorkflow();
        return view.editor();
    });
});

// A card's menu, open under its button as a click opens it.
const GalleryScene cardMenu(QStringLiteral("workflow-menu"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), {}, {}, {}, [](WorkflowsView& view) -> QMenu* {
        auto* card = view.findChild<WorkflowCard*>();
        return popUnderButton(card ? card->menu() : nullptr);
    });
});

// The first card's steps with their tooltip, each step described: the watermark's text between „ and “.
const GalleryScene stepsTooltip(QStringLiteral("workflow-steps-tooltip"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), {}, {}, {}, [](WorkflowsView& view) -> QWidget* {
        auto* card = view.findChild<WorkflowCard*>();
        if (!card)
            return nullptr;
        Text* steps = card->stepsLabel();
        QToolTip::showText(steps->mapToGlobal(QPoint(steps->width() / 3, steps->height())), steps->toolTip(), steps);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->inherits("QTipLabel") && top->isVisible())
                return top;
        return nullptr;
    });
});

const GalleryScene confirmDelete(QStringLiteral("workflows-delete"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), [](Stage&, WorkflowsView& view) -> QDialog* {
        view.confirmDelete(WorkflowLibrary::defaults().first());
        return view.deleteDialog();
    });
});

// Every kind's card as the editor shows it, at the editor's content width.
const GalleryScene steps(QStringLiteral("workflow-steps"), [](const Env& env) {
    QWidget page;
    Theme::apply(&page, env.dark);
    auto* column = new QVBoxLayout(&page);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(10);
    const QList<WorkflowStep::Kind>& kinds = allWorkflowStepKinds();
    for (qsizetype i = 0; i < kinds.size(); ++i)
        column->addWidget(new StepEditor(WorkflowStep::make(kinds.at(i)), int(i) + 1, i > 0, i + 1 < kinds.size(), &page));
    column->addStretch(1);
    Theme::apply(&page, env.dark); // again, for the cards
    page.setAutoFillBackground(true);
    page.setFocusPolicy(Qt::StrongFocus);
    page.resize(WorkflowEditor::sheetWidth, page.sizeHint().height());
    page.show();
    page.setFocus(); // no focus ring on the first card's button
    settle(150);
    return page.grab().toImage();
});

} // namespace
} // namespace kelvaro::gallery
