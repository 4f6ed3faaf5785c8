#pragma once
// The sheet in which one shelf gets a new name, colour and icon. It edits copies of the three
// values; "Uložit" hands them to the store (which renames the shelf's folder and saves) after
// the sheet has closed, "Zrušit" or Escape leaves the shelf as it was. A name another shelf
// already bears (in any letter case) or a blank one cannot be saved. Main thread; created by
// ShelvesView, shown window-modal.
#include <memory>

#include <QUuid>

#include "model/Models.h"
#include "ui/sheets/SheetFrame.h"

class QAbstractButton;
class QLineEdit;

namespace kelvaro {

class KelvaroStore;
class Text;

class ShelfEditSheet : public SheetFrame {
    Q_OBJECT
public:
    ShelfEditSheet(KelvaroStore& store, const Shelf& shelf, QWidget* parent = nullptr);

    // The icons offered, in order (four rows of five).
    static const QStringList& symbols();
    // The colour index the sheet starts with: the stored one modulo the palette size, keeping
    // its sign (7 gives 2, -3 stays -3), so an untouched negative index is saved unchanged.
    static int initialColorIndex(int stored);

    QString name() const;
    QString symbol() const;
    int colorIndex() const;
    bool nameTaken() const;
    bool canSave() const;

    QLineEdit* nameField() const { return m_name; }
    Text* takenText() const { return m_taken; }
    QList<QAbstractButton*> colorDots() const { return m_dots; }
    QList<QAbstractButton*> iconCells() const { return m_cells; }

    void setColorIndex(int index);
    void setSymbol(const QString& symbol);

private:
    struct Values {
        QString name;
        QString symbol;
        int colorIndex = 0;
    };

    void refresh();

    KelvaroStore& m_store;
    QUuid m_id;
    std::shared_ptr<Values> m_values;
    QLineEdit* m_name;
    Text* m_taken;
    QList<QAbstractButton*> m_dots;
    QList<QAbstractButton*> m_cells;
};

} // namespace kelvaro
