#include "ui/wheel/LoadedWheel.h"

#include <QFileInfo>
#include <QMultiHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QWheelEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "ui/design/FileThumb.h"
#include "ui/design/ModeSwitcher.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/StatusLine.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"

namespace kelvaro::wheel {

QString preparedText(int count)
{
    return Lp(count, "1 soubor připraven", "%lld soubory připraveny", "%lld souborů připraveno");
}

namespace {

constexpr int kTileThumb = 46;
constexpr int kRemoveSide = 14;

// One file of the strip: its thumbnail with the remove button over the top-right corner,
// shifted 5 px right and up.
class Tile : public QWidget {
public:
    Tile(const QString& path, QWidget* parent)
        : QWidget(parent)
        , path(path)
    {
        setFixedSize(kTileThumb + 5, kTileThumb + 5);
        thumb = new FileThumb(path, kTileThumb, this);
        thumb->move(0, 5);
        thumb->setToolTip(NativePath::displayName(QFileInfo(path).fileName()));
        remove = new SymbolButton(QStringLiteral("xmark.circle.fill"), kRemoveSide, this);
        remove->setColors(QColor(0, 0, 0, int(0.65 * 255)), Qt::white);
        remove->setToolTip(L("Odebrat z výběru"));
        remove->move(kTileThumb - kRemoveSide + 5, 0);
        remove->raise();
    }

    QString path;
    FileThumb* thumb = nullptr;
    SymbolButton* remove = nullptr;
};

// The file strip: scrolls sideways, also with the ordinary (vertical) mouse wheel, and fades
// out at an edge where more tiles lie beyond it.
class FileStrip : public QScrollArea {
public:
    explicit FileStrip(QWidget* parent)
        : QScrollArea(parent)
    {
        for (bool left : {true, false}) {
            auto* fade = new Fade(left, this);
            (left ? m_leftFade : m_rightFade) = fade;
        }
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &FileStrip::updateFades);
        connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this, &FileStrip::updateFades);
        updateFades();
    }

    bool fadesLeft() const { return !m_leftFade->isHidden(); }
    bool fadesRight() const { return !m_rightFade->isHidden(); }

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        QScrollBar* bar = horizontalScrollBar();
        const QPoint pixels = event->pixelDelta();
        const QPoint angle = event->angleDelta();
        // A sideways gesture scrolls as it is; a plain wheel turn moves by its vertical part.
        const int step = !pixels.isNull() ? (pixels.x() != 0 ? pixels.x() : pixels.y())
                                          : (angle.x() != 0 ? angle.x() : angle.y()) / 2;
        if (bar->maximum() <= 0 || step == 0) {
            event->ignore();
            return;
        }
        bar->setValue(bar->value() - step);
        event->accept();
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        updateFades();
    }

private:
    class Fade : public QWidget {
    public:
        Fade(bool left, QWidget* parent)
            : QWidget(parent)
            , m_left(left)
        {
            setAttribute(Qt::WA_TransparentForMouseEvents);
        }

    protected:
        void paintEvent(QPaintEvent*) override
        {
            const QColor card = WheelPalette::forWidget(this).cardFill;
            QLinearGradient gradient(rect().topLeft(), rect().topRight());
            gradient.setColorAt(m_left ? 0 : 1, card);
            gradient.setColorAt(m_left ? 1 : 0, withAlpha(card, 0));
            QPainter(this).fillRect(rect(), gradient);
        }

    private:
        bool m_left;
    };

    void updateFades()
    {
        constexpr int width = 36;
        const QRect area = viewport()->geometry();
        m_leftFade->setGeometry(area.left(), area.top(), width, area.height());
        m_rightFade->setGeometry(area.right() + 1 - width, area.top(), width, area.height());
        const QScrollBar* bar = horizontalScrollBar();
        m_leftFade->setVisible(bar->value() > bar->minimum());
        m_rightFade->setVisible(bar->value() < bar->maximum());
        m_leftFade->raise();
        m_rightFade->raise();
    }

    Fade* m_leftFade = nullptr;
    Fade* m_rightFade = nullptr;
};

} // namespace

