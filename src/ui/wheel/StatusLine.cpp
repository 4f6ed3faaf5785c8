#include "ui/wheel/StatusLine.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Motion.h"
#include "ui/design/Readout.h"
#include "ui/design/Spinner.h"
#include "ui/wheel/CompareSheet.h"
#include "ui/wheel/DragOutRow.h"
#include "ui/wheel/UnsavedNotice.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"

namespace kelvaro::wheel {

QString hintText(const std::optional<WheelAction>& hovered)
{
    if (!hovered)
        return L("Najeď na výseč a klikni");
    const QString key = L(hovered->key);
    const QString detail = hovered->detail();
    return detail.isEmpty() ? key : key + QStringLiteral(" · ") + detail;
}

StatusTone statusTone(const std::optional<QString>& message, bool isError)
{
    // The error flag outlives a cleared message (a new selection clears only the text); the
    // hint then shown is no error.
    if (!message)
        return StatusTone::hint;
    return isError ? StatusTone::error : StatusTone::message;
}

namespace {

constexpr int kTipGap = 6; // between the failed files' tip and what it must not cover

QColor toneColor(StatusTone tone, const WheelPalette& palette)
{
    switch (tone) {
    case StatusTone::error: return palette.rose;
    case StatusTone::message: return palette.emberText;
    case StatusTone::hint: return palette.secondary;
    }
    return palette.secondary;
}

} // namespace

// The status row. Its fill is painted by the line under it, so that while the capsule changes
// size the fill can move between the old and the new frame.
class StatusLine::Capsule : public QWidget {
public:
    explicit Capsule(StatusLine* line)
        : QWidget(line)
        , m_line(line)
    {
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            m_line->showDetails(static_cast<QHelpEvent*>(event)->globalPos());
            return true;
        }
        return QWidget::event(event);
    }

private:
    StatusLine* m_line;
};

StatusLine::StatusLine(WheelStore& store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    setMinimumHeight(40);

    m_capsule = new Capsule(this);
    m_capsule->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    auto* row = new QHBoxLayout(m_capsule);
    row->setContentsMargins(14, 7, 14, 7);
    row->setSpacing(6);
    m_spinner = new Spinner(14, m_capsule);
    m_counter = new Readout(TextStyle::caption, m_capsule);
    m_counter->setColor(Theme::secondary());
    m_cancel = new LinkButton(L("Zrušit"), TextStyle::caption, m_capsule);
    m_icon = new SymbolLabel(QStringLiteral("cursorarrow.click.2"), 13, m_capsule);
    m_text = new ToneLabel(QString(), m_capsule);
    m_text->setTone([this](const WheelPalette& p) { return toneColor(tone(), p); });
    m_text->setFont(wheelFont(TextSize::callout));
    m_text->setWrapWidth(480);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setTextFormat(Qt::PlainText);
    row->addWidget(m_spinner, 0, Qt::AlignVCenter);
    row->addWidget(m_counter, 0, Qt::AlignVCenter);
    row->addWidget(m_cancel, 0, Qt::AlignVCenter);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addWidget(m_text, 1, Qt::AlignVCenter);
    column->addWidget(m_capsule, 0, Qt::AlignHCenter);
    // What a run says replaces the capsule's text; that changes wait for a save stays under it.
    m_unsaved = new UnsavedNotice(this);
    column->addWidget(m_unsaved, 0, Qt::AlignHCenter);

    m_resultRow = new QWidget(this);
    auto* links = new QHBoxLayout(m_resultRow);
    links->setContentsMargins(0, 0, 0, 0);
    links->setSpacing(14);
    m_reveal = new LinkButton(L("Zobrazit ve správci souborů"), TextStyle::caption, m_resultRow);
    m_compare = new LinkButton(L("Porovnat"), TextStyle::caption, m_resultRow);
    m_undo = new LinkButton(L("Vrátit"), TextStyle::caption, m_resultRow);
    links->addWidget(m_reveal);
    links->addWidget(m_compare);
    links->addWidget(m_undo);
    column->addWidget(m_resultRow, 0, Qt::AlignHCenter);

    m_dragOut = new DragOutRow(this);
    column->addWidget(m_dragOut, 0, Qt::AlignHCenter);
    column->addStretch(1);

    connect(m_cancel, &QAbstractButton::clicked, this, [this] { m_store.cancelRun(); });
    connect(m_reveal, &QAbstractButton::clicked, this, [this] { m_store.revealOutputs(); });
    connect(m_compare, &QAbstractButton::clicked, this, &StatusLine::openCompare);
    connect(m_undo, &QAbstractButton::clicked, this, [this] { m_store.undoLast(); });
    connect(&m_store, &WheelStore::changed, this, &StatusLine::onStoreChanged);
    m_change = easeOutAnimation(this);
    m_change->setStartValue(0.0);
    m_change->setEndValue(1.0);
    connect(m_change, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_changed = v.toDouble();
        if (auto* fade = qobject_cast<QGraphicsOpacityEffect*>(m_capsule->graphicsEffect()))
            fade->setOpacity(m_changed);
        update();
    });
    connect(m_change, &QAbstractAnimation::finished, this, [this] {
        m_changed = 1;
        m_before = QPixmap();
        m_capsule->setGraphicsEffect(nullptr);
        update();
    });
    m_lastStudioCompare = m_store.studioCompare();
    refresh();
}

