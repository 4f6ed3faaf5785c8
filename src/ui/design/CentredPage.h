#pragma once
// The page of a scrolling main-window screen: transparent, scrolling only vertically, its content
// one column at most `maxWidth` wide, centred in wider windows. Main thread.
#include <QString>

class QScrollArea;
class QWidget;

namespace kelvaro {

// Sets `area` up as such a page and returns the column to lay the screen out in (it has no layout
// yet). The column's object name is `name`.
QWidget* installCentredColumn(QScrollArea* area, const QString& name, int maxWidth);

} // namespace kelvaro
