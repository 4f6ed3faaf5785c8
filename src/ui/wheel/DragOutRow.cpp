#include "ui/wheel/DragOutRow.h"

#include <QApplication>
#include <QDrag>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

namespace {

QPixmap fileIcon(const QString& path, int side, qreal dpr, const QColor& fallbackColor)
{
    static QFileIconProvider provider;
    const QIcon icon = provider.icon(QFileInfo(path));
    if (!icon.isNull()) {
        const QPixmap pixmap = icon.pixmap(QSize(side, side), dpr);
        if (!pixmap.isNull())
            return pixmap;
    }
    return symbolPixmap(QStringLiteral("doc"), side, fallbackColor, QColor(), dpr);
}

// A chip that starts a drag once the pointer moved far enough with the button down.
class DragChip : public QWidget {
public:
    DragChip(DragOutRow* row, QStringList paths, bool all)
        : QWidget(row)
        , m_row(row)
        , m_paths(std::move(paths))
        , m_all(all)
    {
        setCursor(Qt::OpenHandCursor);
        const QFont font = wheelFont(TextSize::caption2, m_all ? QFont::DemiBold : QFont::Normal);
        setFont(font);
        const QFontMetrics metrics(font);
        if (m_all) {
            m_text = Lf("Všech %lld", qint64(m_paths.size()));
            setToolTip(L("Přetáhni všechny výsledky najednou"));
            setFixedSize(10 + 12 + 4 + metrics.horizontalAdvance(m_text) + 10, 24);
        } else {
            const QString name = NativePath::displayName(QFileInfo(m_paths.value(0)).fileName());
            m_text = metrics.elidedText(name, Qt::ElideMiddle, 120);
            setToolTip(Lf("Přetáhni %@", name));
            setFixedSize(8 + 16 + 5 + metrics.horizontalAdvance(m_text) + 8, 24);
        }
    }

    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const WheelPalette palette = WheelPalette::forWidget(this);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(rect());
        if (m_all) {
            paintCapsule(painter, box, palette.ember);
            drawSymbol(painter, QStringLiteral("square.stack.3d.up.fill"), QRectF(10, (height() - 12) / 2.0, 12, 12),
                       Qt::white);
            painter.setPen(Qt::white);
            painter.setFont(font());
            painter.drawText(QRectF(26, 0, width() - 36, height()), Qt::AlignVCenter | Qt::AlignLeft, m_text);
            return;
        }
        paintCapsule(painter, box, withAlpha(palette.primary, 0.1 * 0.6));
        const qreal dpr = devicePixelRatioF();
        painter.drawPixmap(QRectF(8, (height() - 16) / 2.0, 16, 16), fileIcon(m_paths.value(0), 16, dpr, palette.secondary),
                           QRectF());
        painter.setPen(palette.primary);
        painter.setFont(font());
        painter.drawText(QRectF(29, 0, width() - 37, height()), Qt::AlignVCenter | Qt::AlignLeft, m_text);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressAt = event->position().toPoint();
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!(event->buttons() & Qt::LeftButton) || m_pressAt.isNull())
            return;
        if ((event->position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return;
        m_pressAt = QPoint();
        m_row->startDrag(this, m_paths, m_all);
    }

    void mouseReleaseEvent(QMouseEvent*) override { m_pressAt = QPoint(); }

private:
    DragOutRow* m_row;
    QStringList m_paths;
    bool m_all;
    QString m_text;
    QPoint m_pressAt;
};

} // namespace

QMimeData* makeResultMime(const QStringList& paths)
{
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(NativePath::localUrl(path));
    mime->setUrls(urls);
    return mime;
}

QList<QPoint> fanOffsets(int count)
{
    QList<QPoint> offsets;
    for (int i = 0; i < count; ++i) {
        const int k = 6 * std::min(i, 5);
        offsets.append(QPoint(k, k));
    }
    return offsets;
}

QPixmap fannedDragPixmap(const QStringList& paths, QPoint* hotSpot)
{
    constexpr int side = 48;
    const QList<QPoint> offsets = fanOffsets(int(paths.size()));
    const int spread = offsets.isEmpty() ? 0 : offsets.last().x();
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(side + spread, side + spread) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Later files lie under earlier ones, so the first file stays on top under the pointer.
    for (int i = int(paths.size()) - 1; i >= 0; --i)
        painter.drawPixmap(QRect(offsets[i], QSize(side, side)), fileIcon(paths[i], side, dpr, QColor(120, 120, 120)));
    if (hotSpot)
        *hotSpot = QPoint(side / 2, side / 2);
    return pixmap;
}

DragOutRow::DragOutRow(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    m_chipRow = new QHBoxLayout;
    m_chipRow->setSpacing(8);
    m_chipRow->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_chipRow);
    auto* caption = new ToneLabel(L("Přetáhni výsledek, kam potřebuješ"), this);
    caption->setTone([](const WheelPalette& p) { return p.tertiary; });
    m_caption = caption;
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setFont(wheelFont(TextSize::caption2));
    column->addWidget(m_caption, 0, Qt::AlignHCenter);
    m_starter = [](QDrag* drag) { drag->exec(kResultDragActions, Qt::CopyAction); };
}

void DragOutRow::setPaths(const QStringList& paths)
{
    if (paths == m_paths)
        return;
    m_paths = paths;
    rebuild();
}

void DragOutRow::rebuild()
{
    for (QWidget* chip : std::as_const(m_chips))
        chip->deleteLater();
    m_chips.clear();
    m_allChip = nullptr;
    while (m_chipRow->count() > 0)
        delete m_chipRow->takeAt(0);
    m_chipRow->addStretch(1);
    for (int i = 0; i < std::min<qsizetype>(kMaxChips, m_paths.size()); ++i) {
        auto* chip = new DragChip(this, {m_paths[i]}, false);
        m_chipRow->addWidget(chip);
        m_chips.append(chip);
    }
    if (m_paths.size() >= 2) {
        auto* chip = new DragChip(this, m_paths, true);
        m_chipRow->addWidget(chip);
        m_chips.append(chip);
        m_allChip = chip;
    }
    m_chipRow->addStretch(1);
}

void DragOutRow::startDrag(QWidget* source, const QStringList& paths, bool fanned)
{
    if (paths.isEmpty())
        return;
    auto* drag = new QDrag(source);
    drag->setMimeData(makeResultMime(paths));
    QPoint hotSpot;
    if (fanned) {
        drag->setPixmap(fannedDragPixmap(paths, &hotSpot));
    } else {
        const qreal dpr = source->devicePixelRatioF();
        drag->setPixmap(fileIcon(paths.first(), 32, dpr, QColor(120, 120, 120)));
        hotSpot = QPoint(16, 16);
    }
    drag->setHotSpot(hotSpot);
    m_starter(drag);
}

} // namespace kelvaro::wheel
