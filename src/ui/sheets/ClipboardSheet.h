#pragma once
// The "Schránka" wedge's sheet: the user picks what of the wheel's files goes to the clipboard
// (the files, their full paths or their names) and copies. The choice lives in the settings
// ("kelvaro.clipboardMode", default "files"), written at once on every pick and shared by every
// showing; the copying itself is the store's copyToClipboard, run after the sheet has closed.
// Created by the tool-sheet host for ToolSheet::clipboard; main thread.
#include "platform/SettingsKeys.h"
#include "store/KelvaroStore.h"
#include "ui/sheets/SheetFrame.h"

namespace kelvaro {

class SegmentedPicker;
class Text;

// The picker's title of a mode and its explanation, in the current language.
QString clipboardModeTitle(ClipboardMode mode);
QString clipboardModeExplanation(ClipboardMode mode);

class ClipboardSheet : public SheetFrame {
    Q_OBJECT
public:
    static constexpr const char* modeKey = SettingsKey::clipboardMode;

    explicit ClipboardSheet(KelvaroStore& store, QWidget* parent = nullptr);

    // The stored raw value ("files" when none is stored) and the mode it stands for.
    static QString modeRaw();
    static ClipboardMode mode();

    SegmentedPicker* picker() const { return m_picker; }
    Text* explanationText() const { return m_explanation; }

private:
    void refresh();

    SegmentedPicker* m_picker = nullptr;
    Text* m_explanation = nullptr;
};

} // namespace kelvaro
