#include "ui/workflows/QueueStrip.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/Readout.h"
#include "ui/design/Spinner.h"
#include "watch/WatchModels.h"

namespace kelvaro {

QueueStrip::QueueStrip(KelvaroStore& store, QWidget* parent) : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("queueStrip"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);

    auto* header = new QHBoxLayout();
    header->setSpacing(12);
    m_icon = new SymbolView(QStringLiteral("photo.on.rectangle.angled"), 18, this);
    m_icon->setBoxWidth(26);
    m_icon->setColor(Theme::secondary());
    header->addWidget(m_icon, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout();
    texts->setSpacing(2);
    m_title = new Text(QString(), TextStyle::callout, this);
    m_title->setObjectName(QStringLiteral("queueTitle"));
    m_title->setStyle(TextStyle::callout, QFont::DemiBold);
    m_title->setElide(Qt::ElideRight);
    texts->addWidget(m_title);
    m_subtitle = new Text(QString(), TextStyle::caption, this);
    m_subtitle->setColor(Theme::secondary());
    m_subtitle->setWrap(true);
    texts->addWidget(m_subtitle);
    header->addLayout(texts, 1);
    m_clear = new KelvaroButton(L("Vyprázdnit"), KelvaroButton::Kind::secondary, this);
    m_clear->setObjectName(QStringLiteral("clear"));
    connect(m_clear, &QAbstractButton::clicked, this, &QueueStrip::clearQueue);
    header->addWidget(m_clear, 0, Qt::AlignVCenter);
    m_choose = new KelvaroButton(L("Vybrat fotky…"), KelvaroButton::Kind::secondary, this);
    m_choose->setObjectName(QStringLiteral("choose"));
    connect(m_choose, &QAbstractButton::clicked, this, &QueueStrip::chooseRequested);
    header->addWidget(m_choose, 0, Qt::AlignVCenter);
    column->addLayout(header);

    m_working = new QWidget(this);
    auto* working = new QHBoxLayout(m_working);
    working->setContentsMargins(0, 0, 0, 0);
    working->setSpacing(10);
    m_spinner = new Spinner(14, m_working);
    working->addWidget(m_spinner, 0, Qt::AlignVCenter);
    m_counter = new Readout(TextStyle::caption, m_working);
    m_counter->setObjectName(QStringLiteral("counter"));
    working->addWidget(m_counter, 0, Qt::AlignVCenter);
    m_cancel = new LinkButton(L("Zrušit"), TextStyle::caption, m_working);
    connect(m_cancel, &QAbstractButton::clicked, this, [this] { m_store.cancelRun(); });
    working->addWidget(m_cancel, 0, Qt::AlignVCenter);
    working->addStretch(1);
    column->addWidget(m_working);

    m_outcome = new QWidget(this);
    auto* outcome = new QHBoxLayout(m_outcome);
    outcome->setContentsMargins(0, 0, 0, 0);
    outcome->setSpacing(14);
    m_message = new Text(QString(), TextStyle::callout, m_outcome);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWrap(true);
    // The links follow the message; the spare width goes after them.
    outcome->addWidget(m_message, 0, Qt::AlignVCenter);
    m_reveal = new LinkButton(L("Zobrazit ve správci souborů"), TextStyle::caption, m_outcome);
    connect(m_reveal, &QAbstractButton::clicked, this, [this] { m_store.revealOutputs(); });
    outcome->addWidget(m_reveal, 0, Qt::AlignVCenter);
    m_undo = new LinkButton(L("Vrátit"), TextStyle::caption, m_outcome);
    connect(m_undo, &QAbstractButton::clicked, this, [this] { m_store.undoLast(); });
    outcome->addWidget(m_undo, 0, Qt::AlignVCenter);
    outcome->addStretch(1);
    column->addWidget(m_outcome);

    for (auto signal : {&KelvaroStore::droppedFilesChanged, &KelvaroStore::isWorkingChanged})
        connect(&m_store, signal, this, &QueueStrip::refreshQueue);
    for (auto signal : {&KelvaroStore::isWorkingChanged, &KelvaroStore::progressDoneChanged,
                        &KelvaroStore::progressTotalChanged, &KelvaroStore::statusMessageChanged,
                        &KelvaroStore::statusIsErrorChanged, &KelvaroStore::lastOutputsChanged,
                        &KelvaroStore::undoStateChanged})
        connect(&m_store, signal, this, &QueueStrip::refreshStatus);
    setTargeted(false);
    refreshQueue();
    refreshStatus();
}

QString QueueStrip::title(qsizetype count)
{
    if (count == 0)
        return L("Žádné fotky ve frontě");
    return Lf("Ve frontě: %@", WatchScan::filesWord(count));
}

void QueueStrip::setTargeted(bool targeted)
{
    m_targeted = targeted;
    m_subtitle->setText(targeted ? L("Pusť fotky sem") : L("Přetáhni sem fotky nebo je vyber. Postup se spustí na všechny."));
    update();
}

bool QueueStrip::isSpinnerShown() const
{
    return !m_working->isHidden();
}

void QueueStrip::clearQueue()
{
    // The undo of the last run stays possible from any screen.
    m_store.releaseAccess();
    m_store.setDroppedFiles({});
    m_store.setLastOutputs({});
    m_store.setStatusMessage(std::nullopt);
}

void QueueStrip::refreshQueue()
{
    const qsizetype count = m_store.droppedFiles().size();
    m_icon->setSymbol(count > 0 ? QStringLiteral("photo.stack") : QStringLiteral("photo.on.rectangle.angled"));
    m_title->setText(title(count));
    m_clear->setVisible(count > 0);
    // Emptying the queue under a running batch would leave its status and undo without files.
    m_clear->setEnabled(!m_store.isWorking());
}

void QueueStrip::refreshStatus()
{
    const bool working = m_store.isWorking();
    const bool counted = working && m_store.progressTotal() >= 2;
    m_counter->setVisible(counted);
    // The run's own words, also after the interface switched language under it.
    const AppLanguage runLanguage = working ? m_store.runLanguage() : L10n::current();
    if (counted)
        m_counter->setText(Lf(runLanguage, "%lld z %lld", m_store.progressDone(), m_store.progressTotal()));
    m_cancel->setText(L(runLanguage, "Zrušit"));
    m_working->setVisible(working);

    const bool message = !working && m_store.statusMessage().has_value();
    m_outcome->setVisible(message);
    if (message) {
        m_message->setText(*m_store.statusMessage());
        if (m_store.statusIsError())
            m_message->setColor(Theme::rose());
        else
            m_message->setColor(Theme::emberText());
        m_reveal->setVisible(!m_store.lastOutputs().isEmpty());
        m_undo->setVisible(m_store.undoState().has_value());
    }
}

void QueueStrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(m_targeted ? Theme::ember() : Theme::primaryAt(this, 0.12), 1);
    if (!m_targeted) {
        pen.setStyle(Qt::CustomDashLine);
        pen.setDashPattern({5, 4}); // in pen widths: 5 on, 4 off
    }
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
}

} // namespace kelvaro
