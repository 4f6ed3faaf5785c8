#include "ui/settings/PrivacyPolicyView.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "l10n/Localization.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/SettingRows.h"

namespace kelvaro::settings {

QList<QPair<QString, QString>> PrivacyPolicyView::paragraphs(const QString& feedHost)
{
    QList<QPair<QString, QString>> list{
        {L("Jaká data sbíráme"),
         L("Žádná. Kelvaro neodesílá fotky, názvy souborů ani statistiky použití. Neobsahuje analytiku, reklamy ani sledování.")},
        {L("Kde zůstávají tvoje soubory"),
         L("Všechny úpravy probíhají přímo v tvém počítači. Výsledky se ukládají jen do složky, kterou si sám vybereš. Originály se nemění.")},
        {L("Co si aplikace pamatuje"),
         L("Nastavení, police, postupy, sledované složky a historii ukládá lokálně v počítači. Vše můžeš kdykoli smazat v Nastavení nebo odinstalováním aplikace.")},
        {L("Přístup k souborům a oznámení"),
         L("Aplikace vidí jen soubory a složky, které jí sám předáš. Oznámení používá jen k hlášení dokončené automatické práce a můžeš je vypnout v Nastavení systému.")},
    };
    if (!feedHost.isEmpty())
        list.append({L("Kontrola nových verzí"),
                     Lf("Jednou denně si aplikace stáhne z %@ malý soubor s číslem nejnovější verze. Nic o tobě ani o tvých "
                        "souborech neposílá, server vidí jen běžné údaje o spojení (IP adresu a verzi aplikace). Kontrolu "
                        "vypneš v Nastavení → O aplikaci.",
                        feedHost)});
    list.append({L("Změny zásad"), L("Pokud se zásady změní, nová verze bude vždy k dispozici přímo v aplikaci.")});
    return list;
}

PrivacyPolicyView::PrivacyPolicyView(const QString& feedHost, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("privacyPolicy"));
    setWindowTitle(L("Zásady ochrany soukromí"));
    setFixedSize(520, 520);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("policyText"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* body = new QWidget(scroll);
    auto* text = new QVBoxLayout(body);
    text->setContentsMargins(28, 28, 28, 28);
    text->setSpacing(18);
    auto* heading = new Text(L("Zásady ochrany soukromí"), TextStyle::display, body);
    wrapToWidth(heading);
    text->addWidget(heading);
    for (const auto& [title, paragraph] : paragraphs(feedHost)) {
        auto* block = new QVBoxLayout();
        block->setSpacing(4);
        block->addWidget(new Text(title, TextStyle::headline, body));
        auto* words = new Text(paragraph, TextStyle::body, body);
        words->setColor(Theme::secondary());
        wrapToWidth(words);
        block->addWidget(words);
        text->addLayout(block);
    }
    text->addStretch(1);
    scroll->setWidget(body);
    column->addWidget(scroll, 1);
    column->addWidget(new Divider(Qt::Horizontal, -1, this));

    auto* footer = new QHBoxLayout();
    footer->setContentsMargins(16, 16, 16, 16);
    footer->addStretch(1);
    m_done = new KelvaroButton(L("Hotovo"), KelvaroButton::Kind::primary, this);
    m_done->setObjectName(QStringLiteral("done"));
    connect(m_done, &QAbstractButton::clicked, this, &QDialog::accept);
    footer->addWidget(m_done);
    column->addLayout(footer);
    // The window is there to be read: the keys scroll the text from the start, Tab goes to "Hotovo".
    scroll->setFocus();
}

void PrivacyPolicyView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kelvaro::settings
