#include "ui/workflows/WorkflowCard.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "model/WorkflowLibrary.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/KelvaroStyle.h"
#include "ui/design/ToolbarButton.h"
#include "watch/WatchModels.h"

namespace kelvaro {

WorkflowCard::WorkflowCard(KelvaroStore& store, const Workflow& workflow, const QColor& color, Actions actions,
                           QWidget* parent)
    : QWidget(parent), m_store(store), m_workflow(workflow)
{
    setObjectName(QStringLiteral("workflowCard"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 12, 0, 12);
    row->setSpacing(14);

    auto* icon = new SymbolView(workflow.symbol, 14, this);
    icon->setColor(color);
    icon->setBoxWidth(22);
    icon->setWeight(1.1);
    icon->setFixedHeight(22);
    row->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout();
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(4);
    m_name = new Text(L(workflow.name), TextStyle::callout, this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setStyle(TextStyle::callout, QFont::DemiBold);
    m_name->setElide(Qt::ElideRight);
    texts->addWidget(m_name);
    m_steps = new Text(stepsText(workflow), TextStyle::caption, this);
    m_steps->setObjectName(QStringLiteral("steps"));
    m_steps->setColor(Theme::secondary());
    m_steps->setWrap(true);
    if (!workflow.steps.isEmpty()) {
        QStringList summaries;
        for (const WorkflowStep& step : workflow.steps)
            summaries << WorkflowLibrary::summary(step);
        m_steps->setToolTip(summaries.join(QLatin1Char('\n')));
    }
    texts->addWidget(m_steps);
    auto* output = new Text(WorkflowLibrary::outputSummary(workflow), TextStyle::caption, this);
    output->setObjectName(QStringLiteral("output"));
    output->setColor(Theme::tertiary());
    output->setElide(Qt::ElideRight);
    texts->addWidget(output);
    row->addLayout(texts, 1);

    m_run = new KelvaroButton(QString(), KelvaroButton::Kind::secondary, this);
    m_run->setObjectName(QStringLiteral("run"));
    m_run->setSymbol(QStringLiteral("play.fill"));
    connect(m_run, &QAbstractButton::clicked, this, [this] { m_store.run(KelvaroOp::workflow(m_workflow)); });
    row->addWidget(m_run, 0, Qt::AlignTop);

    m_menuButton = new ToolbarButton(QStringLiteral("ellipsis"), this);
    m_menuButton->setObjectName(QStringLiteral("menu"));
    m_menuButton->setAccessibleName(L("Další akce"));
    m_menu = new QMenu(m_menuButton);
    const auto item = [this](const QString& text, const std::function<void()>& action) {
        QAction* a = m_menu->addAction(text);
        connect(a, &QAction::triggered, this, [action] {
            if (action)
                action();
        });
        return a;
    };
    item(L("Upravit…"), actions.onEdit);
    item(L("Duplikovat"), actions.onDuplicate);
    m_menu->addSeparator();
    QAction* remove = item(L("Smazat…"), actions.onDelete);
    remove->setObjectName(QStringLiteral("delete"));
    KelvaroStyle::markDestructive(remove);
    m_menuButton->setMenu(m_menu);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    row->addWidget(m_menuButton, 0, Qt::AlignTop);

    connect(&m_store, &KelvaroStore::droppedFilesChanged, this, &WorkflowCard::refreshRun);
    connect(&m_store, &KelvaroStore::isWorkingChanged, this, &WorkflowCard::refreshRun);
    refreshRun();
}

QString WorkflowCard::stepsText(const Workflow& workflow)
{
    if (workflow.steps.isEmpty())
        return L("Postup nemá žádné kroky.");
    QStringList pieces;
    for (qsizetype i = 0; i < workflow.steps.size(); ++i)
        pieces << Lf("%lld. %@", qint64(i + 1), title(workflow.steps.at(i).kind));
    return pieces.join(QStringLiteral("  →  "));
}

bool WorkflowCard::canRun() const
{
    return !m_store.droppedFiles().isEmpty() && !m_store.isWorking();
}

void WorkflowCard::refreshRun()
{
    const qsizetype count = m_store.droppedFiles().size();
    if (count == 0) {
        m_run->setText(L("Spustit"));
        m_run->setToolTip(L("Nejdřív přetáhni nebo vyber fotky"));
    } else {
        m_run->setText(Lf("Spustit na %@", WatchScan::filesWord(count)));
        m_run->setToolTip(L("Použít postup na všechny fotky ve frontě"));
    }
    const bool runnable = canRun();
    // Disabled while it has the focus, the button would hand it on to the menu button, which then
    // wears a focus ring nobody asked for; the row keeps it instead, so Tab goes on from here.
    if (!runnable && window()->focusWidget() == m_run)
        setFocus(Qt::OtherFocusReason);
    m_run->setEnabled(runnable);
}

} // namespace kelvaro
