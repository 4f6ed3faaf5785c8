#pragma once
// The rows of the history list: the room for the page's header (title, figures, scope picker),
// then for each day group a day row and one row per entry, or, when nothing matches, the row
// that says so; last a closing row of bottom padding. It also knows which output files were found on disk by the
// screen's last check: only those rows can be selected, previewed, opened or dragged. Main
// thread; owned by the history screen.
#include <optional>

#include <QAbstractListModel>
#include <QLocale>
#include <QSet>

#include "ui/history/HistoryFilter.h"

namespace kelvaro {

class HistoryModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The existing output file of an entry row (absolute path), empty for every other row; the
    // keyboard preview walks the rows through it.
    static constexpr int previewRole = Qt::UserRole + 1;

    enum class Kind { header, day, entry, nothingFound, end };
    // An entry's output file: not looked at yet, on disk, or gone (or never recorded).
    enum class FileState { unknown, present, missing };

    struct Row {
        Kind kind = Kind::end;
        QDate day;
        QString title; // a day row's header
        ActivityItem item;
    };

    explicit HistoryModel(QObject* parent = nullptr);

    void setDays(const QList<HistoryDay>& days, const QLocale& locale);
    // The output paths found on disk by the last check; every other recorded path is gone.
    void setExisting(const QSet<QString>& existing);
    bool hasCheckedFiles() const { return m_checked; }

    const Row& row(int index) const { return m_rows.at(index); }
    FileState fileState(int index) const;
    // The entry's output file when it is on disk.
    std::optional<QString> file(int index) const;
    // The entry rows in display order.
    int entryCount() const { return m_entries; }
    // Whether the rows say that nothing matches (there are no days to show).
    bool showsNothingFound() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<Row> m_rows;
    QSet<QString> m_existing;
    bool m_checked = false;
    int m_entries = 0;
};

} // namespace kelvaro
