#include "ui/main/Sidebar.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "store/KelvaroStore.h"
#include "ui/design/AppIcon.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FocusRing.h"
#include "ui/design/Symbols.h"
#include "ui/design/ToolbarButton.h"

namespace kelvaro {
namespace {

const char* const kStudioKey = SettingsKey::studioEnabled;

Text* sectionHeader(const QString& title, QWidget* parent)
{
    auto* header = new Text(title, TextStyle::eyebrow, parent);
    header->setColor(Theme::secondary());
    header->setObjectName(QStringLiteral("sectionHeader"));
    header->setContentsMargins(0, 0, 0, 0);
    return header;
}

} // namespace

// ---- SidebarRow -----------------------------------------------------------------------------------

SidebarRow::SidebarRow(SidebarItem item, QWidget* parent) : QAbstractButton(parent), m_item(item)
{
    setCheckable(true);
    setAutoExclusive(false);
    setText(title(item));
    setAccessibleName(text());
    setObjectName(rawValue(item));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize SidebarRow::sizeHint() const
{
    return {180, 30};
}

void SidebarRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    const QRectF r = QRectF(rect()).adjusted(0, 1, 0, -1);
    if (isChecked() || m_hovering) {
        QColor fill = isChecked() ? Theme::ember() : Theme::primaryAt(dark, 0.05);
        if (isChecked())
            fill.setAlphaF(dark ? 0.24f : 0.16f);
        QPainterPath path;
        path.addRoundedRect(r, 7, 7);
        p.fillPath(path, fill);
    }
    if (showsFocusRing(this)) {
        p.setPen(QPen(Theme::ember(), 1.5));
        p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 7, 7);
    }
    Symbols::paint(p, QRectF(10, (height() - 17) / 2.0, 17, 17), symbol(m_item), Theme::ember(), isChecked() ? 1.15 : 1.0);
    p.setFont(Theme::font(TextStyle::body, isChecked() ? QFont::DemiBold : QFont::Normal));
    p.setPen(Theme::primary().resolve(dark));
    const QRect textRect(36, 0, width() - 44, height());
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QFontMetrics(p.font()).elidedText(text(), Qt::ElideRight, textRect.width()));
}

