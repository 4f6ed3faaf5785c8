#include "ui/main/HomeView.h"

#include <algorithm>
#include <utility>

#include <QCursor>
#include <QEvent>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "store/KelvaroStore.h"
#include "ui/design/CentredPage.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/ModeSwitcher.h"
#include "ui/main/HomeCards.h"
#include "ui/main/ScreenFactory.h"
#include "ui/wheel/ActionWheel.h"

namespace kelvaro {
namespace {

// A mode tile: glyph, then the title with its key cap at the right edge over the blurb, which
// has the tile's whole width and wraps where that is too narrow.
HoverButton* modeEntry(WheelMode mode, QWidget* parent)
{
    auto* tile = new HoverButton(9, parent);
    tile->setObjectName(QStringLiteral("mode-") + rawValue(mode));
    tile->setAccessibleName(title(mode));
    tile->setToolTip(Lf("Přepnout kolo na %@", title(mode)));
    QHBoxLayout* row = tile->contentLayout();
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(10);
    auto* glyph = new SymbolView(ModeSwitcher::symbol(mode), 14, tile);
    glyph->setColor(Theme::ember());
    glyph->setBoxWidth(18);
    glyph->setWeight(1.15);
    row->addWidget(glyph, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    texts->setContentsMargins(0, 0, 0, 0);
    auto* head = new QHBoxLayout();
    head->setSpacing(6);
    auto* name = new Text(title(mode), TextStyle::callout, tile);
    name->setStyle(TextStyle::callout, QFont::Medium);
    name->setElide(Qt::ElideRight);
    head->addWidget(name, 1);
    head->addWidget(new KeyCap(modifierKeys(mode), tile), 0, Qt::AlignVCenter);
    texts->addLayout(head);
    auto* blurb = new Text(HomeView::blurb(mode), TextStyle::caption, tile);
    blurb->setObjectName(QStringLiteral("blurb"));
    blurb->setColor(Theme::secondary());
    blurb->setWrap(true);
    // Its wrapped height, not the one line its size hint gives.
    QSizePolicy grows = blurb->sizePolicy();
    grows.setVerticalPolicy(QSizePolicy::Minimum);
    blurb->setSizePolicy(grows);
    texts->addWidget(blurb);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    // The three tiles share the strip's height, that of the tallest.
    tile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return tile;
}

} // namespace

HomeView::HomeView(KelvaroStore& store, QWidget* parent, Clock clock)
    : QScrollArea(parent), m_store(store), m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{
    setObjectName(QStringLiteral("home"));

    m_column = installCentredColumn(this, QStringLiteral("homeColumn"), maxColumnWidth);

    auto* column = new QVBoxLayout(m_column);
    column->setContentsMargins(36, 28, 36, 28);
    column->setSpacing(36);
    column->addWidget(buildHero());
    m_dropCard = ScreenFactory::build(Screen::dropCard, store, m_column);
    column->addWidget(m_dropCard);
    m_dropCard->installEventFilter(this);
    column->addWidget(buildModeStrip());
    m_stats = new QuietStats(store, m_column);
    column->addWidget(m_stats);
    column->addWidget(new ShelvesSection(store, m_column));
    m_recent = new RecentSection(store, m_column);
    column->addWidget(m_recent);
    column->addStretch(1);
    refreshGreeting();
    m_minuteTimer.setInterval(60 * 1000);
    connect(&m_minuteTimer, &QTimer::timeout, this, &HomeView::refreshTimes);
    m_files = store.droppedFiles();
    connect(&store, &KelvaroStore::droppedFilesChanged, this, &HomeView::droppedFilesChanged);

    // Whatever moves the wheel on the page: a move of it or of any box it lies in, the page
    // growing or shrinking under the scroll.
    m_wheel = m_dropCard->findChild<wheel::ActionWheel*>();
    for (QWidget* box = m_wheel; box && box != m_column; box = box->parentWidget())
        box->installEventFilter(this);
    m_column->installEventFilter(this);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &HomeView::keepPlace);
    m_afterRun.setSingleShot(true);
    m_afterRun.setInterval(3000);
    connect(&store, &KelvaroStore::isWorkingChanged, this, [this] {
        if (!m_store.isWorking())
            m_afterRun.start();
    });
}

bool HomeView::holdsPlace() const
{
    return m_store.isWorking() || m_afterRun.isActive() || pointerOverWheel();
}

bool HomeView::pointerOverWheel() const
{
    // Where the wheel stood before the change: the change may have moved it from under the pointer.
    return m_wheel && m_wheel->isVisible() && m_wheelPlace.contains(viewport()->mapFromGlobal(QCursor::pos()));
}

bool HomeView::pointerOnCard() const
{
    return m_dropCard->isVisible() && m_dropCard->rect().contains(m_dropCard->mapFromGlobal(QCursor::pos()));
}

QWidget* HomeView::heldWidget() const
{
    return m_wheel && m_wheel->isVisibleTo(m_dropCard) ? m_wheel : m_dropCard;
}

int HomeView::topOf(const QWidget* widget) const
{
    return widget->mapTo(viewport(), QPoint()).y();
}

void HomeView::takePlaces()
{
    m_wheelPlace = m_wheel ? QRect(m_wheel->mapTo(viewport(), QPoint()), m_wheel->size()) : QRect();
    m_cardTop = topOf(m_dropCard);
}

void HomeView::scrollContentsBy(int dx, int dy)
{
    const bool own = std::exchange(m_scrolling, true);
    QScrollArea::scrollContentsBy(dx, dy);
    m_scrolling = own;
    // The user's own scroll, or the page's end coming up to the view: the places from here.
    if (!own)
        takePlaces();
}

void HomeView::keepPlace()
{
    if (m_scrolling || !isVisible())
        return;
    QWidget* held = heldWidget();
    if (holdsPlace()) {
        const int moved = topOf(held) - (held == m_wheel ? m_wheelPlace.top() : m_cardTop);
        if (moved != 0) {
            m_scrolling = true;
            verticalScrollBar()->setValue(verticalScrollBar()->value() + moved);
            m_scrolling = false;
        }
    }
    // The held widget keeps its place until it is let go: the page may only later grow enough
    // to scroll it all the way back.
    const QRect wheelPlace = m_wheelPlace;
    const int cardTop = m_cardTop;
    takePlaces();
    if (held == m_wheel && holdsPlace())
        m_wheelPlace = wheelPlace;
    if (held == m_dropCard && holdsPlace())
        m_cardTop = cardTop;
}

void HomeView::droppedFilesChanged()
{
    const QStringList files = m_store.droppedFiles();
    const bool arrived = std::any_of(files.begin(), files.end(), [this](const QString& f) { return !m_files.contains(f); });
    m_files = files;
    if (!arrived)
        return;
    if (!isVisible()) {
        m_revealPending = true;
        return;
    }
    // Files dropped on the card, or on a wedge, are where the user looks already.
    if (pointerOverWheel() || pointerOnCard())
        return;
    // Files from elsewhere after a run: the user looks for them, not for what the run left.
    m_afterRun.stop();
    // Once the card has taken its loaded face and the page its new height.
    QTimer::singleShot(0, this, &HomeView::revealDropCard);
}

void HomeView::revealDropCard()
{
    m_revealPending = false;
    if (!m_dropCard || !widget())
        return;
    if (widget()->layout())
        widget()->layout()->activate();
    constexpr int margin = 16;
    // The card may still be springing to its new height: reveal it as it will stand.
    const QVariant settled = m_dropCard->property("settledHeight");
    const int cardHeight = settled.isValid() ? settled.toInt() : m_dropCard->height();
    const QRect card(m_dropCard->mapTo(widget(), QPoint()), QSize(m_dropCard->width(), cardHeight));
    // Followed while it grows, as the page can only scroll as far as it is tall now.
    m_followingCard = m_dropCard->height() != cardHeight;
    const int top = verticalScrollBar()->value();
    const int height = viewport()->height();
    if (card.top() >= top && card.bottom() <= top + height)
        return;
    int value = card.top() - margin;
    if (card.height() + 2 * margin <= height)
        value = card.bottom() + margin - height < top ? card.top() - margin : std::max(top, card.bottom() + margin - height);
    verticalScrollBar()->setValue(value);
}

bool HomeView::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_dropCard && type == QEvent::Resize && m_followingCard && isVisible()) {
        // A run, or the pointer come onto the wheel, stops the following.
        if (holdsPlace())
            m_followingCard = false;
        else
            revealDropCard();
    }
    if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show || type == QEvent::Hide)
        keepPlace();
    return QScrollArea::eventFilter(watched, event);
}