LoadedWheel::LoadedWheel(WheelStore& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);

    // Header.
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    m_headerThumb = new FileThumb(QString(), 40, this);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    m_title = new ToneLabel(QString(), this);
    m_title->setFont(wheelFont(TextSize::callout, QFont::DemiBold));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setMinimumWidth(40);
    m_count = new ToneLabel(QString(), this);
    m_count->setTone([](const WheelPalette& p) { return p.secondary; });
    m_count->setFont(wheelFont(TextSize::caption));
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_count->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addWidget(m_title);
    texts->addWidget(m_count);
    m_add = new SmallButton(QStringLiteral("plus"), L("Přidat"), this);
    m_add->setToolTip(L("Přidat další fotky do výběru (můžeš je sem i přetáhnout)"));
    m_close = new SymbolButton(QStringLiteral("xmark.circle.fill"), 18, this);
    m_close->setToolTip(L("Zrušit výběr"));
    header->addWidget(m_headerThumb, 0, Qt::AlignVCenter);
    header->addLayout(texts, 1);
    texts->setAlignment(Qt::AlignVCenter);
    header->addWidget(m_add, 0, Qt::AlignVCenter);
    header->addWidget(m_close, 0, Qt::AlignVCenter);
    column->addLayout(header);

    // File strip.
    m_strip = new FileStrip(this);
    m_strip->setFixedHeight(62);
    m_strip->setFrameShape(QFrame::NoFrame);
    m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_strip->setWidgetResizable(true);
    // The strip lies on the card: no backdrop of its own.
    m_strip->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    m_stripContent = new QWidget;
    m_stripRow = new QHBoxLayout(m_stripContent);
    m_stripRow->setContentsMargins(6, 6, 6, 0);
    m_stripRow->setSpacing(8);
    m_strip->setWidget(m_stripContent);
    column->addWidget(m_strip);

    // Wheel column, with room for a side panel.
    m_wheelRow = new QHBoxLayout;
    m_wheelRow->setSpacing(28);
    m_column = new QWidget(this);
    // 330 wide, not the switcher's own width: its segments share the whole column.
    m_column->setFixedWidth(330);
    auto* wheelColumn = new QVBoxLayout(m_column);
    wheelColumn->setContentsMargins(0, 0, 0, 0);
    wheelColumn->setSpacing(14);
    m_switch = new ModeSwitcher(m_store.wheelMode(), m_column);
    m_switch->setMaximumWidth(360);
    m_wheel = new ActionWheel(m_store.wheelMode(), m_column);
    m_wheel->setWheelSize(kWheelSize);
    m_wheel->setInnerRatio(kInnerRatio);
    m_wheel->setWedgeColors(wedgeHighlightColors());
    // The card routes drags itself, so the wedges and the rest of the card share one target.
    m_wheel->setAcceptDrops(false);
    wheelColumn->addWidget(m_switch);
    wheelColumn->addWidget(m_wheel, 0, Qt::AlignHCenter);
    m_wheelRow->addStretch(1);
    m_wheelRow->addWidget(m_column, 0, Qt::AlignTop);
    m_wheelRow->addStretch(1);
    column->addLayout(m_wheelRow);

    m_status = new StatusLine(m_store, this);
    column->addWidget(m_status);

    connect(m_add, &QAbstractButton::clicked, this, [this] { m_store.requestImporter(true); });
    connect(m_close, &QAbstractButton::clicked, this, [this] { m_store.clearSelection(); });
    connect(m_switch, &ModeSwitcher::modeClicked, this, [this](WheelMode mode) { m_store.setWheelMode(mode); });
    connect(m_wheel, &ActionWheel::actionSelected, this,
            [this](const WheelAction& action) { m_store.perform(action, m_store.wheelMode()); });
    connect(m_wheel, &ActionWheel::filesDropped, this, [this](const QList<QUrl>& urls, const WheelAction& action) {
        // A wedge drop runs on what it brought, never on the files loaded before it.
        if (m_store.receive(urls, false))
            m_store.perform(action, m_store.wheelMode());
    });
    connect(m_wheel, &ActionWheel::hoverChanged, this, [this](const WheelAction& action, bool present) {
        m_status->setHoveredAction(present ? std::optional<WheelAction>(action) : std::nullopt);
    });
    connect(&m_store, &WheelStore::changed, this, &LoadedWheel::refresh);
    refresh();
}

