#include "ui/history/HistoryModel.h"

#include "l10n/Localization.h"

namespace kelvaro {

HistoryModel::HistoryModel(QObject* parent) : QAbstractListModel(parent) {}

void HistoryModel::setDays(const QList<HistoryDay>& days, const QLocale& locale)
{
    beginResetModel();
    m_rows.clear();
    m_entries = 0;
    m_rows.append(Row{Kind::header, {}, {}, {}});
    for (const HistoryDay& day : days) {
        Row header;
        header.kind = Kind::day;
        header.day = day.day;
        header.title = dayTitle(day.day, locale);
        m_rows.append(header);
        for (const ActivityItem& item : day.items) {
            Row entry;
            entry.kind = Kind::entry;
            entry.day = day.day;
            entry.item = item;
            m_rows.append(entry);
            ++m_entries;
        }
    }
    if (days.isEmpty())
        m_rows.append(Row{Kind::nothingFound, {}, {}, {}});
    m_rows.append(Row{});
    endResetModel();
}

void HistoryModel::setExisting(const QSet<QString>& existing)
{
    if (m_checked && existing == m_existing)
        return;
    m_existing = existing;
    m_checked = true;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
}

bool HistoryModel::showsNothingFound() const
{
    return m_rows.size() > 1 && m_rows.at(1).kind == Kind::nothingFound;
}

HistoryModel::FileState HistoryModel::fileState(int index) const
{
    const Row& r = m_rows.at(index);
    if (r.kind != Kind::entry)
        return FileState::missing;
    if (!r.item.outputPath || r.item.outputPath->isEmpty())
        return FileState::missing;
    if (m_existing.contains(*r.item.outputPath))
        return FileState::present;
    return m_checked ? FileState::missing : FileState::unknown;
}

std::optional<QString> HistoryModel::file(int index) const
{
    if (index < 0 || index >= m_rows.size() || fileState(index) != FileState::present)
        return std::nullopt;
    return *m_rows.at(index).item.outputPath;
}

int HistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& r = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (r.kind == Kind::day)
            return r.title;
        if (r.kind == Kind::entry)
            return r.item.fileName + QStringLiteral(", ") + LParts(r.item.actionTitle);
        if (r.kind == Kind::nothingFound)
            return L("Nic jsem nenašel.");
        return {};
    case previewRole:
        return file(index.row()).value_or(QString());
    default:
        return {};
    }
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || m_rows.at(index.row()).kind != Kind::entry)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled;
}

} // namespace kelvaro
