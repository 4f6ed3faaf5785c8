#pragma once
// The "Historie" page of the main window: every result the application made, grouped by day,
// newest first, under a header with three figures (entries in all, today, bytes saved) and a
// scope picker (all, by hand, by a watched folder); the window toolbar gets its search field and
// the "Vymazat historii" button. Which output files still exist is checked off the GUI thread
// whenever the history changes and whenever the page is shown again. Clearing the history
// empties the store's history and saves it; files on disk stay. Everything else (open, reveal,
// use again) acts on one file. Main thread; built by the screen factory.
#include <memory>
#include <optional>

#include <QPointer>
#include <QWidget>

#include "ui/design/ToolbarContributor.h"
#include "ui/history/HistoryFilter.h"

class QAction;
class QLineEdit;
class QStackedWidget;

namespace kelvaro {

class EmptyStateView;
class FileManager;
class HistoryList;
class HistoryModel;
class KelvaroStore;
class QuietStat;
class SegmentedPicker;
class SheetFrame;
class ThumbnailCache;
class ToolbarButton;

class HistoryView : public QWidget, public ToolbarContributor {
    Q_OBJECT
public:
    HistoryView(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, QWidget* parent = nullptr);

    QWidget* toolbarItems() override;

    HistoryScope scope() const { return m_scope; }
    void setScope(HistoryScope scope);
    QString query() const { return m_query; }
    void setQuery(const QString& query);

    // Shows the confirmation of clearing the history (window-modal); "Vymazat" clears.
    SheetFrame* confirmClear();
    // Whether the last file check has come back.
    bool filesChecked() const;

    HistoryList* list() const { return m_list; }
    HistoryModel* model() const { return m_model; }
    EmptyStateView* emptyState() const { return m_empty; }
    bool showsEmptyState() const;
    // Whether the list says that nothing matches the scope and the search.
    bool showsNoMatches() const;
    // The title, the figures and the scope picker, which scroll with the list.
    QWidget* header() const;
    QList<QuietStat*> stats() const { return m_stats; }
    SegmentedPicker* scopePicker() const { return m_picker; }
    QLineEdit* searchField() const { return m_search; }
    ToolbarButton* clearButton() const { return m_clear; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void refreshFigures();
    void checkFiles();
    void reuse(const QString& path);

    KelvaroStore& m_store;
    std::shared_ptr<FileManager> m_fileManager;
    HistoryScope m_scope = HistoryScope::all;
    QString m_query;

    QStackedWidget* m_stack;
    EmptyStateView* m_empty;
    QList<QuietStat*> m_stats;
    SegmentedPicker* m_picker;
    HistoryModel* m_model;
    ThumbnailCache* m_thumbnails;
    HistoryList* m_list;

    QPointer<QWidget> m_toolbarItems;
    QLineEdit* m_search;
    ToolbarButton* m_clear;
    QAction* m_clearAction;

    quint64 m_checkGeneration = 0;
    bool m_checking = false;
};

} // namespace kelvaro
