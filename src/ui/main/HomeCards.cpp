#include "ui/main/HomeCards.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FileThumb.h"
#include "ui/design/Formatters.h"
#include "ui/design/Readout.h"
#include "ui/design/Symbols.h"

namespace kelvaro {
namespace {

std::function<QDateTime()>& clockOverride()
{
    static std::function<QDateTime()> clock;
    return clock;
}

void clearLayout(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        else if (QLayout* inner = item->layout())
            clearLayout(inner);
        delete item;
    }
}

Text* emptyLine(const QString& text, QWidget* parent)
{
    auto* line = new Text(text, TextStyle::callout, parent);
    line->setObjectName(QStringLiteral("empty"));
    line->setColor(Theme::secondary());
    line->setWrap(true);
    line->setContentsMargins(0, 8, 0, 8);
    return line;
}

// In place of an empty list: why the stored one is not shown, in rose, when it could not be read
// (nothing is known to be empty, and what it invites to make may be refused), else `invitation`.
Text* emptyOrUnreadLine(const std::optional<QString>& unread, const QString& invitation, QWidget* parent)
{
    Text* line = emptyLine(unread.value_or(invitation), parent);
    if (unread)
        line->setColor(Theme::rose());
    return line;
}

// A small filled circle in a palette colour.
class Dot : public QWidget {
public:
    Dot(const QColor& color, QWidget* parent) : QWidget(parent), m_color(color) { setFixedSize(8, 8); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_color);
        p.drawEllipse(QRectF(0, 0, 8, 8));
    }

private:
    QColor m_color;
};

// The tile of a history entry without a file: its symbol on a faint rounded square.
class SymbolTile : public QWidget {
public:
    SymbolTile(const QString& symbol, QWidget* parent) : QWidget(parent), m_symbol(symbol) { setFixedSize(30, 30); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, 30, 30), 8, 8);
        p.fillPath(path, Theme::primaryAt(this, 0.05));
        Symbols::paint(p, QRectF(8.5, 8.5, 13, 13), m_symbol, Theme::secondary().on(this), 1.1);
    }

private:
    QString m_symbol;
};

QWidget* shelfLine(KelvaroStore& store, const Shelf& shelf, QWidget* parent)
{
    auto* line = new HoverButton(7, parent);
    line->setObjectName(QStringLiteral("shelf"));
    line->setProperty("shelfId", shelf.id);
    const QColor colour = Theme::paletteColor(shelf.colorIndex);
    line->setProperty("dotColor", colour);
    line->setAccessibleName(shelf.name);
    QHBoxLayout* row = line->contentLayout();
    row->setContentsMargins(6, 9, 6, 9);
    row->setSpacing(12);
    row->addWidget(new Dot(colour, line), 0, Qt::AlignVCenter);
    auto* glyph = new SymbolView(shelf.symbol, 13, line);
    glyph->setBoxWidth(18);
    glyph->setColor(Theme::secondary());
    glyph->setWeight(1.1);
    row->addWidget(glyph);
    auto* name = new Text(shelf.name, TextStyle::callout, line);
    name->setObjectName(QStringLiteral("name"));
    name->setElide(Qt::ElideRight);
    row->addWidget(name, 1);
    row->addSpacing(8);
    auto* count = new Readout(TextStyle::callout, line);
    count->setText(photosWord(qint64(shelf.fileCount) + shelf.items.size()));
    count->setObjectName(QStringLiteral("count"));
    count->setColor(Theme::secondary());
    row->addWidget(count);
    QObject::connect(line, &QAbstractButton::clicked, line, [&store] { store.setSidebarSelection(SidebarItem::shelves); });
    return line;
}

QWidget* activityRow(const ActivityItem& item, QWidget* parent)
{
    auto* rowWidget = new QWidget(parent);
    rowWidget->setObjectName(QStringLiteral("activity"));
    rowWidget->setProperty("activityId", item.id);
    rowWidget->setProperty("activityDate", item.date);
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(6, 8, 6, 8);
    row->setSpacing(12);
    if (item.outputPath && !item.outputPath->isEmpty())
        row->addWidget(new FileThumb(*item.outputPath, 30, rowWidget));
    else
        row->addWidget(new SymbolTile(item.symbol, rowWidget));
    auto* texts = new QVBoxLayout();
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    auto* name = new Text(item.fileName, TextStyle::callout, rowWidget);
    name->setObjectName(QStringLiteral("fileName"));
    name->setElide(Qt::ElideMiddle);
    texts->addWidget(name);
    auto* action = new Text(LParts(item.actionTitle), TextStyle::caption, rowWidget);
    action->setObjectName(QStringLiteral("actionTitle"));
    action->setColor(Theme::secondary());
    action->setElide(Qt::ElideRight);
    texts->addWidget(action);
    row->addLayout(texts, 1);
    if (item.savedBytes >= 1) {
        auto* saved = new Readout(TextStyle::caption, rowWidget);
        saved->setText(QStringLiteral("\u2212") + Formatters::byteCount(item.savedBytes));
        saved->setObjectName(QStringLiteral("saved"));
        saved->setColor(Theme::tealText());
        row->addWidget(saved);
    }
    auto* date = new Text(Formatters::relativeDate(item.date, RecentSection::now(), L10n::locale(L10n::current())),
                          TextStyle::caption, rowWidget);
    date->setObjectName(QStringLiteral("date"));
    date->setColor(Theme::secondary());
    date->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    date->setElide(Qt::ElideRight);
    date->setFixedWidth(110);
    row->addWidget(date);
    return rowWidget;
}

} // namespace