void StatusLine::setHoveredAction(const std::optional<WheelAction>& action)
{
    if (action == m_hovered)
        return;
    m_hovered = action;
    if (!isVisible() || m_capsule->size().isEmpty()) {
        refresh();
        return;
    }
    // The old content fades out where it stood while the new one fades in and the fill moves
    // to the new frame.
    m_fromFrame = capsuleFrame();
    m_fromFill = capsuleFill();
    const bool cutShort = isCapsuleChanging() && !m_before.isNull();
    const double shown = std::clamp(m_changed, 0.0, 1.0);
    m_change->stop();
    m_capsule->setGraphicsEffect(nullptr);
    const QPixmap content = fadingPicture(m_capsule);
    if (cutShort) {
        // Cut short, what fades out is what stood: the old picture half gone over the new
        // content half come.
        const QRectF old(m_beforeAt, m_before.deviceIndependentSize());
        const QRectF now(m_capsule->geometry());
        const QRectF both = old.united(now);
        const qreal ratio = content.devicePixelRatio();
        QPixmap stood((both.size() * ratio).toSize());
        stood.setDevicePixelRatio(ratio);
        stood.fill(Qt::transparent);
        QPainter painter(&stood);
        painter.setOpacity(1 - shown);
        painter.drawPixmap(old.topLeft() - both.topLeft(), m_before);
        painter.setOpacity(shown);
        painter.drawPixmap(now.topLeft() - both.topLeft(), content);
        painter.end();
        m_before = stood;
        m_beforeAt = both.topLeft();
    } else {
        m_before = content;
        m_beforeAt = m_capsule->pos();
    }
    m_changed = 0;
    refresh();
    auto* fade = new QGraphicsOpacityEffect(m_capsule);
    fade->setOpacity(0);
    m_capsule->setGraphicsEffect(fade);
    m_change->start();
}

QWidget* StatusLine::capsule() const
{
    return m_capsule;
}

bool StatusLine::isCapsuleChanging() const
{
    return m_change->state() == QAbstractAnimation::Running;
}

QRectF StatusLine::capsuleFrame() const
{
    const QRectF now(m_capsule->geometry());
    if (!isCapsuleChanging())
        return now;
    const double t = std::clamp(m_changed, 0.0, 1.0);
    return {m_fromFrame.x() + (now.x() - m_fromFrame.x()) * t, m_fromFrame.y() + (now.y() - m_fromFrame.y()) * t,
            m_fromFrame.width() + (now.width() - m_fromFrame.width()) * t,
            m_fromFrame.height() + (now.height() - m_fromFrame.height()) * t};
}

QColor StatusLine::capsuleFill() const
{
    const QColor now = withAlpha(toneColor(tone(), WheelPalette::forWidget(this)), capsuleOpacity());
    return isCapsuleChanging() ? mix(m_fromFill, now, m_changed) : now;
}

void StatusLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = capsuleFrame();
    const qreal r = std::min(box.height() / 2, 18.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(capsuleFill());
    painter.drawRoundedRect(box, r, r);
    if (!m_before.isNull() && isCapsuleChanging()) {
        painter.setOpacity(1 - std::clamp(m_changed, 0.0, 1.0));
        painter.drawPixmap(m_beforeAt, m_before);
    }
}

QString StatusLine::shownText() const
{
    const std::optional<QString> message = m_store.statusMessage();
    return message ? *message : hintText(m_hovered);
}

QString StatusLine::detailsText() const
{
    return m_capsule->toolTip();
}

StatusTone StatusLine::tone() const
{
    return statusTone(m_store.statusMessage(), m_store.statusIsError());
}

QColor StatusLine::textColor() const
{
    return toneColor(tone(), WheelPalette::forWidget(this));
}

double StatusLine::capsuleOpacity() const
{
    return m_store.statusMessage() ? 0.12 : 0.06;
}

