#include "ui/wheel/DropPrompt.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/wheel/DropRing.h"
#include "ui/wheel/WheelControls.h"
#include "ui/wheel/WheelStyle.h"

namespace kelvaro::wheel {

DropPrompt::DropPrompt(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(20);
    m_ring = new DropRing(this);
    column->addWidget(m_ring, 0, Qt::AlignHCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_title = new ToneLabel(QString(), this);
    m_title->setFont(wheelFont(TextSize::headline, QFont::DemiBold));
    m_title->setAlignment(Qt::AlignCenter);
    auto* subtitle = new ToneLabel(L("Otevře se kolo s akcemi pro tvoje soubory"), this);
    subtitle->setTone([](const WheelPalette& p) { return p.secondary; });
    subtitle->setFont(wheelFont(TextSize::callout));
    subtitle->setAlignment(Qt::AlignCenter);
    texts->addWidget(m_title);
    texts->addWidget(subtitle);
    column->addLayout(texts);

    m_browse = new PrimaryButton(L("Vybrat soubory…"), this);
    column->addWidget(m_browse, 0, Qt::AlignHCenter);

    auto* shortcut = new QHBoxLayout;
    shortcut->setSpacing(6);
    auto* orLabel = new ToneLabel(L("nebo"), this);
    orLabel->setTone([](const WheelPalette& p) { return p.secondary; });
    orLabel->setFont(wheelFont(TextSize::caption));
    shortcut->addStretch(1);
    shortcut->addWidget(orLabel);
    shortcut->addWidget(new KeyCap(QStringLiteral("Ctrl+O"), this));
    shortcut->addStretch(1);
    column->addLayout(shortcut);
    setTargeted(false);
}

void DropPrompt::setTargeted(bool targeted)
{
    m_ring->setTargeted(targeted);
    m_title->setText(targeted ? L("Pusť to sem") : L("Přetáhni sem fotky"));
}

QString DropPrompt::title() const
{
    return m_title->text();
}

} // namespace kelvaro::wheel
