#include "ui/history/HistoryView.h"

#include <QAction>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/NativeFile.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/EmptyStateView.h"
#include "ui/design/FitOrStackLayout.h"
#include "ui/design/QuietStat.h"
#include "ui/design/Symbols.h"
#include "ui/design/ToolbarButton.h"
#include "ui/history/HistoryList.h"
#include "ui/history/HistoryModel.h"
#include "ui/history/ThumbnailCache.h"
#include "ui/sheets/SegmentedPicker.h"
#include "ui/sheets/SheetFrame.h"

namespace kelvaro {
namespace {

QLocale shownLocale()
{
    return L10n::locale(L10n::current());
}

// The output files among `paths` that exist now, asked by the names' bytes: QFileInfo finds no
// file whose name is not UTF-8. Touches disk; any thread.
QSet<QString> existingFiles(const QStringList& paths)
{
    QSet<QString> found;
    for (const QString& path : paths)
        if (NativeFile::isFile(path))
            found.insert(path);
    return found;
}

} // namespace

HistoryView::HistoryView(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, QWidget* parent)
    : QWidget(parent), m_store(store), m_fileManager(std::move(fileManager))
{
    setObjectName(QStringLiteral("history"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    outer->addWidget(m_stack);

    m_empty = new EmptyStateView(QStringLiteral("clock.arrow.circlepath"), L("Historie je prázdná"),
                                 L("Všechno, co ve Kelvaro vytvoříš, se objeví tady."), std::nullopt, m_stack);
    m_stack->addWidget(m_empty);
    const std::optional<QString> unreadable = m_store.unreadHistoryNote();
    if (unreadable) {
        m_empty->messageText()->setText(*unreadable);
        m_empty->messageText()->setColor(Theme::rose());
        // Nothing is known to be empty: the stored list is only unread.
        m_empty->titleText()->hide();
    }

    // The header (title, figures, scope picker) is the list's first row, so it scrolls away with
    // the entries.
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("historyHeader"));
    auto* headerColumn = new QVBoxLayout(header);
    headerColumn->setContentsMargins(0, 0, 0, 0);
    headerColumn->setSpacing(18);
    auto* heading = new Text(L("Historie"), TextStyle::display, header);
    heading->setObjectName(QStringLiteral("heading"));
    headerColumn->addWidget(heading);
    if (unreadable) {
        // Entries of this session stand over a history that is still on disk, unread.
        auto* note = new Text(*unreadable, TextStyle::body, header);
        note->setObjectName(QStringLiteral("unreadable"));
        note->setColor(Theme::rose());
        note->setWrap(true);
        headerColumn->addWidget(note);
    }
    auto* figures = new QWidget(header);
    auto* figuresLayout = new FitOrStackLayout(figures);
    for (const auto& [value, label] : historySummary(m_store.activities(), QDate::currentDate(), shownLocale())) {
        auto* stat = new QuietStat(value, label, figures);
        m_stats << stat;
        figuresLayout->addWidget(stat);
    }
    QSizePolicy figuresPolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    figuresPolicy.setHeightForWidth(true);
    figures->setSizePolicy(figuresPolicy);
    headerColumn->addWidget(figures);
    QList<SegmentedPicker::Segment> segments;
    for (HistoryScope scope : allHistoryScopes())
        segments.append({rawValue(scope), title(scope)});
    m_picker = new SegmentedPicker(segments, L("Zobrazit"), header);
    m_picker->setMaximumWidth(320);
    m_picker->setSelection(rawValue(m_scope));
    headerColumn->addWidget(m_picker);

    m_model = new HistoryModel(this);
    m_thumbnails = new ThumbnailCache(HistoryList::thumbSide * 3, this);
    m_list = new HistoryList(m_model, m_thumbnails, m_stack);
    m_list->setHeader(header);
    m_stack->addWidget(m_list);

    // The toolbar's items: the search field and the clear button.
    m_toolbarItems = new QWidget(this);
    m_toolbarItems->hide();
    auto* items = new QHBoxLayout(m_toolbarItems);
    items->setContentsMargins(0, 0, 0, 0);
    items->setSpacing(6);
    m_search = new QLineEdit(m_toolbarItems);
    m_search->setObjectName(QStringLiteral("historySearch"));
    m_search->setPlaceholderText(L("Hledat soubor nebo akci"));
    m_search->setClearButtonEnabled(true);
    m_search->addAction(Symbols::icon(QStringLiteral("magnifyingglass"), Theme::secondary().on(this)), QLineEdit::LeadingPosition);
    m_search->setFixedWidth(230);
    items->addWidget(m_search);
    m_clearAction = new QAction(L("Vymazat historii"), m_toolbarItems);
    m_clearAction->setToolTip(L("Vymazat historii"));
    m_clearAction->setProperty("symbol", QStringLiteral("trash"));
    m_clear = new ToolbarButton(m_clearAction, m_toolbarItems);
    m_clear->setObjectName(QStringLiteral("clearHistory"));
    items->addWidget(m_clear);

    connect(m_search, &QLineEdit::textChanged, this, &HistoryView::setQuery);
    connect(m_clearAction, &QAction::triggered, this, [this] { confirmClear(); });
    connect(m_picker, &SegmentedPicker::tagClicked, this, [this](const QString& tag) {
        for (HistoryScope scope : allHistoryScopes())
            if (rawValue(scope) == tag)
                setScope(scope);
    });
    connect(m_list, &HistoryList::openRequested, this, [this](const QString& path) {
        if (m_fileManager && !m_fileManager->open(path))
            m_store.reportUnanswered(HandoffFailure::openFile, {path});
    });
    connect(m_list, &HistoryList::revealRequested, this, [this](const QString& path) {
        if (m_fileManager && !m_fileManager->reveal({path}))
            m_store.reportUnanswered(HandoffFailure::files, {path});
    });
    connect(m_list, &HistoryList::reuseRequested, this, &HistoryView::reuse);
    connect(&m_store, &KelvaroStore::activitiesChanged, this, [this] {
        rebuild();
        checkFiles();
    });
    rebuild();
    checkFiles();
}

QWidget* HistoryView::toolbarItems()
{
    return m_toolbarItems;
}

void HistoryView::setScope(HistoryScope scope)
{
    m_picker->setSelection(rawValue(scope));
    if (scope == m_scope)
        return;
    m_scope = scope;
    rebuild();
}

void HistoryView::setQuery(const QString& query)
{
    if (m_search->text() != query)
        m_search->setText(query); // comes back here through textChanged
    if (query == m_query)
        return;
    m_query = query;
    rebuild();
}

bool HistoryView::showsEmptyState() const
{
    return m_stack->currentWidget() == m_empty;
}

bool HistoryView::showsNoMatches() const
{
    return !showsEmptyState() && m_model->showsNothingFound();
}

QWidget* HistoryView::header() const
{
    return m_list->header();
}

bool HistoryView::filesChecked() const
{
    return !m_checking && m_model->hasCheckedFiles();
}

void HistoryView::rebuild()
{
    const QList<ActivityItem>& all = m_store.activities();
    m_clearAction->setEnabled(!all.isEmpty());
    m_stack->setCurrentWidget(all.isEmpty() ? static_cast<QWidget*>(m_empty) : static_cast<QWidget*>(m_list));
    m_model->setDays(groupByDay(filterHistory(all, m_scope, m_query)), shownLocale());
    m_list->restoreCurrent();
    refreshFigures();
}

void HistoryView::refreshFigures()
{
    const auto figures = historySummary(m_store.activities(), QDate::currentDate(), shownLocale());
    for (int i = 0; i < figures.size() && i < m_stats.size(); ++i)
        m_stats[i]->setValue(figures[i].first);
    if (QWidget* row = m_stats.value(0) ? m_stats.first()->parentWidget() : nullptr) {
        row->layout()->invalidate();
        row->updateGeometry();
    }
}

void HistoryView::checkFiles()
{
    QStringList paths;
    QSet<QString> seen;
    for (const ActivityItem& item : m_store.activities())
        if (item.outputPath && !item.outputPath->isEmpty() && !seen.contains(*item.outputPath)) {
            seen.insert(*item.outputPath);
            paths.append(*item.outputPath);
        }
    if (const auto folder = OutputFolder::resolve())
        m_store.holdAccess(*folder);
    const quint64 generation = ++m_checkGeneration;
    m_checking = true;
    auto* watcher = new QFutureWatcher<QSet<QString>>(this);
    connect(watcher, &QFutureWatcher<QSet<QString>>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_checkGeneration)
            return; // a newer check is on its way
        m_checking = false;
        // Pictures of files that changed since the last look are decoded again.
        m_thumbnails->clear();
        m_model->setExisting(watcher->result());
        m_list->restoreCurrent();
    });
    watcher->setFuture(QtConcurrent::run([paths] { return existingFiles(paths); }));
}

void HistoryView::reuse(const QString& path)
{
    m_store.receive(QStringList{path}, false);
    m_store.setSidebarSelection(SidebarItem::home);
}

SheetFrame* HistoryView::confirmClear()
{
    if (m_store.activities().isEmpty())
        return nullptr;
    auto* sheet = new SheetFrame(LKey("Vymazat celou historii?"), QStringLiteral("trash"), LKey("Vymazat"), window());
    sheet->setObjectName(QStringLiteral("confirmClear"));
    sheet->setDestructive(true);
    auto* message = new Text(L("Soubory na disku zůstanou, smaže se jen přehled."), TextStyle::callout, sheet);
    message->setColor(Theme::secondary());
    message->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    message->setSizePolicy(policy);
    sheet->addContent(message);
    QPointer<KelvaroStore> store(&m_store);
    sheet->setOnRun([store] {
        if (!store)
            return;
        store->setActivities({});
        store->save();
    });
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    Theme::follow(sheet);
    sheet->open();
    return sheet;
}

void HistoryView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Files may have come and gone while another page was shown.
    refreshFigures();
    checkFiles();
}

void HistoryView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::canvas().on(this));
}

} // namespace kelvaro