void StatusLine::showDetails(const QPoint& globalPos)
{
    const QString details = detailsText();
    if (details.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(globalPos, details, m_capsule, m_capsule->rect());
    QWidget* tip = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible())
            tip = w;
    if (!tip)
        return;
    // A tip opens under the pointer, which here is over the result links just below the
    // capsule: it goes above the capsule instead, or below everything the line shows when the
    // screen has no room above.
    const QRect area = tip->screen() ? tip->screen()->availableGeometry() : QRect();
    const int above = m_capsule->mapToGlobal(QPoint(0, 0)).y() - kTipGap - tip->height();
    int lowest = m_capsule->geometry().bottom();
    for (QWidget* part : {m_resultRow, static_cast<QWidget*>(m_dragOut)})
        if (!part->isHidden())
            lowest = std::max(lowest, part->geometry().bottom());
    const int below = mapToGlobal(QPoint(0, lowest)).y() + kTipGap;
    tip->move(tip->x(), area.isEmpty() || above >= area.top() ? above : below);
}

bool StatusLine::isSpinnerShown() const { return !m_spinner->isHidden(); }
bool StatusLine::isCounterShown() const { return !m_counter->isHidden(); }
QString StatusLine::counterText() const { return m_counter->text(); }
bool StatusLine::isIconShown() const { return !m_icon->isHidden(); }
QString StatusLine::iconSymbol() const { return m_icon->symbol(); }
bool StatusLine::isResultRowShown() const { return !m_resultRow->isHidden(); }

void StatusLine::refresh()
{
    const bool working = m_store.isWorking();
    const bool batch = working && m_store.progressTotal() >= 2;
    const std::optional<QString> message = m_store.statusMessage();
    m_spinner->setVisible(working);
    m_counter->setVisible(batch);
    m_cancel->setVisible(batch);
    // The run's own words, also after the interface switched language under it.
    const AppLanguage runLanguage = working ? m_store.runLanguage() : L10n::current();
    if (batch)
        m_counter->setText(Lf(runLanguage, "%lld z %lld", qint64(m_store.progressDone()), qint64(m_store.progressTotal())));
    m_cancel->setText(L(runLanguage, "Zrušit"));
    const bool showIcon = !message && !working;
    m_icon->setVisible(showIcon);
    m_icon->setSymbol(m_hovered ? m_hovered->symbol : QStringLiteral("cursorarrow.click.2"));
    m_text->setText(shownText());
    m_unsaved->setShownAbove(shownText());
    // "Nepovedlo se: 2." says how many; hovering says which files and why.
    const QStringList details = message ? m_store.statusDetails() : QStringList();
    m_capsule->setToolTip(details.join(QLatin1Char('\n')));
    fitText();
    m_text->setTone([this](const WheelPalette& p) { return toneColor(tone(), p); });
    m_capsule->update();
    update();

    const QStringList outputs = m_store.lastOutputs();
    const bool results = !outputs.isEmpty() && !working;
    m_resultRow->setVisible(results);
    m_dragOut->setVisible(results);
    m_compare->setVisible(results && m_store.comparePair().has_value());
    m_undo->setVisible(results && m_store.hasUndo());
    m_dragOut->setPaths(results ? outputs : QStringList());
}

void StatusLine::fitText()
{
    // A wrapping label asks for little width; give it its one-line width up to what the line
    // can hold, so short messages stay on one line and long ones wrap at the line's width.
    const int others = 2 * 14 + 6 * 4 + (m_spinner->isHidden() ? 0 : m_spinner->width())
        + (m_counter->isHidden() ? 0 : m_counter->sizeHint().width()) + (m_cancel->isHidden() ? 0 : m_cancel->sizeHint().width())
        + (m_icon->isHidden() ? 0 : m_icon->width());
    const int room = std::max(120, (width() > 0 ? width() : 560) - others - 8);
    m_text->setWrapWidth(room);
}

void StatusLine::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitText();
}

void StatusLine::onStoreChanged()
{
    refresh();
    const bool studio = m_store.studioCompare();
    if (studio != m_lastStudioCompare) {
        m_lastStudioCompare = studio;
        if (studio)
            openCompare();
        else if (m_sheet)
            m_sheet->close();
    }
}

void StatusLine::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_store.studioCompare() && !m_sheet)
        openCompare();
}

void StatusLine::openCompare()
{
    if (m_sheet) {
        m_sheet->raise();
        return;
    }
    m_sheet = new CompareSheet(m_store.comparePair(), window());
    m_sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_sheet, &QDialog::finished, this, [this] { m_store.setStudioCompare(false); });
    m_sheet->open();
}

} // namespace kelvaro::wheel