QString LoadedWheel::titleText() const { return m_fullTitle; }
QString LoadedWheel::countText() const { return m_count->text(); }
bool LoadedWheel::isStripShown() const { return !m_strip->isHidden(); }
QString LoadedWheel::moreText() const { return m_more ? m_more->text() : QString(); }

SymbolButton* LoadedWheel::removeButton(const QString& path) const
{
    for (QWidget* w : m_tiles)
        if (auto* tile = static_cast<Tile*>(w); tile->path == path)
            return tile->remove;
    return nullptr;
}

void LoadedWheel::refresh()
{
    const QStringList files = m_store.droppedFiles();
    const QString first = files.value(0);
    // An empty path lets go of the picture of a file that left the wheel.
    m_headerThumb->setVisible(!first.isEmpty());
    m_headerThumb->setPath(first);
    m_fullTitle = NativePath::displayName(QFileInfo(first).fileName());
    const int available = std::max(40, m_title->width());
    m_title->setText(m_title->fontMetrics().elidedText(m_fullTitle, Qt::ElideMiddle, available));
    m_title->setToolTip(m_fullTitle);
    m_count->setText(preparedText(int(files.size())));
    m_add->setEnabled(!m_store.isWorking());

    m_strip->setVisible(files.size() >= 2);
    rebuildStrip(files.size() >= 2 ? files : QStringList());

    m_switch->setSelection(m_store.wheelMode());
    m_wheel->setMode(m_store.wheelMode());
    m_wheel->setPinned(m_store.studioHighlight());
    m_wheel->setEnabled(!m_store.isWorking());
}

void LoadedWheel::rebuildStrip(const QStringList& files)
{
    const QStringList shown = files.mid(0, kMaxTiles);
    const QString more = files.size() > kMaxTiles ? Lf("+%lld", qint64(files.size() - kMaxTiles)) : QString();
    if (shown == m_stripFiles && more == moreText())
        return;
    m_stripFiles = shown;
    // A file still shown keeps its tile and the picture in it; a file that left loses its tile
    // now, and with it the wait for its picture, although the tile itself is deleted later (its
    // own remove button may be what is being clicked).
    QMultiHash<QString, Tile*> kept;
    for (QWidget* w : std::as_const(m_tiles)) {
        auto* tile = static_cast<Tile*>(w);
        kept.insert(tile->path, tile);
    }
    m_tiles.clear();
    while (m_stripRow->count() > 0)
        delete m_stripRow->takeAt(0);
    for (const QString& path : shown) {
        Tile* tile = kept.take(path);
        if (!tile) {
            tile = new Tile(path, m_stripContent);
            connect(tile->remove, &QAbstractButton::clicked, this, [this, path] { m_store.removeDropped(path); });
        }
        m_stripRow->addWidget(tile, 0, Qt::AlignVCenter);
        m_tiles.append(tile);
    }
    for (Tile* gone : std::as_const(kept)) {
        gone->hide();
        gone->thumb->setPath(QString());
        gone->deleteLater();
    }
    if (m_more) {
        m_more->deleteLater();
        m_more = nullptr;
    }
    if (!more.isEmpty()) {
        auto* label = new ToneLabel(more, m_stripContent);
        label->setTone([](const WheelPalette& p) { return p.secondary; });
        m_more = label;
        m_more->setFont(wheelFont(TextSize::caption, QFont::DemiBold));
        m_more->setContentsMargins(6, 0, 6, 0);
        m_stripRow->addWidget(m_more, 0, Qt::AlignVCenter);
    }
    m_stripRow->addStretch(1);
}

void LoadedWheel::setSidePanel(QWidget* panel)
{
    if (m_sidePanel)
        m_sidePanel->deleteLater();
    m_sidePanel = panel;
    if (panel) {
        panel->setParent(this);
        m_wheelRow->insertWidget(2, panel, 0, Qt::AlignTop);
    }
    updateSidePanel();
}

void LoadedWheel::updateSidePanel()
{
    if (!m_sidePanel)
        return;
    const int needed = m_column->sizeHint().width() + m_wheelRow->spacing() + m_sidePanel->minimumSizeHint().width();
    m_sidePanel->setVisible(width() >= needed);
}

void LoadedWheel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateSidePanel();
    m_title->setText(m_title->fontMetrics().elidedText(m_fullTitle, Qt::ElideMiddle, std::max(40, m_title->width())));
}

} // namespace kelvaro::wheel