// ---- QuietStats -----------------------------------------------------------------------------------

QuietStats::QuietStats(KelvaroStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("quietStats"));
    m_layout = new FitOrStackLayout(this);
    for (const auto& [value, label] : values(store)) {
        auto* stat = new QuietStat(value, label, this);
        m_stats << stat;
        m_layout->addWidget(stat);
    }
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    // Counted from a history that could not be read, every figure would be a made-up zero.
    setVisible(store.canPersist());
    connect(&store, &KelvaroStore::activitiesChanged, this, &QuietStats::refresh);
    connect(&store, &KelvaroStore::shelvesChanged, this, &QuietStats::refresh);
}

QList<QPair<QString, QString>> QuietStats::values(const KelvaroStore& store)
{
    // Counts are plain digits ("1500"), not grouped by the locale.
    return {
        {QString::number(store.activities().size()), L("souborů zpracováno")},
        {Formatters::byteCount(totalSavedBytes(store.activities())), L("ušetřeno kompresí")},
        {QString::number(store.shelvedFiles()), L("na policích")},
        {QString::number(store.weekCount()), L("akcí tento týden")},
    };
}

void QuietStats::refresh()
{
    const auto pairs = values(m_store);
    for (int i = 0; i < pairs.size() && i < m_stats.size(); ++i)
        m_stats[i]->setValue(pairs[i].first);
    m_layout->invalidate();
    updateGeometry();
}

// ---- ShelvesSection -------------------------------------------------------------------------------

ShelvesSection::ShelvesSection(KelvaroStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("shelvesSection"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    m_head = new SectionHead(L("Police"), L("Zobrazit"), [this] { m_store.setSidebarSelection(SidebarItem::shelves); }, this);
    column->addWidget(m_head);
    m_list = new QWidget(this);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->setSpacing(0);
    column->addWidget(m_list);
    connect(&store, &KelvaroStore::shelvesChanged, this, &ShelvesSection::rebuild);
    rebuild();
}

QList<QWidget*> ShelvesSection::lines() const
{
    QList<QWidget*> result;
    for (int i = 0; i < m_listLayout->count(); ++i)
        if (QWidget* w = m_listLayout->itemAt(i)->widget(); w && w->objectName() == QLatin1String("shelf"))
            result << w;
    return result;
}

void ShelvesSection::rebuild()
{
    clearLayout(m_listLayout);
    m_empty = nullptr;
    const QList<Shelf>& shelves = m_store.shelves();
    if (shelves.isEmpty()) {
        m_empty = emptyOrUnreadLine(m_store.unreadShelvesNote(), L("Zatím žádné police. Přetáhni fotky a zvol „Na polici“."), m_list);
        m_listLayout->addWidget(m_empty);
        return;
    }
    for (const Shelf& shelf : shelves) {
        m_listLayout->addWidget(shelfLine(m_store, shelf, m_list));
        if (shelf.id != shelves.constLast().id)
            m_listLayout->addWidget(new Divider(Qt::Horizontal, -1, m_list));
    }
}

// ---- RecentSection --------------------------------------------------------------------------------

RecentSection::RecentSection(KelvaroStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("recentSection"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    m_head = new SectionHead(L("Nedávno vytvořeno"), L("Celá historie"), [this] { m_store.setSidebarSelection(SidebarItem::history); }, this);
    column->addWidget(m_head);
    m_list = new QWidget(this);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->setSpacing(0);
    column->addWidget(m_list);
    connect(&store, &KelvaroStore::activitiesChanged, this, &RecentSection::rebuild);
    rebuild();
}

void RecentSection::setClockForTesting(std::function<QDateTime()> clock)
{
    clockOverride() = std::move(clock);
}

QDateTime RecentSection::now()
{
    return clockOverride() ? clockOverride()() : QDateTime::currentDateTime();
}

QList<QWidget*> RecentSection::rows() const
{
    QList<QWidget*> result;
    for (int i = 0; i < m_listLayout->count(); ++i)
        if (QWidget* w = m_listLayout->itemAt(i)->widget(); w && w->objectName() == QLatin1String("activity"))
            result << w;
    return result;
}

void RecentSection::refreshDates()
{
    for (QWidget* row : rows()) {
        if (auto* date = row->findChild<Text*>(QStringLiteral("date")))
            date->setText(Formatters::relativeDate(row->property("activityDate").toDateTime(), now(),
                                                   L10n::locale(L10n::current())));
    }
}

void RecentSection::rebuild()
{
    clearLayout(m_listLayout);
    m_empty = nullptr;
    const QList<ActivityItem> recent = m_store.recentActivities();
    if (recent.isEmpty()) {
        m_empty = emptyOrUnreadLine(m_store.unreadHistoryNote(), L("Zatím je tu ticho. Přetáhni první fotku do kola."), m_list);
        m_listLayout->addWidget(m_empty);
        return;
    }
    for (const ActivityItem& item : recent) {
        m_listLayout->addWidget(activityRow(item, m_list));
        if (item.id != recent.constLast().id)
            m_listLayout->addWidget(new Divider(Qt::Horizontal, -1, m_list));
    }
}

} // namespace kelvaro
