#pragma once
// The shared chrome of the operation sheets: a badge and a title at the top, the sheet's own
// controls in the middle (18 px apart), and a footer with "Zrušit" and one action button. The
// action button (or Return, unless the action deletes) closes the sheet first and hands the run
// closure to the main event loop, so the operation starts on a later turn, after the sheet is
// gone; "Zrušit" (or Escape) only closes it. It never opens with the focus on a value control,
// and a sheet whose action deletes opens with it on "Zrušit".
// 440 px wide, as high as its content. A dialog the main window shows window-modal; main thread.
// Each sheet creates one (or derives from it).
#include <functional>

#include <QDialog>

#include "ui/design/Theme.h"

class QVBoxLayout;

namespace kelvaro {

class IconBadge;
class KelvaroButton;
class Text;

class SheetFrame : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 440;
    static constexpr int sheetPadding = 24;
    static constexpr int sheetSpacing = 18;

    // `title` and `actionTitle` are Czech and looked up here; `symbol` names the badge's glyph.
    SheetFrame(const QString& title, const QString& symbol, const QString& actionTitle, QWidget* parent = nullptr);

    // Appends one top-level control between the header and the footer.
    void addContent(QWidget* control);
    void addContent(QLayout* controls);
    // Appends a secondary text (shown as given) that wraps within the sheet's width.
    Text* addCaption(const QString& text, TextStyle style);

    // For a confirmation whose action deletes: the action and the badge are drawn in the
    // destructive style, and Return no longer runs it (only a click does).
    void setDestructive(bool destructive);
    bool isDestructive() const { return m_destructive; }

    bool canRun() const { return m_canRun; }
    void setCanRun(bool canRun);
    // Runs on the main thread after the sheet has closed; it should read what it needs then.
    void setOnRun(std::function<void()> onRun) { m_onRun = std::move(onRun); }

    // What the action button does: close, then queue the run. Nothing while the sheet cannot run.
    void run();

    IconBadge* badge() const { return m_badge; }
    KelvaroButton* actionButton() const { return m_action; }
    KelvaroButton* cancelButton() const { return m_cancel; }
    Text* titleText() const { return m_title; }

protected:
    // What the action hands to the main event loop, taken as the sheet closes: the closure of
    // setOnRun unless a sheet builds its own from its fields of that moment.
    virtual std::function<void()> runClosure() const { return m_onRun; }

    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void settleFirstFocus();
    void fitHeight();

    QVBoxLayout* m_column = nullptr;
    int m_contentIndex = 1; // where the next control goes: after the header
    IconBadge* m_badge = nullptr;
    Text* m_title = nullptr;
    KelvaroButton* m_cancel = nullptr;
    KelvaroButton* m_action = nullptr;
    bool m_canRun = true;
    bool m_destructive = false;
    std::function<void()> m_onRun;
};

} // namespace kelvaro
