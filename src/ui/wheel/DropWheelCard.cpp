#include "ui/wheel/DropWheelCard.h"

#include <algorithm>

#include <QApplication>
#include <QDragEnterEvent>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include "ui/design/LinkButton.h"
#include "ui/wheel/ActionWheel.h"
#include "ui/wheel/AddToSelectionOverlay.h"
#include "ui/wheel/DropPrompt.h"
#include "ui/wheel/DropRing.h"
#include "ui/wheel/FaceFade.h"
#include "ui/wheel/FileImporter.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/ResultBanner.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"

namespace kelvaro::wheel {

DropWheelCard::DropWheelCard(WheelStore& store, std::shared_ptr<FileImporter> importer, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_importer(importer ? std::move(importer) : FileImporter::desktop())
{
    setAcceptDrops(true);
    setMinimumHeight(kMinimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::MinimumExpanding);

    // The faces lie in a panel of their own that the card places itself: while the card's height
    // springs, the new face keeps the height it will have and the card's edge cuts it, rather
    // than being squeezed anew at every step.
    m_faces = new QWidget(this);
    auto* column = new QVBoxLayout(m_faces);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);

    m_emptyFace = new QWidget(m_faces);
    auto* empty = new QVBoxLayout(m_emptyFace);
    empty->setContentsMargins(0, 0, 0, 0);
    empty->setSpacing(14);
    m_prompt = new DropPrompt(m_emptyFace);
    m_banner = new ResultBanner(m_emptyFace);
    empty->addWidget(m_prompt, 0, Qt::AlignHCenter);
    empty->addWidget(m_banner, 0, Qt::AlignHCenter);
    m_emptyFace->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    // Heard before the faces hear of the change: the picture taken here is still the old one.
    m_shownFiles = m_store.droppedFiles();
    connect(&m_store, &WheelStore::changed, this, &DropWheelCard::noteFilesChange);
    m_loaded = new LoadedWheel(m_store, m_faces);
    m_loaded->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    // Either face stands in the middle of a card taller than it.
    column->addStretch(1);
    column->addWidget(m_emptyFace);
    column->addWidget(m_loaded);
    column->addStretch(1);

    m_fade = new FaceFade(this);
    m_overlay = new AddToSelectionOverlay(this);
    connect(m_fade, &FaceFade::stepped, this, [this] {
        updateGeometry();
        layOutFaces();
    });

    connect(m_prompt->browseButton(), &QAbstractButton::clicked, this, [this] { m_store.requestImporter(false); });
    connect(m_banner->revealButton(), &QAbstractButton::clicked, this, [this] { m_store.revealOutputs(); });
    connect(m_banner->undoButton(), &QAbstractButton::clicked, this, [this] { m_store.undoLast(); });
    connect(&m_store, &WheelStore::changed, this, &DropWheelCard::refresh);
    refresh();
}

DropWheelCard::~DropWheelCard() = default;

QSize DropWheelCard::sizeHint() const
{
    return QSize(std::max(560, m_faces->sizeHint().width()), std::max(kMinimumHeight, m_fade->height(faceHeight())));
}

int DropWheelCard::settledHeight() const
{
    return std::max(kMinimumHeight, faceHeight());
}

QSize DropWheelCard::minimumSizeHint() const
{
    return QSize(m_faces->minimumSizeHint().width(), kMinimumHeight);
}

int DropWheelCard::faceHeight() const
{
    QLayout* column = m_faces->layout();
    if (!column->hasHeightForWidth())
        return column->totalSizeHint().height();
    return column->totalHeightForWidth(width() > 0 ? width() : column->totalSizeHint().width());
}

void DropWheelCard::layOutFaces()
{
    const int faces = std::max(height(), m_fade->isRunning() ? faceHeight() : 0);
    m_faces->setGeometry(0, 0, width(), faces);
    // A face taller than the card as it grows ends inside the card's edge, where the fade's
    // cover ends too.
    if (faces > height())
        m_faces->setMask(QRegion(0, 0, width(), height() - FaceFade::kEdge));
    else
        m_faces->clearMask();
}

bool DropWheelCard::isLoadedFaceShown() const { return !m_loaded->isHidden(); }
bool DropWheelCard::isOverlayShown() const { return m_overlay->isIn(); }
double DropWheelCard::overlayOpacity() const { return m_overlay->opacity(); }
double DropWheelCard::ringTargeting() const { return m_prompt->ring()->shown(); }
double DropWheelCard::symbolScale() const { return m_prompt->ring()->symbolScale(); }
bool DropWheelCard::isChangingFace() const { return m_fade->isRunning(); }
QString DropWheelCard::promptTitle() const { return m_prompt->title(); }
bool DropWheelCard::isBannerShown() const { return !m_banner->isHidden() && !m_emptyFace->isHidden(); }
QString DropWheelCard::bannerText() const { return m_banner->text(); }
QWidget* DropWheelCard::browseButton() const { return m_prompt->browseButton(); }
LinkButton* DropWheelCard::bannerRevealButton() const { return m_banner->revealButton(); }
LinkButton* DropWheelCard::bannerUndoButton() const { return m_banner->undoButton(); }

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
        m_banner->setMessage(*message, m_store.statusIsError(), !m_store.lastOutputs().isEmpty(), m_store.hasUndo());
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
    // A change under way goes on to the newest face: the face it fades out is still the one that
    // was shown before it, and the height follows what the newest face asks for.
    if (!isVisible() || size().isEmpty() || m_fade->isRunning())
        return;
    // The face that goes, alone: the card's edge and the adding overlay are not part of it. The
    // prompt is taken as it will rest, its ring and title alike.
    QWidget* leaving = m_loaded->isHidden() ? static_cast<QWidget*>(m_emptyFace) : m_loaded;
    m_prompt->ring()->settle();
    m_fade->setGeometry(rect());
    m_fade->start(height(), leaving);
    if (m_overlay->isVisible())
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

bool DropWheelCard::event(QEvent* event)
{
    // The faces' panel asks here when what it needs changes: the card has no layout to ask.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        layOutFaces();
    }
    return QWidget::event(event);
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
    m_fade->setGeometry(rect());
    layOutFaces();
    fitBanner();
}

void DropWheelCard::fitBanner()
{
    // The card's side margins and the banner's own padding.
    m_banner->setWrapWidth(std::max(200, width() - 80 - 28));
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
