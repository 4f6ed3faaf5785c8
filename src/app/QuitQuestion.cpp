#include "app/QuitQuestion.h"

#include <QKeyEvent>
#include <QTime>

#include "l10n/Localization.h"
#include "l10n/SaveFailure.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"

namespace kelvaro {

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
    // The same reason again would look as if the button did nothing. Seconds: two tries within a
    // minute must read differently.
    m_retried->setText(Lf("Znovu jsem to zkusil v %@ a zase to nešlo.", QTime::currentTime().toString(QStringLiteral("H:mm:ss"))));
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