QString HomeView::greeting(int hour)
{
    if (hour >= 5 && hour <= 11)
        return L("Dobré ráno");
    if (hour >= 12 && hour <= 17)
        return L("Dobré odpoledne");
    return L("Dobrý večer");
}

QString HomeView::blurb(WheelMode mode)
{
    switch (mode) {
    case WheelMode::convert: return L("Formáty, komprese a změna velikosti");
    case WheelMode::tools: return L("Úpravy, vodoznak, pozadí, OCR a sken");
    case WheelMode::actions: return L("ZIP, PDF, police a přesuny");
    }
    return {};
}

HoverButton* HomeView::modeTile(WheelMode mode) const
{
    const int index = int(allWheelModes().indexOf(mode));
    return index >= 0 && index < m_tiles.size() ? m_tiles.at(index) : nullptr;
}

void HomeView::refreshGreeting()
{
    if (m_greeting)
        m_greeting->setText(greeting(m_clock().time().hour()));
}

void HomeView::refreshTimes()
{
    refreshGreeting();
    m_stats->refresh();
    m_recent->refreshDates();
}

void HomeView::showEvent(QShowEvent* event)
{
    refreshTimes();
    m_minuteTimer.start();
    QScrollArea::showEvent(event);
    // Nothing shown yet to hold: the places are taken once the page is laid out.
    QTimer::singleShot(0, this, &HomeView::takePlaces);
    if (m_revealPending)
        QTimer::singleShot(0, this, &HomeView::revealDropCard);
}

