#include "ui/main/WindowToolbar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPainter>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/ToolbarButton.h"

namespace kelvaro {

WindowToolbar::WindowToolbar(KelvaroStore& store, std::shared_ptr<FileManager> fileManager, std::function<void()> openSettings,
                             QWidget* parent)
    : QWidget(parent), m_store(store), m_fileManager(std::move(fileManager))
{
    setObjectName(QStringLiteral("toolbar"));
    setFixedHeight(52);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 0, 14, 0);
    row->setSpacing(4);
    m_title = new Text(QString(), TextStyle::cardTitle, this);
    m_title->setObjectName(QStringLiteral("pageTitle"));
    m_title->setElide(Qt::ElideRight);
    row->addWidget(m_title, 1);
    m_screenBox = new QHBoxLayout();
    m_screenBox->setContentsMargins(0, 0, 8, 0);
    m_screenBox->setSpacing(6);
    row->addLayout(m_screenBox);

    m_guide = makeAction(L("Průvodce"), QStringLiteral("questionmark.circle"), L("Vysvětlení všech funkcí"));
    m_output = makeAction(L("Výstupní složka"), QStringLiteral("folder.badge.gearshape"), L("Ukázat výstupní složku ve správci souborů"));
    m_choose = makeAction(L("Vybrat fotky do kola…"), QStringLiteral("photo.badge.plus"), L("Vybrat fotky a poslat je do kola akcí (Ctrl+O)"));
    m_settings = makeAction(L("Nastavení"), QStringLiteral("gearshape"), L("Otevřít nastavení: jazyk, složka výsledků, kvalita (Ctrl+,)"));
    for (QAction* action : {m_guide, m_output, m_choose, m_settings})
        row->addWidget(new ToolbarButton(action, this));

    connect(m_guide, &QAction::triggered, this, [this] { m_store.setSidebarSelection(SidebarItem::guide); });
    connect(m_output, &QAction::triggered, this, &WindowToolbar::revealOutputFolder);
    connect(m_choose, &QAction::triggered, this, [this] { m_store.requestImporter(false); });
    connect(m_settings, &QAction::triggered, this, [openSettings] {
        if (openSettings)
            openSettings();
    });
}

QAction* WindowToolbar::makeAction(const QString& text, const QString& symbol, const QString& tip)
{
    auto* action = new QAction(text, this);
    action->setToolTip(tip);
    action->setProperty("symbol", symbol);
    addAction(action);
    return action;
}

void WindowToolbar::setPageTitle(const QString& title)
{
    m_title->setText(title);
}

QString WindowToolbar::pageTitle() const
{
    return m_title->text();
}

void WindowToolbar::setScreenItems(QWidget* items)
{
    if (items == m_screenItems)
        return;
    if (m_screenItems)
        m_screenItems->hide();
    m_screenItems = items;
    if (!items)
        return;
    if (m_screenBox->indexOf(items) < 0) {
        items->setParent(this);
        m_screenBox->addWidget(items);
    }
    items->show();
}

void WindowToolbar::revealOutputFolder()
{
    const std::optional<QString> folder = OutputFolder::obtain();
    if (!folder)
        return;
    m_store.holdAccess(*folder);
    if (m_fileManager && !m_fileManager->reveal({*folder}))
        m_store.reportUnanswered(HandoffFailure::folder, {*folder});
}

void WindowToolbar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::canvas().on(this));
}

} // namespace kelvaro
