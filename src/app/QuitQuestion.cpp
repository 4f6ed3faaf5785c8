#include "app/QuitQuestion.h"

#include <QKeyEvent>

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
    addCaption(L("Když teď Kelvaro ukončíš, změny od posledního uložení se ztratí."), TextStyle::callout);
    quitButton()->setText(L("Přesto ukončit"));
    quitButton()->setObjectName(QStringLiteral("quitAnyway"));
    retryButton()->setObjectName(QStringLiteral("retry"));
    // Both answers are the question's own: the frame's action would close it before saving.
    retryButton()->disconnect(this);
    quitButton()->disconnect(this);
    connect(retryButton(), &QAbstractButton::clicked, this, &QuitQuestion::retry);
    connect(quitButton(), &QAbstractButton::clicked, this, [this] {
        reject();
        Q_EMIT quitAnyway();
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

void QuitQuestion::retry()
{
    if (m_settings.sync()) {
        if (isVisible()) // else the save's own notice answered already
            accept();
        return;
    }
    showReason();
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
