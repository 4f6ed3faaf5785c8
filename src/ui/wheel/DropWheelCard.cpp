#include "ui/wheel/DropWheelCard.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Motion.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/FileImporter.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

namespace {

constexpr double kFaceResponse = 0.35; // seconds: prompt to wheel, and every new selection
constexpr double kRingResponse = 0.3;  // seconds: the ring's answer to a drag

// The dashed drop ring with its symbol. Its look moves between resting (0) and targeted (1) on
// a spring, the two symbols cross-fading.
class DropRing : public QWidget {
public:
    explicit DropRing(QWidget* parent)
        : QWidget(parent)
        , m_spring(new SpringAnimation(kRingResponse, this))
    {
        setFixedSize(180, 180);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        QObject::connect(m_spring, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            m_shown = v.toDouble();
            update();
        });
    }
    void setTargeted(bool targeted)
    {
        if (targeted == m_targeted)
            return;
        m_targeted = targeted;
        m_spring->stop();
        const double target = targeted ? 1 : 0;
        if (!isVisible()) {
            m_shown = target;
            update();
            return;
        }
        m_spring->setStartValue(m_shown);
        m_spring->setEndValue(target);
        m_spring->start();
    }
    double shown() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const WheelPalette palette = WheelPalette::forWidget(this);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(rect());
        const double t = std::clamp(m_shown, 0.0, 1.0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(palette.ember, 0.1 * t));
        painter.drawEllipse(box);
        QPen dash(mix(withAlpha(palette.primary, 0.18), palette.ember, t), 1.5);
        dash.setDashPattern({6 / 1.5, 6 / 1.5});
        painter.setPen(dash);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(box.adjusted(0.75, 0.75, -0.75, -0.75));
        const double side = 44;
        const QRectF symbol(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
        const QColor colour = mix(palette.secondary, palette.ember, t);
        if (t < 1) {
            painter.setOpacity(1 - t);
            drawSymbol(painter, QStringLiteral("photo.stack"), symbol, colour);
        }
        if (t > 0) {
            painter.setOpacity(t);
            drawSymbol(painter, QStringLiteral("arrow.down.circle.fill"), symbol, colour);
        }
    }

private:
    QVariantAnimation* m_spring;
    bool m_targeted = false;
    double m_shown = 0;
};

} // namespace

// ---- The empty face's prompt ---------------------------------------------------------------------

class DropWheelCard::Prompt : public QWidget {
public:
    explicit Prompt(DropWheelCard* card)
        : QWidget(card)
    {
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(20);
        ring = new DropRing(this);
        column->addWidget(ring, 0, Qt::AlignHCenter);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        title = new ToneLabel(QString(), this);
        title->setFont(wheelFont(TextSize::headline, QFont::DemiBold));
        title->setAlignment(Qt::AlignCenter);
        subtitle = new ToneLabel(L("Otevře se kolo s akcemi pro tvoje soubory"), this);
        subtitle->setTone([](const WheelPalette& p) { return p.secondary; });
        subtitle->setFont(wheelFont(TextSize::callout));
        subtitle->setAlignment(Qt::AlignCenter);
        texts->addWidget(title);
        texts->addWidget(subtitle);
        column->addLayout(texts);

        browse = new PrimaryButton(L("Vybrat soubory…"), this);
        column->addWidget(browse, 0, Qt::AlignHCenter);

        auto* shortcut = new QHBoxLayout;
        shortcut->setSpacing(6);
        orLabel = new ToneLabel(L("nebo"), this);
        orLabel->setTone([](const WheelPalette& p) { return p.secondary; });
        orLabel->setFont(wheelFont(TextSize::caption));
        shortcut->addStretch(1);
        shortcut->addWidget(orLabel);
        shortcut->addWidget(new KeyCap(QStringLiteral("Ctrl+O"), this));
        shortcut->addStretch(1);
        column->addLayout(shortcut);
        setTargeted(false);
    }

    void setTargeted(bool targeted)
    {
        ring->setTargeted(targeted);
        title->setText(targeted ? L("Pusť to sem") : L("Přetáhni sem fotky"));
    }

    DropRing* ring = nullptr;
    ToneLabel* title = nullptr;
    ToneLabel* subtitle = nullptr;
    ToneLabel* orLabel = nullptr;
    PrimaryButton* browse = nullptr;
};

// ---- The empty face's result banner -------------------------------------------------------------

