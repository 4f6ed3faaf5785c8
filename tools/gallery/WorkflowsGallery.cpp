// The workflows screen's pictures beyond its main-window section: the empty and unreadable lists,
// the queue with a finished run, the delete question, the workflow editor (a built-in with three steps, and a new one)
// and a card of every step kind.
#include <QDialog>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "gallery/GalleryScenes.h"
#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "store/WorkflowStore.h"
#include "ui/design/Theme.h"
#include "ui/main/ContentView.h"
#include "ui/workflows/StepEditor.h"
#include "ui/workflows/WorkflowEditor.h"
#include "ui/workflows/WorkflowsView.h"
#include "watch/WatchModels.h"

namespace kelvaro::gallery {
namespace {

const QString kKey = QString::fromLatin1(WorkflowLibrary::key);

// The main window on the workflows screen over `stored` (nothing stored when invalid); `prepare`
// may change the store and open a sheet, which is drawn over the window.
QImage workflowsWindow(const Env& env, const QVariant& stored,
                       const std::function<QDialog*(Stage&, WorkflowsView&)>& prepare = {})
{
    if (stored.isValid())
        Settings::shared().setValue(kKey, stored);
    else
        Settings::shared().remove(kKey);
    QImage image;
    {
        Stage stage(env);
        stage.store().setSidebarSelection(SidebarItem::workflows);
        MainWindow* window = stage.window();
        window->show();
        settle(150);
        auto* view = qobject_cast<WorkflowsView*>(window->content()->currentScreen());
        QDialog* sheet = prepare && view ? prepare(stage, *view) : nullptr;
        settle(200);
        image = grabWithSheet(window, sheet, env.dark);
        if (sheet)
            sheet->close();
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

const GalleryScene editor(QStringLiteral("workflow-editor"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), [](Stage&, WorkflowsView& view) -> QDialog* {
        view.openEditor(WorkflowLibrary::defaults().first());
        return view.editor();
    });
});

const GalleryScene editorNew(QStringLiteral("workflow-editor-new"), [](const Env& env) {
    return workflowsWindow(env, QVariant(), [](Stage&, WorkflowsView& view) -> QDialog* {
        view.openNewWorkflow();
        return view.editor();
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
