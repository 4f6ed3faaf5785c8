#pragma once
// What the keys do to the scrolling pages, which take no Tab focus of their own (KelvaroStyle):
// a control the keys move the focus to (Tab, Backtab, the arrows, a mnemonic) is scrolled into
// view in every page it lies in, and a scrolling key that no control took (Page Up/Down, the up
// and down arrows, Home, End) scrolls the page: the page it reached, or, where it reached the
// window through no page that can scroll, the window's largest page or list that can. One filter on the
// application, installed by KelvaroStyle while it is the application's style. Main thread.
#include <QObject>

class QKeyEvent;
class QWidget;

namespace kelvaro {

class KeyboardScrolling : public QObject {
    Q_OBJECT
public:
    static void install();
    static void uninstall();

    // Scrolls every page `widget` lies in so that it can be seen, the innermost page first.
    static void reveal(QWidget* widget);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static KeyboardScrolling& shared();
    static bool scrollPage(QWidget* receiver, QKeyEvent* key);
};

} // namespace kelvaro
