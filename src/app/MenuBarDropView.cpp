#include "app/MenuBarDropView.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "watch/FolderWatcher.h"
#include "watch/WatchModels.h"

namespace kelvaro {
namespace {

const QString kLanguageKey = QString::fromLatin1(SettingsKey::language);

KelvaroButton* button(const char* name, QWidget* parent)
{
    auto* button = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, parent);
    button->setObjectName(QString::fromLatin1(name));
    // Three in the window's 260 need the small size.
    button->setSmall(true);
    return button;
}

} // namespace

// ---- DropBox ---------------------------------------------------------------------------------------

DropBox::DropBox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("dropBox"));
    setAcceptDrops(true);
    setMinimumHeight(120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 14, 12, 14);
    column->setSpacing(8);
    column->addStretch(1);
    m_icon = new SymbolView(QStringLiteral("photo.stack"), 30, this);
    m_icon->setColor(Theme::ember());
    m_icon->setWeight(1.2);
    column->addWidget(m_icon, 0, Qt::AlignHCenter);
    m_title = new Text(QString(), TextStyle::callout, this);
    m_title->setStyle(TextStyle::callout, QFont::DemiBold);
    m_title->setAlignment(Qt::AlignCenter);
    column->addWidget(m_title, 0, Qt::AlignHCenter);
    m_subtitle = new Text(QString(), TextStyle::caption, this);
    m_subtitle->setColor(Theme::secondary());
    m_subtitle->setAlignment(Qt::AlignCenter);
    column->addWidget(m_subtitle, 0, Qt::AlignHCenter);
    column->addStretch(1);
    retranslate();
}

QString DropBox::symbol() const
{
    return m_icon->symbol();
}

QString DropBox::title() const
{
    return m_title->text();
}

void DropBox::retranslate()
{
    m_icon->setSymbol(m_targeted ? QStringLiteral("arrow.down.circle.fill") : QStringLiteral("photo.stack"));
    m_title->setText(m_targeted ? L("Pusť to sem") : L("Přetáhni sem fotky"));
    m_subtitle->setText(L("Otevře se kolo s akcemi"));
}

void DropBox::setTargeted(bool targeted)
{
    if (m_targeted == targeted)
        return;
    m_targeted = targeted;
    retranslate();
    update();
}

QStringList DropBox::localFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (const QString path = NativePath::localFile(url); !path.isEmpty())
            files.append(path);
    }
    return files;
}

void DropBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setTargeted(true);
}

void DropBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropBox::dragLeaveEvent(QDragLeaveEvent* event)
{
    setTargeted(false);
    event->accept();
}

void DropBox::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    Q_EMIT dropped(files);
}

void DropBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor stroke = Theme::ember();
    stroke.setAlphaF(float(borderOpacity()));
    constexpr qreal width = 1.5;
    QPen pen(stroke, width, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    // Qt measures dashes in pen widths: 6 drawn, 5 apart.
    pen.setDashPattern({6 / width, 5 / width});
    pen.setDashOffset(0);
    pen.setMiterLimit(10);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // Stroked inside the outline, so the border never grows the box.
    const qreal inset = width / 2;
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 14 - inset, 14 - inset);
    p.drawPath(outline);
}

// ---- MenuBarDropView -----------------------------------------------------------------------------

