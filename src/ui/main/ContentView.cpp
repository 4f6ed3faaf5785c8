#include "ui/main/ContentView.h"

#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/ToolbarContributor.h"
#include "ui/main/HomeView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/main/Sidebar.h"
#include "ui/main/StatusNotice.h"
#include "ui/main/WindowToolbar.h"
#include "ui/wheel/UnsavedNotice.h"

namespace kelvaro {
namespace {

// The split between sidebar and detail: a 1-px line in the hairline colour.
class SplitHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Theme::primaryAt(this, 0.12));
    }
};

class Splitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override { return new SplitHandle(orientation(), this); }
};

} // namespace

ContentView::ContentView(KelvaroStore& store, Options options, QWidget* parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("content"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* split = new Splitter(Qt::Horizontal, this);
    split->setHandleWidth(1);
    split->setChildrenCollapsible(false);
    outer->addWidget(split);

    m_sidebar = new Sidebar(store, {options.openSettings, options.openStudio}, split);
    split->addWidget(m_sidebar);

    auto* detail = new QWidget(split);
    detail->setObjectName(QStringLiteral("detail"));
    auto* column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_toolbar = new WindowToolbar(store, options.fileManager, options.openSettings, detail);
    column->addWidget(m_toolbar);
    column->addWidget(new Divider(Qt::Horizontal, -1, detail));
    m_stack = new QStackedWidget(detail);
    column->addWidget(m_stack, 1);
    m_notice = new StatusNotice(store, detail);
    column->addWidget(m_notice);
    m_unsaved = new wheel::UnsavedNotice(detail);
    m_unsaved->setContentsMargins(24, 8, 24, 14);
    m_unsaved->setBoxed(true);
    column->addWidget(m_unsaved, 0, Qt::AlignHCenter);
    split->addWidget(detail);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({Sidebar::idealWidth, 980});

    connect(&m_store, &KelvaroStore::sidebarSelectionChanged, this, &ContentView::showSelection);
    connect(&m_store, &KelvaroStore::activeSheetChanged, this, &ContentView::presentSheet);
    connect(&m_store, &KelvaroStore::droppedFilesChanged, this, &ContentView::placeUnsavedNotice);
    connect(&m_store, &KelvaroStore::statusMessageChanged, this, &ContentView::placeUnsavedNotice);
    connect(m_notice, &StatusNotice::shownChanged, this, &ContentView::placeUnsavedNotice);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            m_store.syncShelvesWithDisk();
    });
    showSelection();
    presentSheet();
}

QWidget* ContentView::currentScreen() const
{
    return m_stack->currentWidget();
}

void ContentView::showSelection()
{
    m_current = m_store.sidebarSelection().value_or(SidebarItem::home);
    QWidget* page = m_screens.value(int(m_current));
    if (!page) {
        if (m_current == SidebarItem::home)
            page = new HomeView(m_store, m_stack);
        else
            page = ScreenFactory::buildSection(m_current, m_store, m_stack);
        page->setProperty("section", rawValue(m_current));
        m_screens.insert(int(m_current), page);
        m_stack->addWidget(page);
    }
    m_stack->setCurrentWidget(page);
    // The home screen's wheel and the workflows' queue show the status line; elsewhere the
    // notice below the screen speaks for it.
    m_notice->setScreenShowsStatus(m_current == SidebarItem::home || m_current == SidebarItem::workflows);
    placeUnsavedNotice();
    m_toolbar->setPageTitle(title(m_current));
    auto* contributor = dynamic_cast<ToolbarContributor*>(page);
    m_toolbar->setScreenItems(contributor ? contributor->toolbarItems() : nullptr);
}

void ContentView::presentSheet()
{
    const std::optional<ToolSheet> wanted = m_store.activeSheet();
    if (m_sheet) {
        if (wanted && m_sheet->property("sheetKind").toString() == rawValue(*wanted))
            return;
        dismissSheet(); // another kind, or none: the open sheet goes first
    }
    if (!wanted)
        return;
    QDialog* dialog = ScreenFactory::buildSheet(*wanted, m_store, window());
    dialog->setProperty("sheetKind", rawValue(*wanted));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    Theme::follow(dialog); // a window does not inherit its parent's palette
    m_sheet = dialog;
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        if (m_sheet != dialog)
            return;
        m_sheet = nullptr;
        m_store.setActiveSheet(std::nullopt);
    });
    dialog->open();
}

void ContentView::placeUnsavedNotice()
{
    const bool home = m_current == SidebarItem::home;
    m_unsaved->setWanted(!home || m_store.droppedFiles().isEmpty());
    // Home's card and the workflows' queue show the store's status; other screens the notice.
    const bool ownStatus = home || m_current == SidebarItem::workflows;
    m_unsaved->setShownAbove(ownStatus ? m_store.statusMessage().value_or(QString()) : m_notice->text());
}

ContentView::~ContentView()
{
    // The sheet belongs to the window, not to this content: a rebuilt content opens its own.
    dismissSheet();
}

void ContentView::dismissSheet()
{
    QDialog* old = m_sheet;
    m_sheet = nullptr;
    if (!old)
        return;
    old->disconnect(this);
    old->close();
    old->deleteLater();
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_store.syncShelvesWithDisk();
    }
}

void ContentView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::canvas().on(this));
}

} // namespace kelvaro
