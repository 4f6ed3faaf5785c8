#include "platform/BackgroundPools.h"
#include "ui/sheets/LivePreview.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/ImageEngine.h"
#include "l10n/Localization.h"
#include "platform/NativePath.h"
#include "platform/Settings.h"
#include "ui/design/Symbols.h"
#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

constexpr int kSpacing = 6;
constexpr int kCaptionGlyph = 11;
constexpr int kNameGap = 10;  // between the hint and a name beside it
constexpr int kLineGap = 2;   // between the hint and a name under it
constexpr qreal kHoldSlop = 10; // a press that wanders further stops showing the original

QThreadPool& previewPool()
{
    // A preview is what the user is looking at: its own threads, so thumbnails of the file
    // strips never queue in front of it. Never deleted: workers may outlive every window.
    static QThreadPool* pool = BackgroundPools::make(2);
    return *pool;
}

struct Outcome {
    std::optional<Bitmap> bitmap;
    QImage image;
};

QFont captionFont()
{
    return Theme::font(TextStyle::caption);
}

} // namespace

bool sameOperation(const KelvaroOp& a, const KelvaroOp& b)
{
    if (a.value.index() != b.value.index())
        return false;
    return std::visit(
        [&b](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b.value);
            if constexpr (requires { x.spec == y.spec; })
                return x.spec == y.spec;
            else if constexpr (requires { x.workflow == y.workflow; })
                return x.workflow == y.workflow;
            else if constexpr (requires { x.format == y.format; })
                return x.format == y.format;
            else if constexpr (requires { x.quality == y.quality; })
                return x.quality == y.quality;
            else
                return true; // no parameters
        },
        a.value);
}

std::optional<Bitmap> previewThumbnail(const QString& file, int maxSide)
{
    if (file.isEmpty() || maxSide <= 0)
        return std::nullopt;
    try {
        const LoadedImage loaded = ImageEngine::load(file, maxSide);
        Bitmap image = loaded.image;
        if (image.width() <= 0 || image.height() <= 0)
            return std::nullopt;
        if (qMax(image.width(), image.height()) > maxSide) {
            // Already upright: a leftover orientation tag must not turn it a second time.
            image = image.copy();
            image.remove(VIPS_META_ORIENTATION);
            image = image.thumbnail_image(maxSide, vips::VImage::option()->set("height", maxSide));
        }
        return image.copy_memory(); // evaluated here, never later on the main thread
    } catch (const std::exception&) {
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

LivePreview::LivePreview(QWidget* parent)
    : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(debounceMs);
    m_debounce.setTimerType(Qt::PreciseTimer);
    connect(&m_debounce, &QTimer::timeout, this, &LivePreview::startRender);
    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_spinPhase = (m_spinPhase + 1) % 12;
        update(pictureArea());
    });
    m_failed = true; // no file yet
}

LivePreview::~LivePreview() = default;

void LivePreview::setFile(const std::optional<QString>& file)
{
    if (file == m_file && m_loadGeneration > 0)
        return;
    m_file = file;
    updateGeometry(); // the name may need a line of its own
    loadBase();
}

void LivePreview::loadBase()
{
    const quint64 generation = ++m_loadGeneration;
    if (!m_file || m_file->isEmpty()) {
        m_base = QImage();
        m_baseBitmap = Bitmap();
        m_shown = QImage();
        setFailed(true);
        updateSpinner();
        update();
        Q_EMIT baseFinished();
        return;
    }
    setFailed(false);
    updateSpinner();
    update();
    const QString path = *m_file;
    auto* watcher = new QFutureWatcher<Outcome>(this);
    connect(watcher, &QFutureWatcher<Outcome>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_loadGeneration)
            return; // the file was replaced meanwhile
        const Outcome outcome = watcher->result();
        if (outcome.bitmap && !outcome.image.isNull()) {
            m_baseBitmap = *outcome.bitmap;
            m_base = outcome.image;
            setFailed(false);
        } else {
            m_baseBitmap = Bitmap();
            m_base = QImage();
            setFailed(true);
        }
        m_shown = QImage();
        updateSpinner();
        update();
        Q_EMIT baseFinished();
        scheduleRender();
    });
    watcher->setFuture(QtConcurrent::run(&previewPool(), [path] {
        Outcome outcome;
        outcome.bitmap = previewThumbnail(path, maxSide);
        if (outcome.bitmap) {
            try {
                outcome.image = toQImage(*outcome.bitmap);
            } catch (...) {
                outcome.bitmap.reset();
            }
        }
        return outcome;
    }));
}

