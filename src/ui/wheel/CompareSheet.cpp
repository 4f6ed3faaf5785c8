#include "ui/wheel/CompareSheet.h"

#include <cmath>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "engine/Bitmap.h"
#include "engine/ImageEngine.h"
#include "l10n/Localization.h"
#include "ui/design/Formatters.h"
#include "ui/design/KelvaroButton.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"
#include "ui/wheel/WheelSymbols.h"

namespace kelvaro::wheel {

namespace {
constexpr int kSheetWidth = 720;
constexpr int kSheetHeight = 560;
constexpr int kAreaWidth = kSheetWidth - 40;
} // namespace

qint64 changePercent(qint64 before, qint64 after)
{
    if (before < 1)
        return 0;
    return qint64(std::round(double(after - before) / double(before) * 100.0));
}

QString changeText(qint64 percent)
{
    return percent <= 0 ? Lf("%lld %%", percent) : Lf("+%lld %%", percent);
}

// ---- CompareView --------------------------------------------------------------------------------

CompareView::CompareView(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* spin = new QTimer(this);
    spin->setInterval(80);
    connect(spin, &QTimer::timeout, this, [this, spin] {
        if (m_beforeState != State::loading && m_afterState != State::loading) {
            spin->stop();
            return;
        }
        m_spinPhase = (m_spinPhase + 1) % 8;
        update();
    });
    spin->start();
}

void CompareView::setImage(bool before, State state, const QImage& image)
{
    (before ? m_beforeState : m_afterState) = state;
    (before ? m_before : m_after) = image;
    update();
}

void CompareView::setSplit(double split)
{
    m_split = std::clamp(split, 0.0, 1.0);
    update();
}

double CompareView::splitFor(double x) const
{
    return std::min(std::max(x / std::max(double(width()), 1.0), 0.0), 1.0);
}

void CompareView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setSplit(splitFor(event->position().x()));
}

void CompareView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        setSplit(splitFor(event->position().x()));
}

void CompareView::paintPicture(QPainter& painter, State state, const QImage& image, const QRectF& area,
                               const QRectF& visible) const
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    if (state == State::ready && !image.isNull()) {
        QSizeF size = image.size();
        size.scale(area.size(), Qt::KeepAspectRatio);
        painter.drawImage(QRectF(area.center() - QPointF(size.width() / 2, size.height() / 2), size), image);
        return;
    }
    if (state == State::failed) {
        const QFont font = wheelFont(TextSize::callout);
        const QString text = L("Náhled není k dispozici");
        const QFontMetricsF m(font);
        const double w = 16 + 6 + m.horizontalAdvance(text);
        const QPointF c = visible.center();
        drawSymbol(painter, QStringLiteral("eye.slash"), QRectF(c.x() - w / 2, c.y() - 8, 16, 16), palette.secondary);
        painter.setFont(font);
        painter.setPen(palette.secondary);
        painter.drawText(QRectF(c.x() - w / 2 + 22, c.y() - m.height() / 2, w, m.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         text);
        return;
    }
    // Loading: a spinner in the middle of the area.
    painter.save();
    painter.translate(visible.center());
    for (int i = 0; i < 8; ++i) {
        const double opacity = 0.2 + 0.8 * ((i - m_spinPhase + 8) % 8) / 7.0;
        painter.save();
        painter.rotate(i * 45.0);
        painter.setPen(QPen(withAlpha(palette.secondary, opacity), 2.2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -5), QPointF(0, -10));
        painter.restore();
    }
    painter.restore();
}

void CompareView::paintEvent(QPaintEvent*)
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF area(rect());
    QPainterPath rounded;
    rounded.addRoundedRect(area, 12, 12);
    painter.setClipPath(rounded);
    painter.fillRect(area, QColor(0, 0, 0, int(0.06 * 255)));

    const double splitX = area.width() * m_split;
    const QRectF left(0, 0, splitX, area.height());
    const QRectF right(splitX, 0, area.width() - splitX, area.height());
    paintPicture(painter, m_afterState, m_after, area, right);
    painter.save();
    painter.setClipRect(left, Qt::IntersectClip);
    if (m_beforeState != State::ready) {
        // No original to show: the result must not pass for it.
        painter.fillRect(left, palette.cardFill);
        painter.fillRect(left, QColor(0, 0, 0, int(0.06 * 255)));
    }
    paintPicture(painter, m_beforeState, m_before, area, left);
    painter.restore();

    // Handle: a 2-px white line and the round arrows, with a soft shadow.
    const double lineX = splitX - 1;
    painter.fillRect(QRectF(lineX, 0, 2, area.height()), Qt::white);
    const double knob = 28;
    const QPointF c(lineX + 1, area.height() / 2);
    painter.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        painter.setBrush(QColor(0, 0, 0, 28 / i));
        painter.drawEllipse(c, knob / 2 + i, knob / 2 + i);
    }
    drawSymbol(painter, QStringLiteral("arrow.left.and.right.circle.fill"),
               QRectF(c.x() - knob / 2, c.y() - knob / 2, knob, knob), palette.ember, Qt::white);

    const QFont tagFont = wheelFont(TextSize::caption, QFont::Bold);
    const QFontMetricsF m(tagFont);
    auto tag = [&](const QString& text, bool left) {
        const QSizeF size(m.horizontalAdvance(text) + 16, m.height() + 6);
        const QPointF origin(left ? 10 : area.width() - 10 - size.width(), 10);
        const QRectF box(origin, size);
        paintCapsule(painter, box, palette.isDark ? QColor(40, 40, 40, 190) : QColor(255, 255, 255, 200));
        painter.setFont(tagFont);
        painter.setPen(palette.primary);
        painter.drawText(box, Qt::AlignCenter, text);
    };
    // Czech in every interface language: the two short words are the comparison's own marks.
    tag(QStringLiteral("Před"), true);
    tag(QStringLiteral("Po"), false);
}

