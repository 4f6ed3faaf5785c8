#include "ui/workflows/WorkflowsView.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QDialog>
#include <QMimeData>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "store/WorkflowStore.h"
#include "ui/design/CentredPage.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/EmptyStateView.h"
#include "ui/design/SectionHead.h"
#include "ui/sheets/SheetFrame.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/FileImporter.h"
#include "ui/workflows/QueueStrip.h"
#include "ui/workflows/WorkflowCard.h"
#include "ui/workflows/WorkflowEditor.h"

namespace kelvaro {

WorkflowsView::WorkflowsView(KelvaroStore& store, Settings& settings, std::shared_ptr<wheel::FileImporter> importer,
                             QWidget* parent)
    : QScrollArea(parent)
    , m_store(store)
    , m_workflows(std::make_unique<WorkflowStore>(settings))
    , m_importer(importer ? std::move(importer) : wheel::FileImporter::desktop())
{
    setObjectName(QStringLiteral("workflows"));
    // The whole screen is the drop target; its children take no drops of their own.
    viewport()->setAcceptDrops(true);
    viewport()->installEventFilter(this);

    m_column = installCentredColumn(this, QStringLiteral("workflowsColumn"), maxColumnWidth);

    auto* column = new QVBoxLayout(m_column);
    column->setContentsMargins(32, 28, 32, 28);
    column->setSpacing(28);
    column->addWidget(intro(m_column));
    m_strip = new QueueStrip(store, m_column);
    connect(m_strip, &QueueStrip::chooseRequested, this, &WorkflowsView::chooseFiles);
    column->addWidget(m_strip);
    m_content = new QWidget(m_column);
    m_content->setObjectName(QStringLiteral("workflowsContent"));
    m_contentLayout = new QVBoxLayout(m_content);
    m_contentLayout->setContentsMargins(0, 0, 0, 0);
    m_contentLayout->setSpacing(0);
    column->addWidget(m_content);
    column->addStretch(1);

    connect(m_workflows.get(), &WorkflowStore::changed, this, &WorkflowsView::rebuildContent);
    rebuildContent();
}

WorkflowsView::~WorkflowsView()
{
    // The toolbar owns the button, but its action reaches this screen; so do the open dialogs.
    delete m_newButton.data();
    delete m_editor.data();
    delete m_deleteDialog.data();
}

QWidget* WorkflowsView::toolbarItems()
{
    if (!m_newButton) {
        m_newButton = new KelvaroButton(L("Nový postup"), KelvaroButton::Kind::secondary, this);
        m_newButton->setObjectName(QStringLiteral("newWorkflow"));
        m_newButton->setSymbol(QStringLiteral("plus"));
        m_newButton->setToolTip(L("Sestavit nový postup z kroků"));
        m_newButton->setEnabled(m_workflows->isWritable());
        m_newButton->hide(); // the toolbar shows it while this screen is current
        connect(m_newButton, &QAbstractButton::clicked, this, &WorkflowsView::openNewWorkflow);
    }
    return m_newButton;
}

KelvaroButton* WorkflowsView::newWorkflowButton() const
{
    return m_newButton;
}

WorkflowEditor* WorkflowsView::editor() const
{
    return m_editor;
}

QDialog* WorkflowsView::deleteDialog() const
{
    return m_deleteDialog;
}

QString WorkflowsView::deleteTitle(const Workflow& workflow)
{
    return Lf("Smazat postup „%@“?", L(workflow.name));
}

QWidget* WorkflowsView::intro(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* title = new Text(L("Postupy"), TextStyle::display, box);
    title->setObjectName(QStringLiteral("title"));
    layout->addWidget(title);
    auto* blurb = new Text(L("Postup je řetězec kroků, třeba úpravy, zmenšení a vodoznak. Sestavíš ho jednou a pak ho spustíš na "
                             "celou dávku fotek jedním klikem."),
                           TextStyle::callout, box);
    blurb->setColor(Theme::secondary());
    blurb->setWrap(true);
    blurb->setExtraLineSpacing(2);
    layout->addWidget(blurb);
    return box;
}

void WorkflowsView::rebuildContent()
{
    if (m_newButton)
        m_newButton->setEnabled(m_workflows->isWritable());
    // A row's own menu action may be what changed the list: old rows go once it has returned.
    for (QWidget* old : {static_cast<QWidget*>(m_unreadable), static_cast<QWidget*>(m_empty), m_list}) {
        if (!old)
            continue;
        m_contentLayout->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    m_unreadable = nullptr;
    m_empty = nullptr;
    m_list = nullptr;
    m_cards.clear();

    switch (m_workflows->state()) {
    case WorkflowStore::State::unreadable:
        m_unreadable = new Text(L("Uložené postupy se nepodařilo přečíst, proto je nechávám beze změny."), TextStyle::body,
                                m_content);
        m_unreadable->setObjectName(QStringLiteral("unreadable"));
        m_unreadable->setColor(Theme::rose());
        m_unreadable->setWrap(true);
        m_contentLayout->addWidget(m_unreadable);
        return;
    case WorkflowStore::State::empty:
        m_empty = new EmptyStateView(QStringLiteral("wand.and.stars"), L("Zatím žádný postup"),
                                     L("Vytvoř první postup tlačítkem Nový postup nahoře. Třeba „zmenšit, přidat vodoznak a uložit "
                                       "jako JPG“."),
                                     std::nullopt, m_content);
        m_empty->setMinimumHeight(260);
        m_contentLayout->addWidget(m_empty);
        return;
    case WorkflowStore::State::ok:
        break;
    }

    m_list = new QWidget(m_content);
    m_list->setObjectName(QStringLiteral("workflowList"));
    auto* list = new QVBoxLayout(m_list);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    auto* head = new SectionHead(L("Uložené postupy"), std::nullopt, {}, m_list);
    list->addWidget(head);
    list->addSpacing(8);
    list->addWidget(new Divider(Qt::Horizontal, -1, m_list));
    const QList<Workflow>& workflows = m_workflows->workflows();
    for (qsizetype i = 0; i < workflows.size(); ++i) {
        const Workflow workflow = workflows.at(i);
        WorkflowCard::Actions actions{
            [this, workflow] { openEditor(workflow); },
            [this, workflow] { m_workflows->duplicate(workflow); },
            [this, workflow] { confirmDelete(workflow); },
        };
        auto* card = new WorkflowCard(m_store, workflow, Theme::paletteColor(i), actions, m_list);
        list->addWidget(card);
        list->addWidget(new Divider(Qt::Horizontal, -1, m_list));
        m_cards << card;
    }
    m_contentLayout->addWidget(m_list);
}

void WorkflowsView::openNewWorkflow()
{
    if (!m_workflows->isWritable())
        return;
    openEditor(WorkflowStore::newTemplate());
}

void WorkflowsView::openEditor(const Workflow& workflow)
{
    if (m_editor)
        return;
    auto* editor = new WorkflowEditor(workflow, workflow.name.isEmpty(), [this](const Workflow& saved) {
        m_workflows->upsert(saved);
    }, window());
    editor->setWindowModality(Qt::WindowModal);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    Theme::follow(editor);
    m_editor = editor;
    editor->open();
}

void WorkflowsView::confirmDelete(const Workflow& workflow)
{
    if (m_deleteDialog)
        return;
    // The same confirmation as a shelf's or the history's: badge, question, what stays, and a
    // deletion that only a click runs, the focus on "Zrušit".
    auto* sheet = new SheetFrame(deleteTitle(workflow), QStringLiteral("trash"), LKey("Smazat"), window());
    sheet->setObjectName(QStringLiteral("deleteWorkflow"));
    sheet->setDestructive(true);
    sheet->actionButton()->setObjectName(QStringLiteral("delete"));
    auto* message = new Text(L("Fotky ani výsledky se nemažou. Zmizí jen uložený postup."), TextStyle::callout, sheet);
    message->setColor(Theme::secondary());
    message->setWrap(true);
    QSizePolicy grows(QSizePolicy::Preferred, QSizePolicy::Minimum); // past the height of its one-line hint
    grows.setHeightForWidth(true);
    message->setSizePolicy(grows);
    sheet->addContent(message);
    const QUuid id = workflow.id;
    QPointer<WorkflowStore> workflows(m_workflows.get());
    sheet->setOnRun([workflows, id] {
        if (workflows)
            workflows->remove(id);
    });
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    Theme::follow(sheet);
    m_deleteDialog = sheet;
    sheet->open();
}

void WorkflowsView::chooseFiles()
{
    if (m_importerOpen)
        return;
    m_importerOpen = true;
    QPointer<WorkflowsView> self(this);
    m_importer->choose(window(), [self](const QList<QUrl>& urls) {
        if (!self)
            return;
        self->m_importerOpen = false;
        if (!urls.isEmpty())
            self->m_store.receive(urls, false);
    });
}

bool WorkflowsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != viewport())
        return QScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const bool files = !wheel::localFileUrls(drag->mimeData()).isEmpty();
        m_strip->setTargeted(files);
        if (files) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        m_strip->setTargeted(false);
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        m_strip->setTargeted(false);
        const QList<QUrl> urls = wheel::localFileUrls(drop->mimeData());
        if (urls.isEmpty()) {
            drop->ignore();
            return true;
        }
        m_store.receive(urls, false);
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        return true;
    }
    default:
        return QScrollArea::eventFilter(watched, event);
    }
}

} // namespace kelvaro