void SidebarRow::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SidebarRow::leaveEvent(QEvent* event)
{
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// ---- Sidebar --------------------------------------------------------------------------------------

Sidebar::Sidebar(KelvaroStore& store, Actions actions, QWidget* parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("sidebar"));
    setMinimumWidth(minimumWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Brand header.
    auto* brand = new QWidget(this);
    brand->setObjectName(QStringLiteral("brandHeader"));
    auto* brandRow = new QHBoxLayout(brand);
    brandRow->setContentsMargins(16, 14, 16, 12);
    brandRow->setSpacing(10);
    brandRow->addWidget(new AppLogo(30, brand));
    auto* name = new Text(QStringLiteral("Kelvaro"), TextStyle::headline, brand);
    name->setTextFont(Theme::font(14, QFont::DemiBold));
    brandRow->addWidget(name);
    brandRow->addStretch(1);
    column->addWidget(brand);

    // The sections scroll between the fixed header and footer.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* list = new QWidget(scroll);
    list->setAutoFillBackground(false);
    auto* rows = new QVBoxLayout(list);
    rows->setContentsMargins(10, 4, 10, 10);
    rows->setSpacing(1);
    auto addRow = [&](SidebarItem item) {
        auto* row = new SidebarRow(item, list);
        m_rows.insert(int(item), row);
        connect(row, &QAbstractButton::clicked, this, [this, item] {
            m_store.setSidebarSelection(item);
            syncSelection(); // a click on the selected row must not uncheck it
        });
        rows->addWidget(row);
    };
    auto addHeader = [&](const QString& title) {
        rows->addSpacing(14);
        auto* header = sectionHeader(title, list);
        header->setContentsMargins(10, 0, 0, 0);
        auto* wrap = new QHBoxLayout();
        wrap->setContentsMargins(10, 0, 0, 4);
        wrap->addWidget(header);
        rows->addLayout(wrap);
    };
    addRow(SidebarItem::home);
    addRow(SidebarItem::workflows);
    addRow(SidebarItem::watch);
    addHeader(L("Knihovna"));
    addRow(SidebarItem::shelves);
    addRow(SidebarItem::history);
    addHeader(L("Nápověda"));
    addRow(SidebarItem::guide);
    rows->addStretch(1);
    scroll->setWidget(list);
    column->addWidget(scroll, 1);

    // Footer.
    column->addWidget(new Divider(Qt::Horizontal, -1, this));
    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("sidebarFooter"));
    auto* footerRow = new QHBoxLayout(footer);
    // Tight enough that the privacy line stays on one line beside both buttons at the sidebar's
    // usual width; narrower, it wraps rather than being cut.
    footerRow->setContentsMargins(16, 10, 10, 10);
    footerRow->setSpacing(6);
    auto* lock = new SymbolView(QStringLiteral("lock.shield"), 12, footer);
    footerRow->addWidget(lock);
    auto* privacy = new Text(L("Vše zůstává v počítači"), TextStyle::caption, footer);
    privacy->setObjectName(QStringLiteral("privacy"));
    privacy->setColor(Theme::secondary());
    privacy->setWrap(true);
    QSizePolicy privacyPolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    privacyPolicy.setHeightForWidth(true);
    privacy->setSizePolicy(privacyPolicy);
    footerRow->addWidget(privacy, 1);
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(0);
    const auto footerButton = [footer](const QString& symbol) {
        auto* button = new ToolbarButton(symbol, footer);
        button->setFixedSize(20, 20);
        button->setGlyphSide(14);
        return button;
    };
    m_studio = footerButton(QStringLiteral("camera.viewfinder"));
    m_studio->setObjectName(QStringLiteral("studioButton"));
    m_studio->setToolTip(QStringLiteral("Studio pro screenshoty (Ctrl+Alt+Shift+S)"));
    connect(m_studio, &QToolButton::clicked, this, [open = actions.openStudio] {
        if (open)
            open();
    });
    buttons->addWidget(m_studio);
    m_settings = footerButton(QStringLiteral("gearshape"));
    m_settings->setObjectName(QStringLiteral("settingsButton"));
    m_settings->setToolTip(L("Nastavení (Ctrl+,)"));
    connect(m_settings, &QToolButton::clicked, this, [open = actions.openSettings] {
        if (open)
            open();
    });
    buttons->addWidget(m_settings);
    footerRow->addLayout(buttons);
    column->addWidget(footer);

    connect(&m_store, &KelvaroStore::sidebarSelectionChanged, this, &Sidebar::syncSelection);
    // Entering and leaving demo content replaces the history; the store marks the demo as over
    // only after that, so the footer looks again once the call has finished.
    connect(&m_store, &KelvaroStore::activitiesChanged, this, &Sidebar::refreshFooter, Qt::QueuedConnection);
    connect(&m_store, &KelvaroStore::shelvesChanged, this, &Sidebar::refreshFooter, Qt::QueuedConnection);
    connect(&Settings::shared(), &Settings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(kStudioKey))
            refreshFooter();
    });
    syncSelection();
    refreshFooter();
}

QList<SidebarRow*> Sidebar::rows() const
{
    QList<SidebarRow*> ordered;
    for (SidebarItem item : allSidebarItems())
        if (SidebarRow* r = row(item))
            ordered << r;
    return ordered;
}

void Sidebar::syncSelection()
{
    const std::optional<SidebarItem> selected = m_store.sidebarSelection();
    for (SidebarRow* r : std::as_const(m_rows))
        r->setChecked(selected && *selected == r->item());
}

void Sidebar::refreshFooter()
{
    const bool enabled = Settings::shared().boolValue(QString::fromLatin1(kStudioKey)).value_or(false);
    m_studio->setVisible(enabled && !m_store.isShowingDemo());
}

void Sidebar::showEvent(QShowEvent* event)
{
    refreshFooter();
    QWidget::showEvent(event);
}

void Sidebar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::sidebar().on(this));
}

} // namespace kelvaro
