#include "ui/wheel/UnsavedNotice.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QPainter>

#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/WarningLine.h"

namespace kelvaro::wheel {

UnsavedNotice::UnsavedNotice(QWidget* parent) : UnsavedNotice(Settings::shared(), parent) {}

UnsavedNotice::UnsavedNotice(Settings& settings, QWidget* parent) : QWidget(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("unsavedNotice"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_text = addWarningLine(row, this, TextStyle::caption);
    m_text->setMaximumWidth(520);
    row->addWidget(m_text, 1);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    // The state changes on whichever thread saved; it is read again on this one.
    connect(&m_settings, &Settings::saveStateChanged, this, &UnsavedNotice::refresh, Qt::QueuedConnection);
    connect(&m_settings, &Settings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(SettingsKey::language))
            refresh();
    }, Qt::QueuedConnection);
    refresh();
}

QString UnsavedNotice::message() const
{
    return m_message;
}

void UnsavedNotice::setWanted(bool wanted)
{
    m_wanted = wanted;
    refresh();
}

void UnsavedNotice::setShownAbove(const QString& text)
{
    m_shownAbove = text;
    refresh();
}

void UnsavedNotice::setBoxed(bool boxed)
{
    m_boxed = boxed;
    layout()->setContentsMargins(boxed ? QMargins(14, 7, 14, 7) : QMargins());
    update();
}

void UnsavedNotice::paintEvent(QPaintEvent*)
{
    if (!m_boxed)
        return;
    // The tint the status capsules give an error.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Theme::rose();
    fill.setAlphaF(0.12);
    const QRectF box(contentsRect());
    const qreal radius = std::min(box.height() / 2, 18.0);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box, radius, radius);
}

void UnsavedNotice::refresh()
{
    // A save merely postponed (no error) is not worth a word; one that failed is, until a save
    // gets everything onto the disk.
    const int error = m_settings.saveError();
    m_message = m_settings.hasUnsavedChanges() && error != 0
        ? Lf("Nastavení a historii se nepodařilo uložit: %@. Uložená verze zůstala beze změny.", saveFailureReason(error))
        : QString();
    m_text->setText(m_message);
    setVisible(m_wanted && !m_message.isEmpty() && m_message != m_shownAbove);
}

} // namespace kelvaro::wheel
