#pragma once
// The "Přejmenovat" sheet: copies of the loaded files under a new common name or their own,
// with or without a three-digit counter from a chosen start (0–9999). An example line shows the
// name the first file's copy will get, built by the engine's own naming rule, and follows the
// store's files. Starts with no name, numbered from 1, each time it opens; turning numbering off
// hides the start but keeps it. Built by the tool-sheet host; main thread.
#include <QStringList>

#include "ui/sheets/OperationSheet.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace kelvaro {

class Text;

class RenameSheet : public OperationSheet {
    Q_OBJECT
public:
    static constexpr int maxStart = 9999;

    explicit RenameSheet(KelvaroStore& store, QWidget* parent = nullptr);

    KelvaroOp currentOp() const override { return KelvaroOp::rename(m_spec); }

    // The name the first of `files` gets under `spec` ("foto.jpg" stands in for no file).
    static QString example(const RenameSpec& spec, const QStringList& files);

    QLineEdit* nameField() const { return m_name; }
    QCheckBox* numberedToggle() const { return m_numbered; }
    QSpinBox* startStepper() const { return m_start; }
    Text* exampleText() const { return m_example; }

private:
    void refresh();

    RenameSpec m_spec;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_numbered = nullptr;
    QSpinBox* m_start = nullptr;
    Text* m_example = nullptr;
};

} // namespace kelvaro