void LivePreview::setFailed(bool failed)
{
    if (failed == m_failed)
        return;
    m_failed = failed;
    updateGeometry(); // the caption's lines follow whether there is a hint
}

void LivePreview::setOperation(const KelvaroOp& op)
{
    setKey(OperationKey{op}, [op, settings = EngineSettings::read(Settings::shared())](const Bitmap& base) {
        LoadedImage source;
        source.image = base;
        return ImageEngine::render(op, source, QString(), QString(), settings).image;
    });
}

void LivePreview::scheduleRender()
{
    ++m_renderGeneration; // whatever is under way now is already out of date
    if (!hasBase() || !m_render)
        return;
    m_debounce.start();
}

void LivePreview::startRender()
{
    if (!hasBase() || !m_render)
        return;
    const quint64 generation = ++m_renderGeneration;
    const Bitmap base = m_baseBitmap;
    const RenderFunction render = m_render;
    auto* watcher = new QFutureWatcher<Outcome>(this);
    connect(watcher, &QFutureWatcher<Outcome>::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_renderGeneration)
            return;
        const Outcome outcome = watcher->result();
        // A rendering that failed must not pass the untouched photo off as its result.
        m_shown = outcome.image;
        setFailed(outcome.image.isNull());
        updateSpinner();
        update();
        Q_EMIT renderFinished();
    });
    watcher->setFuture(QtConcurrent::run(&previewPool(), [base, render] {
        Outcome outcome;
        try {
            Bitmap result = render(base);
            outcome.image = toQImage(result.copy_memory());
        } catch (...) {
            outcome.image = QImage();
        }
        return outcome;
    }));
}

QImage LivePreview::drawnImage() const
{
    return m_holding ? m_base : m_shown;
}

QString LivePreview::captionText() const
{
    if (m_failed)
        return {};
    return m_holding ? L("Původní fotka") : L("Náhled – podrž myš pro porovnání s originálem");
}

QString LivePreview::captionSymbol() const
{
    return m_holding ? QStringLiteral("photo") : QStringLiteral("wand.and.stars");
}

QRect LivePreview::pictureArea() const
{
    return {0, 0, width(), areaHeight};
}

LivePreview::CaptionLayout LivePreview::captionLayout(int width) const
{
    if (!m_file)
        return {};
    const QFontMetrics metrics(captionFont());
    const QString name = NativePath::displayName(QFileInfo(*m_file).fileName());
    // Without a preview there is no hint: the name has the first line to itself.
    if (m_failed)
        return {metrics.elidedText(name, Qt::ElideMiddle, width), false};
    // The longer hint decides, so pressing on the picture never moves the name.
    const int hint = metrics.horizontalAdvance(L("Náhled – podrž myš pro porovnání s originálem"));
    const int nameWidth = metrics.horizontalAdvance(name);
    if (kCaptionGlyph + kSpacing + hint + kNameGap + nameWidth <= width)
        return {name, false};
    return {metrics.elidedText(name, Qt::ElideMiddle, width - kCaptionGlyph - kSpacing), true};
}

QString LivePreview::shownFileName() const
{
    return captionLayout(width()).name;
}

bool LivePreview::isFileNameOnOwnLine() const
{
    return captionLayout(width()).ownLine;
}

int LivePreview::heightForWidth(int width) const
{
    const int lines = captionLayout(width).ownLine ? 2 : 1;
    return areaHeight + kSpacing + lines * QFontMetrics(captionFont()).height() + (lines - 1) * kLineGap;
}

QSize LivePreview::sizeHint() const
{
    return {392, heightForWidth(392)};
}