class DropWheelCard::Banner : public QWidget {
public:
    explicit Banner(DropWheelCard* card)
        : QWidget(card)
    {
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(14, 8, 14, 8);
        column->setSpacing(8);
        message = new ToneLabel(QString(), this);
        message->setFont(wheelFont(TextSize::callout));
        message->setWrapWidth(480);
        message->setAlignment(Qt::AlignCenter);
        message->setTextFormat(Qt::PlainText);
        column->addWidget(message);
        links = new QWidget(this);
        auto* row = new QHBoxLayout(links);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(14);
        reveal = new LinkButton(L("Zobrazit ve správci souborů"), TextStyle::caption, links);
        undo = new LinkButton(L("Vrátit"), TextStyle::caption, links);
        row->addWidget(reveal);
        row->addWidget(undo);
        column->addWidget(links, 0, Qt::AlignHCenter);
    }

    ToneLabel* message = nullptr;
    QWidget* links = nullptr;
    LinkButton* reveal = nullptr;
    LinkButton* undo = nullptr;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRectF box(rect());
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(WheelPalette::forWidget(this).emberText, 0.08));
        const qreal r = std::min(box.height() / 2, 18.0);
        painter.drawRoundedRect(box, r, r);
    }
};

// ---- The "add to selection" overlay ---------------------------------------------------------------

class DropWheelCard::Overlay : public QWidget {
public:
    explicit Overlay(QWidget* parent)
        : QWidget(parent)
        , m_fade(easeOutAnimation(this))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
        QObject::connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            m_opacity = v.toDouble();
            update();
        });
        QObject::connect(m_fade, &QAbstractAnimation::finished, this, [this] {
            if (!m_in)
                hide();
        });
    }

    // Fades in or out; a card that is not on screen takes the end at once.
    void setIn(bool in)
    {
        if (in == m_in)
            return;
        m_in = in;
        m_fade->stop();
        if (in) {
            show();
            raise();
        }
        if (!parentWidget()->isVisible()) {
            m_opacity = in ? 1 : 0;
            setVisible(in);
            return;
        }
        m_fade->setStartValue(m_opacity);
        m_fade->setEndValue(in ? 1.0 : 0.0);
        m_fade->start();
    }
    bool isIn() const { return m_in; }
    double opacity() const { return isHidden() ? 0 : m_opacity; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const WheelPalette palette = WheelPalette::forWidget(this);
        QPainter painter(this);
        painter.setOpacity(m_opacity);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(rect());
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(palette.ember, 0.1));
        painter.drawRoundedRect(box, 20, 20);
        QPen dash(palette.ember, 2);
        dash.setDashPattern({8 / 2.0, 6 / 2.0});
        painter.setPen(dash);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 19, 19);
        const QFont font = wheelFont(TextSize::headline, QFont::DemiBold);
        const QFontMetricsF m(font);
        const QString text = L("Přidat do výběru");
        const double icon = 16;
        const double w = icon + 6 + m.horizontalAdvance(text);
        const QPointF c = box.center();
        // The label lies over the wheel: a card-coloured pill keeps it readable.
        const QRectF pill(c.x() - w / 2 - 14, c.y() - m.height() / 2 - 8, w + 28, m.height() + 16);
        paintCapsule(painter, pill, palette.cardFill);
        painter.setPen(QPen(withAlpha(palette.ember, 0.5), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), pill.height() / 2, pill.height() / 2);
        drawSymbol(painter, QStringLiteral("plus.circle.fill"), QRectF(c.x() - w / 2, c.y() - icon / 2, icon, icon),
                   palette.emberText);
        painter.setFont(font);
        painter.setPen(palette.emberText);
        painter.drawText(QRectF(c.x() - w / 2 + icon + 6, c.y() - m.height() / 2, w, m.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }

private:
    QVariantAnimation* m_fade;
    bool m_in = false;
    double m_opacity = 0;
};

// ---- The change of face ---------------------------------------------------------------------------

// Lies over the card while its content changes and fades out the picture of what it showed
// before, so the new content comes in under it.
class DropWheelCard::Veil : public QWidget {
public:
    explicit Veil(QWidget* parent)
        : QWidget(parent)
        , m_spring(new SpringAnimation(kFaceResponse, this))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
        m_spring->setStartValue(0.0);
        m_spring->setEndValue(1.0);
        QObject::connect(m_spring, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            m_progress = v.toDouble();
            update();
        });
        QObject::connect(m_spring, &QAbstractAnimation::finished, this, [this] {
            m_before = QPixmap();
            hide();
        });
    }

    void start(const QPixmap& before)
    {
        m_spring->stop();
        m_before = before;
        m_progress = 0;
        show();
        raise();
        m_spring->start();
    }
    bool isRunning() const { return m_spring->state() == QAbstractAnimation::Running; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_before.isNull())
            return;
        QPainter painter(this);
        painter.setOpacity(1 - std::clamp(m_progress, 0.0, 1.0));
        painter.drawPixmap(0, 0, m_before);
    }

