#include "ui/main/ScreenFactory.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/EmptyStateView.h"
#include "ui/design/Symbols.h"
#include "watch/FolderWatcher.h"

namespace kelvaro {
namespace {

struct Registry {
    QHash<int, ScreenFactory::Builder> builders;
    ScreenFactory::SheetBuilder sheets;
    QPointer<FolderWatcher> watcher;
};

Registry& registry()
{
    static Registry r;
    return r;
}

ScreenContext contextFor(KelvaroStore& store)
{
    return ScreenContext{store, registry().watcher.data(), Settings::shared()};
}

QWidget* placeholderScreen(const QString& symbol, const QString& title, QWidget* parent)
{
    auto* view = new EmptyStateView(symbol, title, L("Tahle část aplikace se právě dokončuje."), std::nullopt, parent);
    view->setObjectName(QStringLiteral("placeholder"));
    return view;
}

// Stand-in for the wheel's card: the card with a dashed drop area and a short prompt.
class DropCardPlaceholder : public Card {
public:
    explicit DropCardPlaceholder(QWidget* parent) : Card(18, parent)
    {
        setObjectName(QStringLiteral("placeholder"));
        setMinimumHeight(300);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(32, 32, 32, 32);
        column->setSpacing(10);
        column->addStretch(1);
        auto* badge = new IconBadge(QStringLiteral("photo.badge.plus"), Theme::ember(), 56, false, this);
        column->addWidget(badge, 0, Qt::AlignHCenter);
        column->addSpacing(6);
        auto* title = new Text(L("Přetáhni sem fotky"), TextStyle::cardTitle, this);
        column->addWidget(title, 0, Qt::AlignHCenter);
        auto* hint = new Text(L("Kolo akcí se sem brzy vrátí."), TextStyle::callout, this);
        hint->setColor(Theme::secondary());
        column->addWidget(hint, 0, Qt::AlignHCenter);
        column->addStretch(1);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        Card::paintEvent(event);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor line = Theme::ember();
        line.setAlphaF(0.35f);
        QPen pen(line, 1.5, Qt::CustomDashLine);
        pen.setDashPattern({4, 4});
        p.setPen(pen);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(14, 14, -14, -14), 12, 12);
        p.drawPath(path);
    }
};

class SheetPlaceholder : public QDialog {
public:
    SheetPlaceholder(ToolSheet kind, QWidget* parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("placeholder"));
        setWindowTitle(QStringLiteral("Kelvaro"));
        setProperty("toolSheet", rawValue(kind));
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(24, 12, 24, 20);
        auto* empty = new EmptyStateView(QStringLiteral("slider.horizontal.3"), L("Nastavení nástroje"),
                                         L("Tahle část aplikace se právě dokončuje."), std::nullopt, this);
        column->addWidget(empty);
        auto* row = new QHBoxLayout();
        row->addStretch(1);
        auto* close = new KelvaroButton(L("Zavřít"), KelvaroButton::Kind::secondary, this);
        close->setObjectName(QStringLiteral("close"));
        connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
        row->addWidget(close);
        column->addLayout(row);
        resize(480, 420);
    }
};

} // namespace

namespace ScreenFactory {

void install(Screen screen, Builder builder)
{
    registry().builders.insert(int(screen), std::move(builder));
}

void installSheets(SheetBuilder builder)
{
    registry().sheets = std::move(builder);
}

bool isInstalled(Screen screen)
{
    return registry().builders.contains(int(screen));
}

void setWatcher(FolderWatcher* watcher)
{
    registry().watcher = watcher;
}

void reset()
{
    registry().builders.clear();
    registry().sheets = {};
    registry().watcher = nullptr;
}

bool isPlaceholder(const QWidget* widget)
{
    return widget && widget->objectName() == QLatin1String("placeholder");
}

QWidget* build(Screen screen, KelvaroStore& store, QWidget* parent)
{
    if (const auto found = registry().builders.constFind(int(screen)); found != registry().builders.constEnd() && *found) {
        if (QWidget* built = (*found)(contextFor(store), parent))
            return built;
    }
    switch (screen) {
    case Screen::dropCard: return new DropCardPlaceholder(parent);
    case Screen::workflows: return placeholderScreen(symbol(SidebarItem::workflows), title(SidebarItem::workflows), parent);
    case Screen::watch: return placeholderScreen(symbol(SidebarItem::watch), title(SidebarItem::watch), parent);
    case Screen::shelves: return placeholderScreen(symbol(SidebarItem::shelves), title(SidebarItem::shelves), parent);
    case Screen::history: return placeholderScreen(symbol(SidebarItem::history), title(SidebarItem::history), parent);
    case Screen::guide: return placeholderScreen(symbol(SidebarItem::guide), title(SidebarItem::guide), parent);
    case Screen::settings: return placeholderScreen(QStringLiteral("gearshape"), L("Nastavení"), parent);
    case Screen::studio: return placeholderScreen(QStringLiteral("camera.viewfinder"), QStringLiteral("Studio pro screenshoty"), parent);
    case Screen::dropWindow: return placeholderScreen(QStringLiteral("wand.and.stars"), QStringLiteral("Kelvaro"), parent);
    case Screen::onboarding: return nullptr;
    }
    return nullptr;
}

QDialog* buildSheet(ToolSheet kind, KelvaroStore& store, QWidget* parent)
{
    if (registry().sheets) {
        if (QDialog* built = registry().sheets(kind, contextFor(store), parent))
            return built;
    }
    return new SheetPlaceholder(kind, parent);
}

QWidget* buildSection(SidebarItem item, KelvaroStore& store, QWidget* parent)
{
    switch (item) {
    case SidebarItem::workflows: return build(Screen::workflows, store, parent);
    case SidebarItem::watch: return build(Screen::watch, store, parent);
    case SidebarItem::shelves: return build(Screen::shelves, store, parent);
    case SidebarItem::history: return build(Screen::history, store, parent);
    case SidebarItem::guide: return build(Screen::guide, store, parent);
    case SidebarItem::home: break;
    }
    return nullptr;
}

} // namespace ScreenFactory
} // namespace kelvaro
