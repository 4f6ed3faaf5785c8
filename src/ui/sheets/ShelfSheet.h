#pragma once
// The "Na polici" sheet: copies of the loaded files go onto one of the store's shelves, picked
// in a list, or onto a new shelf named in the field below it. The two choices exclude each
// other: clicking a row picks it and empties the name (a second click drops it again), typing
// a name drops the pick. "Odložit" needs a pick or a name that is not only spaces and tabs and
// that no shelf bears (trimmed, in any letter case; a red line says so), and
// hands exactly that to the store's addToShelf once the sheet has closed. The list follows the
// store's shelves. Nothing is remembered between openings. While the stored shelves cannot be
// read, the sheet says so in place of the list and the field, and cannot run. Built by the
// tool-sheet host; main thread.
#include <optional>

#include <QAbstractButton>
#include <QPointer>
#include <QUuid>

#include "model/Models.h"
#include "store/KelvaroStore.h"
#include "ui/sheets/SheetFrame.h"

class QLineEdit;
class QScrollArea;
class QVBoxLayout;

namespace kelvaro {

class Text;

// One shelf of the list: its symbol in its palette colour, its name, and a check circle; the
// whole padded rectangle is the click target.
class ShelfRow : public QAbstractButton {
    Q_OBJECT
public:
    ShelfRow(const Shelf& shelf, QWidget* parent = nullptr);

    const Shelf& shelf() const { return m_shelf; }
    // The palette entry at |colorIndex mod 5|, for every stored index.
    QColor color() const;
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shelf m_shelf;
    bool m_selected = false;
};

class ShelfSheet : public SheetFrame {
    Q_OBJECT
public:
    static constexpr int listMaxHeight = 190;

    // What "Odložit" asks of the store: a shelf's id with an empty name, or no id and the name
    // as typed (the store trims it).
    struct Request {
        std::optional<QUuid> shelfID;
        QString newName;
        bool operator==(const Request&) const = default;
    };

    explicit ShelfSheet(KelvaroStore& store, QWidget* parent = nullptr);

    Request currentRequest() const { return {m_selected, m_newName}; }
    // A pick, or a name with something besides spaces and tabs at its ends.
    static bool isRunnable(const Request& request);

    const QList<ShelfRow*>& rows() const { return m_rows; }
    QScrollArea* list() const { return m_list; }
    QLineEdit* nameField() const { return m_name; }
    // Whether the red line says that another shelf already bears the typed name.
    bool nameTakenShown() const;

protected:
    std::function<void()> runClosure() const override;

private:
    void rowClicked(const QUuid& id);
    void rebuildRows();
    void refresh();

    QPointer<KelvaroStore> m_store;
    std::optional<QUuid> m_selected;
    QString m_newName;
    QScrollArea* m_list = nullptr;
    QVBoxLayout* m_listColumn = nullptr;
    QList<ShelfRow*> m_rows;
    QLineEdit* m_name = nullptr;
    Text* m_taken = nullptr;
    Text* m_unread = nullptr; // why no shelf can be added; only while the stored ones cannot be read
};

} // namespace kelvaro
