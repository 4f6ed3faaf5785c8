#include "app/MainWindow.h"

#include <QMenuBar>

#include "app/Commands.h"
#include "engine/Localization.h"
#include "ui/design/AppIcon.h"
#include "ui/design/Theme.h"

namespace kelvaro {

MainWindow::MainWindow(KelvaroStore& store, Commands& commands, ContentView::Options options, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_commands(commands), m_options(std::move(options))
{
    setObjectName(QStringLiteral("main"));
    setWindowIcon(AppIcon::icon());
    setMinimumSize(minimumContentSize);
    resize(defaultSize);
    Theme::follow(this);
    rebuild();
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