void HomeView::hideEvent(QHideEvent* event)
{
    m_minuteTimer.stop();
    QScrollArea::hideEvent(event);
}

QWidget* HomeView::buildHero()
{
    auto* hero = new QWidget(m_column);
    hero->setObjectName(QStringLiteral("hero"));
    auto* column = new QVBoxLayout(hero);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    m_greeting = new Text(QString(), TextStyle::callout, hero);
    m_greeting->setObjectName(QStringLiteral("greeting"));
    m_greeting->setColor(Theme::secondary());
    column->addWidget(m_greeting);
    auto* title = new Text(L("Tvoje fotky. Jedním tahem."), TextStyle::display, hero);
    title->setObjectName(QStringLiteral("title"));
    title->setWrap(true);
    column->addWidget(title);
    auto* intro = new Text(L("Přetáhni soubory do kola a klikni na výseč. Výsledek se uloží do tvé složky, originály zůstanou nedotčené."),
                           TextStyle::callout, hero);
    intro->setObjectName(QStringLiteral("intro"));
    intro->setColor(Theme::secondary());
    intro->setWrap(true);
    intro->setExtraLineSpacing(2);
    column->addWidget(intro);
    return hero;
}

QWidget* HomeView::buildModeStrip()
{
    auto* strip = new Card(12, m_column);
    strip->setObjectName(QStringLiteral("modeStrip"));
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 4, 0, 4);
    row->setSpacing(0);
    const QList<WheelMode>& modes = allWheelModes();
    for (int i = 0; i < modes.size(); ++i) {
        const WheelMode mode = modes.at(i);
        HoverButton* tile = modeEntry(mode, strip);
        connect(tile, &QAbstractButton::clicked, this, [this, mode] { m_store.selectMode(mode, true); });
        m_tiles << tile;
        row->addWidget(tile, 1);
        if (i + 1 < modes.size())
            row->addWidget(new Divider(Qt::Vertical, 28, strip), 0, Qt::AlignVCenter);
    }
    return strip;
}

} // namespace kelvaro