private:
    QVariantAnimation* m_spring;
    QPixmap m_before;
    double m_progress = 1;
};

// ---- The card ----------------------------------------------------------------------------------------

DropWheelCard::DropWheelCard(WheelStore& store, std::shared_ptr<FileImporter> importer, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_importer(importer ? std::move(importer) : FileImporter::desktop())
{
    setAcceptDrops(true);
    setMinimumHeight(kMinimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::MinimumExpanding);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);

    m_emptyFace = new QWidget(this);
    auto* empty = new QVBoxLayout(m_emptyFace);
    empty->setContentsMargins(0, 0, 0, 0);
    empty->setSpacing(14);
    m_prompt = new Prompt(this);
    m_banner = new Banner(this);
    empty->addWidget(m_prompt, 0, Qt::AlignHCenter);
    empty->addWidget(m_banner, 0, Qt::AlignHCenter);
    m_emptyFace->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    // Heard before the faces hear of the change: the picture taken here is still the old one.
    m_shownFiles = m_store.droppedFiles();
    connect(&m_store, &WheelStore::changed, this, &DropWheelCard::noteFilesChange);
    m_loaded = new LoadedWheel(m_store, this);
    m_loaded->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    // Either face stands in the middle of a card taller than it.
    column->addStretch(1);
    column->addWidget(m_emptyFace);
    column->addWidget(m_loaded);
    column->addStretch(1);

    m_veil = new Veil(this);
    m_overlay = new Overlay(this);

    connect(m_prompt->browse, &QAbstractButton::clicked, this, [this] { m_store.requestImporter(false); });
    connect(m_banner->reveal, &QAbstractButton::clicked, this, [this] { m_store.revealOutputs(); });
    connect(m_banner->undo, &QAbstractButton::clicked, this, [this] { m_store.undoLast(); });
    connect(&m_store, &WheelStore::changed, this, &DropWheelCard::refresh);
    refresh();
}

DropWheelCard::~DropWheelCard() = default;

QSize DropWheelCard::sizeHint() const
{
    return QWidget::sizeHint().expandedTo(QSize(560, kMinimumHeight));
}

bool DropWheelCard::isLoadedFaceShown() const { return !m_loaded->isHidden(); }
bool DropWheelCard::isOverlayShown() const { return m_overlay->isIn(); }
double DropWheelCard::overlayOpacity() const { return m_overlay->opacity(); }
double DropWheelCard::ringTargeting() const { return m_prompt->ring->shown(); }
bool DropWheelCard::isChangingFace() const { return m_veil->isRunning(); }
QString DropWheelCard::promptTitle() const { return m_prompt->title->text(); }
bool DropWheelCard::isBannerShown() const { return !m_banner->isHidden() && !m_emptyFace->isHidden(); }
QString DropWheelCard::bannerText() const { return m_banner->message->text(); }
QWidget* DropWheelCard::browseButton() const { return m_prompt->browse; }
LinkButton* DropWheelCard::bannerRevealButton() const { return m_banner->reveal; }
LinkButton* DropWheelCard::bannerUndoButton() const { return m_banner->undo; }

void DropWheelCard::refresh()
{
    const bool loaded = !m_store.droppedFiles().isEmpty();
    // The wheel's button that had the focus (the last remove or the close button) goes with the
    // wheel. The card keeps the focus itself rather than let it pass on to the next control of
    // the window, a mode tile under the card, whose ring would then look chosen.
    if (!loaded && !m_loaded->isHidden() && m_loaded->isAncestorOf(QApplication::focusWidget()))
        setFocus(Qt::OtherFocusReason);
    m_loaded->setVisible(loaded);
    m_emptyFace->setVisible(!loaded);
    const std::optional<QString> message = m_store.statusMessage();
    m_banner->setVisible(!loaded && message.has_value());
    if (message) {
        m_banner->message->setText(*message);
        const bool isError = m_store.statusIsError();
        m_banner->message->setTone([isError](const WheelPalette& p) { return isError ? p.rose : p.emberText; });
        const bool outputs = !m_store.lastOutputs().isEmpty();
        m_banner->links->setVisible(outputs);
        m_banner->undo->setVisible(outputs && m_store.hasUndo());
        fitBanner();
    }
    m_prompt->setTargeted(m_targeted);
    m_overlay->setIn(m_targeted && loaded);
    openImporterIfAsked();
}

