#include "ui/sheets/ClipboardSheet.h"

#include <QPointer>

#include "l10n/Localization.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/SegmentedPicker.h"

namespace kelvaro {

QString clipboardModeTitle(ClipboardMode mode)
{
    switch (mode) {
    case ClipboardMode::files: return L("Soubory");
    case ClipboardMode::paths: return L("Cesty");
    case ClipboardMode::names: return L("Názvy");
    }
    return {};
}

QString clipboardModeExplanation(ClipboardMode mode)
{
    switch (mode) {
    case ClipboardMode::files:
        return L("Zkopíruje samotné soubory. Pak je vložíš Ctrl+V do správce souborů, e-mailu nebo zprávy.");
    case ClipboardMode::paths:
        return L("Zkopíruje úplnou cestu ke každému souboru, každou na nový řádek. Hodí se pro terminál a skripty.");
    case ClipboardMode::names:
        return L("Zkopíruje jen názvy souborů, každý na nový řádek. Hodí se do seznamů a poznámek.");
    }
    return {};
}

QString ClipboardSheet::modeRaw()
{
    return Settings::shared().stringOr(QString::fromLatin1(modeKey), QStringLiteral("files"));
}

ClipboardMode ClipboardSheet::mode()
{
    return clipboardModeFromRaw(modeRaw());
}

ClipboardSheet::ClipboardSheet(KelvaroStore& store, QWidget* parent)
    : SheetFrame(LKey("Do schránky"), QStringLiteral("doc.on.clipboard"), LKey("Zkopírovat"), parent)
{
    QList<SegmentedPicker::Segment> segments;
    for (ClipboardMode m : {ClipboardMode::files, ClipboardMode::paths, ClipboardMode::names})
        segments.append({rawValue(m), clipboardModeTitle(m)});
    m_picker = new SegmentedPicker(segments, L("Co zkopírovat"), this);
    addContent(m_picker);

    m_explanation = new Text(QString(), TextStyle::callout, this);
    m_explanation->setColor(Theme::secondary());
    m_explanation->setWrap(true);
    // Its one-line width can exceed the sheet's: a fixed height taken from that width would cut
    // the second line off, so the height comes from the width it is given.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setHeightForWidth(true);
    m_explanation->setSizePolicy(policy);
    addContent(m_explanation);

    connect(m_picker, &SegmentedPicker::tagClicked, this,
            [](const QString& tag) { Settings::shared().setValue(QString::fromLatin1(modeKey), tag); });
    connect(&Settings::shared(), &Settings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(modeKey))
            refresh();
    });
    refresh();
    m_picker->setFocus(); // Left and Right pick at once

    // The store outlives any sheet in the application; a test may not keep it that long.
    QPointer<KelvaroStore> target(&store);
    setOnRun([target] {
        if (target)
            target->copyToClipboard(mode()); // the mode as stored when the copy runs
    });
}

void ClipboardSheet::refresh()
{
    // An unknown stored value copies files and explains files, with no segment picked.
    m_picker->setSelection(modeRaw());
    m_explanation->setText(clipboardModeExplanation(mode()));
}

} // namespace kelvaro