// ---- CompareSheet --------------------------------------------------------------------------------

CompareSheet::CompareSheet(const std::optional<ComparePair>& pair, QWidget* parent)
    : QDialog(parent)
    , m_pair(pair)
{
    setWindowTitle(L("Porovnání"));
    setFixedSize(kSheetWidth, kSheetHeight);
    setWindowModality(Qt::WindowModal);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);

    auto* header = new QHBoxLayout;
    auto* symbol = new SymbolLabel(QStringLiteral("square.split.2x1"), 18, this);
    symbol->setColorRole([](const QWidget* w) { return WheelPalette::forWidget(w).primary; });
    auto* title = new ToneLabel(L("Porovnání"), this);
    title->setFont(wheelFont(TextSize::title3, QFont::DemiBold));
    auto* done = new KelvaroButton(L("Hotovo"), KelvaroButton::Kind::primary, this);
    done->setObjectName(QStringLiteral("done"));
    connect(done, &QAbstractButton::clicked, this, &QDialog::accept);
    header->addWidget(symbol);
    header->addSpacing(4);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(done);
    column->addLayout(header);

    m_view = new CompareView(this);
    column->addWidget(m_view, 1);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(8);
    const QFont callout = wheelFont(TextSize::callout);
    const QFont calloutBold = wheelFont(TextSize::callout, QFont::DemiBold);
    m_beforeSize = new ToneLabel(QString(), this);
    m_afterSize = new ToneLabel(QString(), this);
    m_change = new ToneLabel(QString(), this);
    m_beforeSize->setTone([](const WheelPalette& p) { return p.secondary; });
    m_afterSize->setTone([](const WheelPalette& p) { return p.secondary; });
    auto* arrow = new SymbolLabel(QStringLiteral("arrow.right"), 13, this);
    m_beforeSize->setFont(callout);
    m_afterSize->setFont(calloutBold);
    m_change->setFont(calloutBold);
    footer->addStretch(1);
    footer->addWidget(m_beforeSize);
    footer->addWidget(arrow);
    footer->addWidget(m_afterSize);
    footer->addWidget(m_change);
    footer->addStretch(1);
    column->addLayout(footer);

    if (!m_pair) {
        m_view->setImage(true, CompareView::State::failed);
        m_view->setImage(false, CompareView::State::failed);
        for (QWidget* w : {static_cast<QWidget*>(m_beforeSize), static_cast<QWidget*>(m_afterSize),
                           static_cast<QWidget*>(m_change), static_cast<QWidget*>(arrow)})
            w->hide();
        return;
    }
    const qint64 b = ImageEngine::fileSize(m_pair->before);
    const qint64 a = ImageEngine::fileSize(m_pair->after);
    const qint64 percent = changePercent(b, a);
    m_changeGrew = percent >= 1;
    m_beforeSize->setText(Lf("Původně %@", Formatters::byteCount(b)));
    m_afterSize->setText(Lf("Nyní %@", Formatters::byteCount(a)));
    m_change->setText(changeText(percent));
    // An original that cannot be read has no size to compare with: "Původně Nula kB" and a
    // change of 0 % would both be wrong.
    if (b < 1) {
        m_beforeSize->clear();
        m_change->clear();
        for (QWidget* w : {static_cast<QWidget*>(m_beforeSize), static_cast<QWidget*>(m_change), static_cast<QWidget*>(arrow)})
            w->hide();
    }
    const bool grew = m_changeGrew;
    m_change->setTone([grew](const WheelPalette& p) { return grew ? p.rose : p.teal; });

    load(true, m_pair->before);
    load(false, m_pair->after);
}

// "Hotovo" is the default: Return and Enter close the sheet as Escape does.
void CompareSheet::keyPressEvent(QKeyEvent* event)
{
    if (!(event->modifiers() & ~Qt::KeypadModifier) && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QColor CompareSheet::changeColor() const
{
    const WheelPalette palette = WheelPalette::forWidget(this);
    return m_changeGrew ? palette.rose : palette.teal;
}

QString CompareSheet::changeLabelText() const
{
    return m_change->text();
}

QString CompareSheet::footerText() const
{
    QStringList shown;
    for (const ToneLabel* label : {m_beforeSize, m_afterSize, m_change})
        if (!label->isHidden() && !label->text().isEmpty())
            shown << label->text();
    return shown.join(QLatin1Char(' '));
}

void CompareSheet::load(bool before, const QString& path)
{
    ++m_pending;
    const qreal dpr = devicePixelRatioF();
    // The largest the area can show: its width, and the sheet's height less header and footer.
    const QSize target = QSize(kAreaWidth, kSheetHeight - 40) * dpr;
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, before] {
        const QImage image = watcher->result();
        watcher->deleteLater();
        --m_pending;
        m_view->setImage(before, image.isNull() ? CompareView::State::failed : CompareView::State::ready, image);
    });
    watcher->setFuture(QtConcurrent::run([path, target]() -> QImage {
        try {
            initVips();
            QImage image = toQImage(ImageEngine::load(path, std::max(target.width(), target.height())).image);
            if (image.isNull())
                return {};
            if (image.width() > target.width() || image.height() > target.height())
                image = image.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            return image;
        } catch (...) {
            return {};
        }
    }));
}

bool CompareSheet::waitForImages(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_pending > 0 && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return m_pending == 0;
}

} // namespace kelvaro::wheel