void DropWheelCard::noteFilesChange()
{
    const QStringList files = m_store.droppedFiles();
    if (files == m_shownFiles)
        return;
    m_shownFiles = files;
    if (!isVisible() || size().isEmpty())
        return;
    m_veil->setGeometry(rect());
    // The adding overlay stays out of it: it fades on top over its own time.
    const bool overlay = m_overlay->isVisible();
    m_overlay->setVisible(false);
    const QPixmap before = fadingPicture(this);
    m_overlay->setVisible(overlay);
    m_veil->start(before);
    if (overlay)
        m_overlay->raise();
}

void DropWheelCard::setTargeted(bool targeted)
{
    if (targeted == m_targeted)
        return;
    m_targeted = targeted;
    refresh();
}

void DropWheelCard::openImporterIfAsked()
{
    if (!m_store.showImporter() || m_importerOpen || !m_importer)
        return;
    m_importerOpen = true;
    QPointer<DropWheelCard> self(this);
    m_importer->choose(window(), [self](const QList<QUrl>& urls) {
        if (!self)
            return;
        self->m_importerOpen = false;
        WheelStore& store = self->m_store;
        const bool adding = store.importerAdds();
        store.setShowImporter(false);
        if (!urls.isEmpty())
            store.receive(urls, adding);
        store.setImporterAdds(false);
    });
}

void DropWheelCard::paintEvent(QPaintEvent*)
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.cardFill);
    painter.drawRoundedRect(box, 20, 20);
    painter.setPen(QPen(palette.isDark ? QColor(255, 255, 255, int(0.09 * 255)) : QColor(0, 0, 0, int(0.08 * 255)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 19.5, 19.5);
}

void DropWheelCard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_overlay->setGeometry(rect());
    m_veil->setGeometry(rect());
    fitBanner();
}

void DropWheelCard::fitBanner()
{
    // The card's side margins and the banner's own padding.
    m_banner->message->setWrapWidth(std::max(200, width() - 80 - 28));
}

bool DropWheelCard::overWheel(QPointF cardPoint, QPointF* wheelPoint) const
{
    if (m_loaded->isHidden() || m_store.isWorking())
        return false;
    ActionWheel* wheel = m_loaded->wheel();
    if (!wheel->isVisible() || !wheel->isEnabled())
        return false;
    const QPointF p = wheel->mapFrom(this, cardPoint);
    if (!wheel->containsPoint(p))
        return false;
    *wheelPoint = p;
    return true;
}

void DropWheelCard::dragEnterEvent(QDragEnterEvent* event)
{
    if (localFileUrls(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    setTargeted(true);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QPointF wheelPoint;
    if (overWheel(event->position(), &wheelPoint)) {
        m_dragOverWheel = true;
        m_loaded->wheel()->dragUpdate(wheelPoint);
    }
}

void DropWheelCard::dragMoveEvent(QDragMoveEvent* event)
{
    QPointF wheelPoint;
    if (overWheel(event->position(), &wheelPoint)) {
        m_dragOverWheel = true;
        if (m_loaded->wheel()->dragUpdate(wheelPoint)) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        } else {
            // Over the hole: nothing to drop on.
            event->ignore();
        }
        return;
    }
    if (m_dragOverWheel) {
        m_dragOverWheel = false;
        m_loaded->wheel()->dragExit();
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropWheelCard::dragLeaveEvent(QDragLeaveEvent* event)
{
    if (m_dragOverWheel) {
        m_dragOverWheel = false;
        m_loaded->wheel()->dragExit();
    }
    setTargeted(false);
    event->accept();
}

void DropWheelCard::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = localFileUrls(event->mimeData());
    const bool wasOverWheel = std::exchange(m_dragOverWheel, false);
    setTargeted(false);
    if (urls.isEmpty()) {
        if (wasOverWheel)
            m_loaded->wheel()->dragExit();
        event->ignore();
        return;
    }
    QPointF wheelPoint;
    if (overWheel(event->position(), &wheelPoint)) {
        if (!m_loaded->wheel()->dropAt(wheelPoint, urls)) {
            m_loaded->wheel()->dragExit();
            event->ignore();
            return;
        }
    } else {
        // Read at the moment of the drop: an empty card replaces, a loaded one adds.
        m_store.receive(urls, !m_store.droppedFiles().isEmpty());
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace kelvaro::wheel
