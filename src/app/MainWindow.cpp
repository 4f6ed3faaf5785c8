#include "app/MainWindow.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/Commands.h"
#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "platform/widgets/WindowPlacement.h"
#include "ui/design/AppIcon.h"
#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"

namespace kelvaro {
namespace {

const QString kOnboardedKey = QString::fromLatin1(SettingsKey::onboarded);

// A dialog the user cannot dismiss: it closes only when the onboarding reports it is done.
class OnboardingDialog : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override
    {
        if (Settings::shared().boolValue(kOnboardedKey).value_or(false))
            QDialog::reject();
    }
};

} // namespace

MainWindow::MainWindow(KelvaroStore& store, Commands& commands, ContentView::Options options, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_commands(commands), m_options(std::move(options))
{
    setObjectName(QStringLiteral("main"));
    setWindowIcon(AppIcon::icon());
    setMinimumSize(minimumContentSize);
    resize(defaultSize);
    Theme::follow(this);
    rebuild();
    // Clearing the flag (the settings' "Zobrazit") brings the welcome back at once.
    connect(&Settings::shared(), &Settings::changed, this, [this](const QString& key) {
        if (key == kOnboardedKey && isVisible())
            presentOnboardingIfNeeded();
    });
}

void MainWindow::rebuild()
{
    setWindowTitle(L("Kelvaro"));
    m_commands.retranslate();
    m_commands.populate(menuBar());
    ContentView* old = m_content;
    m_content = new ContentView(m_store, m_options, this);
    setCentralWidget(m_content); // deletes the previous content
    Q_UNUSED(old)
    Q_EMIT rebuilt();
}

} // namespace kelvaro

namespace kelvaro {

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Once the window is on the screen: a welcome mapped before it would come up under it or
    // lose the activation to it.
    QMetaObject::invokeMethod(this, &MainWindow::presentOnboardingIfNeeded, Qt::QueuedConnection);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A window manager may activate the blocked window (a click on it, a dialog closing); the keys
    // belong to the welcome over it.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_onboarding && m_onboarding->isVisible())
        QMetaObject::invokeMethod(this, &MainWindow::activateOnboarding, Qt::QueuedConnection);
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // The welcome stands over the window as a sheet does; a window manager that places the window
    // only after the welcome was shown would otherwise leave it off to one side.
    if (m_onboarding && m_onboarding->isVisible())
        centreOver(m_onboarding, this);
}

void MainWindow::bringToFront()
{
    raise();
    if (m_onboarding && m_onboarding->isVisible())
        activateOnboarding();
    else
        activateWindow();
}

void MainWindow::activateOnboarding()
{
    if (!m_onboarding || !m_onboarding->isVisible())
        return;
    m_onboarding->raise();
    m_onboarding->activateWindow();
}

void MainWindow::presentOnboardingIfNeeded()
{
    if (m_onboarding || !isVisible() || Settings::shared().boolValue(kOnboardedKey).value_or(false)
        || !ScreenFactory::isInstalled(Screen::onboarding))
        return;
    if (Settings::shared().isUnreadable())
        return; // no first start either, and nothing can be stored until the file is read
    if (!Settings::shared().keptAside().isEmpty()) {
        // An unreadable settings file is no first start: the user has been here and is told where
        // the old file went, not welcomed again.
        Settings::shared().setValue(kOnboardedKey, true);
        return;
    }
    auto* dialog = new OnboardingDialog(this);
    QWidget* content = ScreenFactory::build(Screen::onboarding, m_store, dialog);
    if (!content) {
        delete dialog;
        return;
    }
    dialog->setObjectName(QStringLiteral("onboarding"));
    dialog->setWindowTitle(QStringLiteral("Kelvaro"));
    dialog->setWindowFlag(Qt::WindowCloseButtonHint, false);
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(content);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    Theme::follow(dialog);
    connect(&Settings::shared(), &Settings::changed, dialog, [dialog](const QString& key) {
        if (key == kOnboardedKey && Settings::shared().boolValue(kOnboardedKey).value_or(false))
            dialog->accept();
    });
    // Asked for from another window (the settings' "Zobrazit"): that window comes back to the front
    // once the welcome is done, not the main window its closing would raise.
    QPointer<QWidget> asking = QApplication::activeWindow();
    if (asking == this)
        asking = nullptr;
    connect(dialog, &QDialog::finished, this, [asking] {
        QMetaObject::invokeMethod(
            qApp,
            [asking] {
                if (!asking || !asking->isVisible())
                    return;
                asking->raise();
                asking->activateWindow();
            },
            Qt::QueuedConnection);
    });
    m_onboarding = dialog;
    dialog->open();
    activateOnboarding();
}

} // namespace kelvaro
