#pragma once
// The last block of the loaded wheel: one capsule that says what the wheel will do (the hint or
// the hovered wedge), what the store is doing (spinner, "3 z 10" and "Zrušit") and how the last
// run ended (in ember text, or rose for an error); under it, while changes wait for a save that
// failed, a line that says so; after a run the result links (reveal,
// compare, undo) and the drag-out row; and the compare sheet it opens. Reads the store through
// WheelStore and redraws when it changes. Created by the loaded wheel; main thread.
#include <optional>

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "model/Models.h"
#include "ui/wheel/CompareSheet.h"
#include "ui/wheel/WheelStore.h"

class QVariantAnimation;

namespace kelvaro {
class LinkButton;
class Readout;
class Spinner;
} // namespace kelvaro

namespace kelvaro::wheel {

class DragOutRow;
class SymbolLabel;
class ToneLabel;
class UnsavedNotice;

// "Najeď na výseč a klikni" with no hovered wedge; else the wedge's translated key, then
// " · " and its detail when it has one.
QString hintText(const std::optional<WheelAction>& hovered);

enum class StatusTone { error, message, hint }; // rose, emberText, secondary
StatusTone statusTone(const std::optional<QString>& message, bool isError);

class StatusLine : public QWidget {
    Q_OBJECT
public:
    explicit StatusLine(WheelStore& store, QWidget* parent = nullptr);

    void setHoveredAction(const std::optional<WheelAction>& action);
    // Reads the store again (also done on every store change).
    void refresh();
    // Opens the compare sheet for the store's compare pair (an empty sheet without one).
    void openCompare();
    // Shows the failed files (the hover text) for a pointer resting at `globalPos` on the
    // capsule, above the capsule so the result links under it stay in sight.
    void showDetails(const QPoint& globalPos);

    // What is shown, for tests and the gallery.
    QString shownText() const;
    QString detailsText() const; // the hover text: each failed file's message, one a line
    StatusTone tone() const;
    QColor textColor() const;
    double capsuleOpacity() const; // 0.12 with a message, 0.06 without
    // A new hovered wedge changes the capsule over a 0.15 s ease-out: its frame and fill move,
    // its text and icon cross-fade. Where the fill stands now, in the line's coordinates.
    bool isCapsuleChanging() const;
    QWidget* capsule() const;
    QRectF capsuleFrame() const;
    QColor capsuleFill() const;
    bool isSpinnerShown() const;
    bool isCounterShown() const;
    QString counterText() const;
    bool isIconShown() const;
    QString iconSymbol() const;
    bool isResultRowShown() const;
    LinkButton* cancelButton() const { return m_cancel; }
    LinkButton* revealButton() const { return m_reveal; }
    LinkButton* compareButton() const { return m_compare; }
    LinkButton* undoButton() const { return m_undo; }
    DragOutRow* dragOutRow() const { return m_dragOut; }
    UnsavedNotice* unsavedNotice() const { return m_unsaved; }
    CompareSheet* compareSheet() const { return m_sheet; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Capsule;
    void onStoreChanged();
    void fitText();

    WheelStore& m_store;
    std::optional<WheelAction> m_hovered;
    Capsule* m_capsule = nullptr;
    Spinner* m_spinner = nullptr;
    Readout* m_counter = nullptr;
    LinkButton* m_cancel = nullptr;
    SymbolLabel* m_icon = nullptr;
    ToneLabel* m_text = nullptr;
    QWidget* m_resultRow = nullptr;
    LinkButton* m_reveal = nullptr;
    LinkButton* m_compare = nullptr;
    LinkButton* m_undo = nullptr;
    DragOutRow* m_dragOut = nullptr;
    UnsavedNotice* m_unsaved = nullptr;
    QPointer<CompareSheet> m_sheet;
    QVariantAnimation* m_change = nullptr;
    double m_changed = 1;  // 0 as a hover change starts, 1 once the capsule stands
    QRectF m_fromFrame;    // the capsule's frame and fill before the change
    QColor m_fromFill;
    QPixmap m_before;      // the capsule's content before the change
    QPointF m_beforeAt;    // where that picture stands, in the line's coordinates
    bool m_lastStudioCompare = false;
};

} // namespace kelvaro::wheel
