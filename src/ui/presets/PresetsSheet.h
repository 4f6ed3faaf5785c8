#pragma once
// The "Předvolby" sheet: lists the user's presets (the built-ins while nothing is stored), deletes
// one at once with its row's trash button, and adds a new one from the small form below the list
// (name, long side, format, quality, metadata), appended at the end. Every write goes through its
// UserPresets, the list's one writer; while the stored list cannot be read the sheet shows only
// the title, the error and "Hotovo", so nothing in it can write. "Hotovo", Return and Escape close
// it, but while the name field holds a name Return adds it and Escape does nothing, so no key
// throws away what was typed. The list follows the stored value while the sheet is open. A
// window-modal dialog, 480 wide; main thread; built afresh by the tool-sheet host for every
// opening.
#include <QDialog>
#include <QUuid>

#include "model/PresetSpec.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QScrollArea;
class QSlider;
class QVBoxLayout;

namespace kelvaro {

class KelvaroButton;
class Readout;
class Settings;
class Text;
class UserPresets;

// One preset of the list: its name (looked up, so the built-ins show translated) over its summary,
// and a trash button at the right.
class PresetRow : public QWidget {
    Q_OBJECT
public:
    PresetRow(const PresetSpec& preset, QWidget* parent = nullptr);
    const PresetSpec& preset() const { return m_preset; }
    QAbstractButton* deleteButton() const { return m_delete; }

Q_SIGNALS:
    void deleteRequested();

private:
    PresetSpec m_preset;
    QAbstractButton* m_delete = nullptr;
};

class PresetsSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 480;
    static constexpr int listMaxHeight = 300;

    explicit PresetsSheet(Settings& settings, QWidget* parent = nullptr);

    // The long sides offered, in px; 0 is "Beze změny".
    static const QList<int>& maxSides();
    // The formats offered: stored value and item text ("" is "Zachovat").
    static const QList<QPair<QString, QString>>& formats();

    // A name with something besides whitespace and line breaks.
    bool canAdd() const;
    // What "Přidat předvolbu" does: appends a preset with a new id, the trimmed name and the
    // form's values, then empties the name (the other fields keep theirs); says so when the
    // preset could not be saved. Writes the settings.
    void add();
    // What a row's trash button does: stores the list without that preset. Writes the settings.
    void remove(const QUuid& id);

    // The pieces, for tests and the gallery.
    UserPresets& presets() const { return *m_presets; }
    Text* titleText() const { return m_title; }
    Text* unreadableText() const { return m_unreadable; }
    // Why the last preset added is not on disk; hidden once one is.
    Text* notSavedText() const { return m_notSaved; }
    Text* emptyText() const { return m_empty; }
    const QList<PresetRow*>& rows() const { return m_rows; }
    QWidget* form() const { return m_form; }
    QLineEdit* nameField() const { return m_name; }
    QComboBox* maxSidePicker() const { return m_maxSide; }
    QComboBox* formatPicker() const { return m_format; }
    QSlider* qualitySlider() const { return m_quality; }
    Readout* qualityReadout() const { return m_qualityReadout; }
    QCheckBox* stripToggle() const { return m_strip; }
    KelvaroButton* addButton() const { return m_add; }
    KelvaroButton* doneButton() const { return m_done; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QWidget* buildForm();
    void rebuild();
    void refreshForm();
    void fitHeight();

    Settings& m_settings;
    UserPresets* m_presets = nullptr;
    QVBoxLayout* m_column = nullptr;
    Text* m_title = nullptr;
    Text* m_unreadable = nullptr;
    Text* m_notSaved = nullptr;
    QWidget* m_listBox = nullptr;
    QScrollArea* m_list = nullptr;
    QVBoxLayout* m_listColumn = nullptr;
    Text* m_empty = nullptr;
    QList<PresetRow*> m_rows;
    QWidget* m_divider = nullptr;
    QWidget* m_form = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_maxSide = nullptr;
    QComboBox* m_format = nullptr;
    QSlider* m_quality = nullptr;
    Readout* m_qualityReadout = nullptr;
    QCheckBox* m_strip = nullptr;
    KelvaroButton* m_add = nullptr;
    KelvaroButton* m_done = nullptr;
};

} // namespace kelvaro
