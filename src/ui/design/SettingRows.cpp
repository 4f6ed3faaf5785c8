#include "ui/design/SettingRows.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FocusRing.h"

namespace kelvaro::settings {

void followLanguage(QObject* owner, std::function<void()> apply)
{
    apply();
    QObject::connect(&Settings::shared(), &Settings::changed, owner, [apply](const QString& key) {
        if (key == QLatin1String(SettingsKey::language))
            apply();
    });
}

void wrapToWidth(Text* text)
{
    text->setWrap(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    text->setSizePolicy(policy);
}

namespace tint {
QColor blue() { return QColor::fromRgbF(0.0f, 0.48f, 1.0f); }
QColor purple() { return QColor::fromRgbF(0.69f, 0.32f, 0.87f); }
QColor orange() { return QColor::fromRgbF(1.0f, 0.58f, 0.0f); }
QColor indigo() { return QColor::fromRgbF(0.35f, 0.34f, 0.84f); }
QColor pink() { return QColor::fromRgbF(1.0f, 0.18f, 0.33f); }
QColor gray() { return QColor::fromRgbF(0.56f, 0.56f, 0.58f); }
QColor green() { return QColor::fromRgbF(0.2f, 0.78f, 0.35f); }
} // namespace tint

// ---- SettingLabel ---------------------------------------------------------------------------------

SettingLabel::SettingLabel(const QString& symbol, const QColor& color, TextSource title, TextSource subtitle, QWidget* parent)
    : QWidget(parent), m_titleSource(std::move(title)), m_subtitleSource(std::move(subtitle))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->setSpacing(10);
    row->addWidget(new IconBadge(symbol, color, 26, true, this), 0, Qt::AlignVCenter);
    auto* column = new QVBoxLayout();
    column->setSpacing(2);
    m_title = new Text(QString(), TextStyle::body, this);
    m_title->setObjectName(QStringLiteral("title"));
    column->addWidget(m_title);
    if (m_subtitleSource) {
        m_subtitle = new Text(QString(), TextStyle::caption, this);
        m_subtitle->setObjectName(QStringLiteral("subtitle"));
        m_subtitle->setColor(Theme::secondary());
        wrapToWidth(m_subtitle);
        column->addWidget(m_subtitle);
    }
    row->addLayout(column, 1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    followLanguage(this, [this] { refresh(); });
}

QString SettingLabel::title() const
{
    return m_title->text();
}

QString SettingLabel::subtitle() const
{
    return m_subtitle ? m_subtitle->text() : QString();
}

void SettingLabel::refresh()
{
    m_title->setText(m_titleSource());
    if (m_subtitle)
        m_subtitle->setText(m_subtitleSource());
}

// ---- SettingsSection ------------------------------------------------------------------------------

SettingsSection::SettingsSection(TextSource header, TextSource footer, QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto* head = new Text(QString(), TextStyle::headline, this);
    head->setObjectName(QStringLiteral("header"));
    head->setContentsMargins(4, 0, 4, 0);
    column->addWidget(head);
    m_card = new Card(10, this);
    m_rows = new QVBoxLayout(m_card);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    column->addWidget(m_card);
    Text* foot = nullptr;
    if (footer) {
        foot = new Text(QString(), TextStyle::caption, this);
        foot->setObjectName(QStringLiteral("footer"));
        foot->setColor(Theme::secondary());
        wrapToWidth(foot);
        foot->setContentsMargins(4, 0, 4, 0);
        column->addWidget(foot);
    }
    followLanguage(this, [head, foot, header, footer] {
        head->setText(header());
        if (foot)
            foot->setText(footer());
    });
}

QWidget* SettingsSection::addRow(QWidget* content)
{
    auto* layout = new QHBoxLayout();
    layout->addWidget(content);
    return addRow(layout);
}

QWidget* SettingsSection::addRow(QLayout* content)
{
    if (m_rows->count() > 0) {
        auto* divider = new Divider(Qt::Horizontal, -1, m_card);
        m_rows->addWidget(divider);
        m_dividers.append(divider);
    }
    auto* row = new QWidget(m_card);
    content->setContentsMargins(12, 8, 12, 8);
    row->setLayout(content);
    row->installEventFilter(this);
    m_rows->addWidget(row);
    updateDividers();
    return row;
}

bool SettingsSection::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        updateDividers();
    return QWidget::eventFilter(watched, event);
}

// A hairline sits above every shown row but the first shown one.
void SettingsSection::updateDividers()
{
    bool first = true;
    int divider = -1;
    for (int i = 0; i < m_rows->count(); ++i) {
        QWidget* w = m_rows->itemAt(i)->widget();
        if (m_dividers.contains(w)) {
            divider = i;
            continue;
        }
        const bool shown = !w->isHidden();
        if (divider >= 0)
            m_rows->itemAt(divider)->widget()->setVisible(shown && !first);
        if (shown)
            first = false;
        divider = -1;
    }
}

// ---- ToggleSwitch ---------------------------------------------------------------------------------

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    const qreal inset = ringRoom + 0.5;
    const QRectF track = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const qreal radius = track.height() / 2;
    QPainterPath path;
    path.addRoundedRect(track, radius, radius);
    p.fillPath(path, isChecked() ? Theme::ember() : Theme::primaryAt(this, 0.16));
    if (!isChecked()) {
        // The faint track alone all but vanishes on a dark window.
        p.setPen(QPen(Theme::controlBorder().on(this), 1));
        p.drawPath(path);
    }
    if (showsFocusRing(this)) {
        // Outside the track with a gap: drawn on the track, the ring would vanish in its ember.
        const QRectF ring = QRectF(rect()).adjusted(1, 1, -1, -1);
        p.setPen(QPen(Theme::ember(), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }
    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

// ---- SettingsPage ---------------------------------------------------------------------------------

SettingsPage::SettingsPage(QWidget* parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    m_column = new QWidget(this);
    m_column->setAutoFillBackground(false);
    m_layout = new QVBoxLayout(m_column);
    m_layout->setContentsMargins(20, 18, 20, 20);
    m_layout->setSpacing(20);
    m_layout->addStretch(1);
    setWidget(m_column);
}

void SettingsPage::addSection(QWidget* section)
{
    section->setParent(m_column);
    m_layout->insertWidget(m_layout->count() - 1, section);
}

// ---- Output folder --------------------------------------------------------------------------------

std::optional<QString> chooseOutputFolder(const std::optional<QString>& current)
{
    const std::optional<QString> chosen = OutputFolder::choose(L("Vyber složku pro výsledky."), current);
    if (!chosen)
        return current;
    OutputFolder::remember(*chosen);
    return OutputFolder::resolve();
}

} // namespace kelvaro::settings
