#include "ui/settings/ShortcutsSettingsTab.h"

#include <QHBoxLayout>

#include "l10n/Localization.h"
#include "model/Models.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/ModeSwitcher.h"

namespace kelvaro::settings {
namespace {

QLayout* shortcutRow(SettingLabel* label, const QStringList& keys, QWidget* parent)
{
    auto* row = new QHBoxLayout();
    row->setSpacing(4);
    row->addWidget(label, 1);
    for (const QString& key : keys)
        row->addWidget(new KeyCap(key, parent), 0, Qt::AlignVCenter);
    return row;
}

} // namespace

ShortcutsSettingsTab::ShortcutsSettingsTab(QWidget* parent) : SettingsPage(parent)
{
    setObjectName(QStringLiteral("shortcuts"));
    auto* wheel = new SettingsSection([] { return L("Kolo akcí"); },
                                      [] { return L("Samotný modifikátor přepne kolo, Ctrl+1–3 otevře příslušný režim."); });
    int position = 0;
    for (WheelMode mode : allWheelModes()) {
        ++position;
        auto* label = new SettingLabel(ModeSwitcher::symbol(mode), Theme::ember(), [mode] { return title(mode); },
                                       [] { return L("Podrž klávesu nebo stiskni zkratku"); }, wheel);
        wheel->addRow(shortcutRow(label, {modifierKeys(mode), QStringLiteral("Ctrl+%1").arg(position)}, wheel));
    }
    addSection(wheel);

    auto* application = new SettingsSection([] { return L("Aplikace"); });
    application->addRow(shortcutRow(new SettingLabel(QStringLiteral("plus"), tint::blue(), [] { return L("Vybrat soubory"); }, {}, application),
                                    {QStringLiteral("Ctrl+O")}, application));
    application->addRow(shortcutRow(new SettingLabel(QStringLiteral("gearshape"), tint::gray(), [] { return L("Nastavení"); }, {}, application),
                                    {QStringLiteral("Ctrl+,")}, application));
    application->addRow(shortcutRow(new SettingLabel(QStringLiteral("questionmark.circle"), tint::green(), [] { return L("Průvodce"); }, {}, application),
                                    {QStringLiteral("Ctrl+?")}, application));
    addSection(application);
}

} // namespace kelvaro::settings