QSize LivePreview::minimumSizeHint() const
{
    return {120, heightForWidth(120)};
}

void LivePreview::setHolding(bool holding)
{
    if (holding == m_holding)
        return;
    m_holding = holding;
    update();
}

void LivePreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && pictureArea().contains(event->position().toPoint())) {
        m_pressAt = event->position();
        setHolding(true);
        return;
    }
    QWidget::mousePressEvent(event);
}

void LivePreview::mouseMoveEvent(QMouseEvent* event)
{
    if (m_holding && QLineF(m_pressAt, event->position()).length() > kHoldSlop)
        setHolding(false);
    QWidget::mouseMoveEvent(event);
}

void LivePreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setHolding(false);
    QWidget::mouseReleaseEvent(event);
}

void LivePreview::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateSpinner();
}

void LivePreview::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_spin.stop();
}

void LivePreview::updateSpinner()
{
    // Until a rendering exists, whether the photo is still loading or its first rendering runs.
    const bool spinning = m_shown.isNull() && !m_failed && isVisible();
    if (spinning && !m_spin.isActive())
        m_spin.start();
    else if (!spinning)
        m_spin.stop();
}

void LivePreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool dark = Theme::isDark(this);
    const QRectF area = pictureArea();

    QPainterPath backdrop;
    backdrop.addRoundedRect(area, 10, 10);
    p.fillPath(backdrop, Theme::primaryAt(dark, 0.05));

    const QColor secondary = Theme::secondary().resolve(dark);
    const QImage picture = drawnImage();
    if (!picture.isNull()) {
        const QRectF box = area.adjusted(6, 6, -6, -6);
        QSizeF size = QSizeF(picture.size()).scaled(box.size(), Qt::KeepAspectRatio);
        const QRectF target(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2, size.width(),
                            size.height());
        p.drawImage(target, picture);
    } else if (m_failed) {
        const QFont font = Theme::font(TextStyle::body);
        const QString text = L("Náhled není k dispozici");
        const int textWidth = QFontMetrics(font).horizontalAdvance(text);
        const int glyph = 16;
        const qreal x = area.center().x() - (glyph + 6 + textWidth) / 2.0;
        Symbols::paint(p, QRectF(x, area.center().y() - glyph / 2.0, glyph, glyph), QStringLiteral("eye.slash"), secondary);
        p.setFont(font);
        p.setPen(secondary);
        p.drawText(QRectF(x + glyph + 6, area.top(), textWidth + 2, area.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
    } else {
        const QRectF spinner(area.center().x() - 8, area.center().y() - 8, 16, 16);
        for (int i = 0; i < 12; ++i) {
            QColor tick = secondary;
            tick.setAlphaF(float(0.15 + 0.85 * (((i - m_spinPhase + 12) % 12) / 11.0)));
            p.save();
            p.translate(spinner.center());
            p.rotate(i * 30);
            p.setPen(QPen(tick, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(0, -4), QPointF(0, -7.5));
            p.restore();
        }
    }

    // Caption: the hint, and the file's name beside it or under it.
    const QFont font = captionFont();
    const QFontMetrics metrics(font);
    const int top = areaHeight + kSpacing;
    const int lineHeight = metrics.height();
    const int textLeft = kCaptionGlyph + kSpacing;
    p.setFont(font);
    p.setPen(secondary);
    const QString caption = captionText();
    if (!caption.isEmpty()) {
        Symbols::paint(p, QRectF(0, top + (lineHeight - kCaptionGlyph) / 2.0, kCaptionGlyph, kCaptionGlyph),
                       captionSymbol(), secondary);
        p.drawText(QRect(textLeft, top, width() - textLeft, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(caption, Qt::ElideRight, width() - textLeft));
    }
    const CaptionLayout layout = captionLayout(width());
    if (layout.ownLine)
        p.drawText(QRect(textLeft, top + lineHeight + kLineGap, width() - textLeft, lineHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, layout.name);
    else if (!layout.name.isEmpty())
        p.drawText(QRect(0, top, width(), lineHeight), Qt::AlignRight | Qt::AlignVCenter, layout.name);
}

} // namespace kelvaro