MenuBarDropView::MenuBarDropView(KelvaroStore& store, FolderWatcher& watcher, Hooks hooks, QWidget* parent)
    : QWidget(parent), m_store(store), m_watcher(&watcher), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("menuBarDropView"));
    setFixedWidth(fixedWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(12);

    m_box = new DropBox(this);
    column->addWidget(m_box);
    connect(m_box, &DropBox::dropped, this, &MenuBarDropView::receive);

    m_watchLine = new QWidget(this);
    m_watchLine->setObjectName(QStringLiteral("watchLine"));
    auto* watchRow = new QHBoxLayout(m_watchLine);
    watchRow->setContentsMargins(0, 0, 0, 0);
    watchRow->setSpacing(5);
    auto* eye = new SymbolView(QStringLiteral("eye.fill"), 12, m_watchLine);
    eye->setColor(Theme::tealText());
    watchRow->addWidget(eye);
    m_watchText = new Text(QString(), TextStyle::caption, m_watchLine);
    m_watchText->setStyle(TextStyle::caption, QFont::DemiBold);
    m_watchText->setColor(Theme::tealText());
    m_watchText->setElide(Qt::ElideRight);
    watchRow->addWidget(m_watchText, 1);
    column->addWidget(m_watchLine);

    m_hint = new Text(QString(), TextStyle::caption, this);
    m_hint->setObjectName(QStringLiteral("hint"));
    m_hint->setColor(Theme::secondary());
    m_hint->setWrap(true);
    // Wrapped, the hint needs more than its one-line size hint; the column gives it that height.
    QSizePolicy hintPolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    hintPolicy.setHeightForWidth(true);
    m_hint->setSizePolicy(hintPolicy);
    column->addWidget(m_hint);

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(6);
    m_open = button("openWindow", this);
    m_choose = button("chooseFiles", this);
    m_quit = button("quit", this);
    buttons->addWidget(m_open);
    buttons->addWidget(m_choose);
    buttons->addStretch(1);
    buttons->addWidget(m_quit);
    column->addLayout(buttons);

    connect(m_open, &QAbstractButton::clicked, this, [this] {
        openMainWindow();
        Q_EMIT finished();
    });
    connect(m_choose, &QAbstractButton::clicked, this, [this] {
        openMainWindow();
        m_store.requestImporter(false);
        Q_EMIT finished();
    });
    connect(m_quit, &QAbstractButton::clicked, this, [this] {
        Q_EMIT finished();
        if (m_hooks.quit)
            m_hooks.quit();
        else
            QCoreApplication::quit();
    });
    // Whatever holds this view closes once it has done its work.
    connect(this, &MenuBarDropView::finished, this, [this] {
        if (window() != this)
            window()->hide();
    });

    connect(&watcher, &FolderWatcher::rulesChanged, this, &MenuBarDropView::updateWatchLine);
    connect(&Settings::shared(), &Settings::changed, this, [this](const QString& key) {
        if (key == kLanguageKey)
            retranslate();
    });
    retranslate();
}

void MenuBarDropView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window opens for a drop, not for a button: none of them takes the focus (and its ring)
    // as the window comes up; Tab reaches them.
    setFocus(Qt::OtherFocusReason);
}

QSize MenuBarDropView::sizeHint() const
{
    // The hint wraps: the height is the one the column needs at the fixed width.
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(fixedWidth)
                                                     : layout()->totalSizeHint().height();
    return {fixedWidth, height};
}

QSize MenuBarDropView::minimumSizeHint() const
{
    return sizeHint();
}

QString MenuBarDropView::watchText() const
{
    return m_watchText->text();
}

QString MenuBarDropView::hintText() const
{
    return m_hint->text();
}

void MenuBarDropView::retranslate()
{
    m_box->retranslate();
    // No tray on this desktop takes drops onto its icon; the main window does.
    m_hint->setText(L("Fotky můžeš pustit i rovnou do hlavního okna."));
    m_open->setText(L("Otevřít okno"));
    m_choose->setText(L("Vybrat…"));
    m_quit->setText(L("Ukončit"));
    updateWatchLine();
}

void MenuBarDropView::updateWatchLine()
{
    const int count = m_watcher ? m_watcher->activeCount() : 0;
    if (count > 0)
        m_watchText->setText(Lf("Hlídám %@", WatchScan::foldersWord(count)));
    // Hidden, the line takes no room in the column.
    m_watchLine->setVisible(count > 0);
}

void MenuBarDropView::openMainWindow()
{
    if (m_hooks.openMainWindow)
        m_hooks.openMainWindow();
}

void MenuBarDropView::receive(const QStringList& files)
{
    if (files.isEmpty())
        return;
    m_store.receive(files, false);
    m_store.setSidebarSelection(SidebarItem::home);
    openMainWindow();
    Q_EMIT finished();
}

} // namespace kelvaro
