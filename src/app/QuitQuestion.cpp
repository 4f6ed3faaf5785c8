#include "app/QuitQuestion.h"

#include <QKeyEvent>
#include <QLocale>
#include <QTime>

#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"

namespace kelvaro {
namespace {

// `time` as the interface language writes a time of day elsewhere (History's "10:47 PM",
// "22:47"), with its seconds: two tries within a minute must read differently.
QString timeWithSeconds(const QTime& time, const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("ss"))) {
        const qsizetype minutes = format.indexOf(QLatin1String("mm"));
        if (minutes < 0)
            return locale.toString(time, QLocale::LongFormat);
        const QChar separator = minutes > 0 && !format.at(minutes - 1).isLetter() ? format.at(minutes - 1) : QLatin1Char(':');
        format.insert(minutes + 2, separator + QStringLiteral("ss"));
    }
    return locale.toString(time, format);
}

} // namespace

QuitQuestion::QuitQuestion(Settings& settings, QWidget* parent)
    : SheetFrame(LKey("Změny se nepodařilo uložit"), QStringLiteral("exclamationmark.triangle.fill"), LKey("Zkusit znovu"), parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("quitQuestion"));
    badge()->setColor(Theme::rose());
    m_reason = addCaption(QString(), TextStyle::callout);
    m_reason->setObjectName(QStringLiteral("reason"));
    m_retried = addCaption(QString(), TextStyle::callout);
    m_retried->setObjectName(QStringLiteral("retried"));
    m_retried->hide();
    addCaption(L("Když teď Kelvaro ukončíš, změny od posledního uložení se ztratí."), TextStyle::callout);
    quitButton()->setText(L("Přesto ukončit"));
    quitButton()->setObjectName(QStringLiteral("quitAnyway"));
    retryButton()->setObjectName(QStringLiteral("retry"));
    // Both answers are the question's own: the frame's action would close it before saving.
    retryButton()->disconnect(this);
    quitButton()->disconnect(this);
    connect(retryButton(), &QAbstractButton::clicked, this, &QuitQuestion::retry);
    connect(quitButton(), &QAbstractButton::clicked, this, [this] {
        Q_EMIT quitAnyway(); // before the sheet closes, which alone would keep the application
        reject();
    });
    // Saved meanwhile by the settings' own retry (the disk got room, another process let go of
    // the lock): the question has its answer.
    connect(&m_settings, &Settings::saveStateChanged, this, [this] {
        if (!m_settings.hasUnsavedChanges() && isVisible())
            accept();
        else
            showReason();
    });
    showReason();
}

QString QuitQuestion::reason() const
{
    return m_reason->text();
}

QString QuitQuestion::retried() const
{
    return m_retried->isVisibleTo(this) ? m_retried->text() : QString();
}

void QuitQuestion::retry()
{
    if (m_settings.sync()) {
        if (isVisible()) // else the save's own notice answered already
            accept();
        return;
    }
    showReason();
    // The same reason again would look as if the button did nothing.
    m_retried->setText(Lf("Znovu jsem to zkusil v %@ a zase to nešlo.",
                          timeWithSeconds(QTime::currentTime(), L10n::locale(L10n::current()))));
    m_retried->show();
}

void QuitQuestion::showReason()
{
    // A save merely put off (another process holds the file) has no reason to name.
    const int error = m_settings.saveError();
    m_reason->setText(error ? Lf("Nastavení a historii se nepodařilo uložit: %@. Uložená verze zůstala beze změny.",
                                 saveFailureReason(error))
                            : QString());
    m_reason->setVisible(error != 0);
}

void QuitQuestion::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        retry();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Escape keeps the application running
}

} // namespace kelvaro
