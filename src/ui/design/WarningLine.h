#pragma once
// The rose warning mark and its wrapped text, laid into a row: what a notice of something that
// went wrong shows wherever it stands. Main thread.
#include "ui/design/Text.h"

class QHBoxLayout;

namespace kelvaro {

// Adds the mark and an empty text of `style` to `row`, both children of `owner`; returns the text
// (its object name "message"), which the caller fills.
Text* addWarningLine(QHBoxLayout* row, QWidget* owner, TextStyle style);

} // namespace kelvaro
