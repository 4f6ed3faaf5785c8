#pragma once
// The status line's error on a screen that has no status line of its own (history, shelves,
// watched folders, the guide): the message in rose on a capsule at the foot of the screen. It
// appears when the store reports an error while such a screen is shown, and goes when another
// screen is shown or the store's status turns to something else. Main thread; created by
// ContentView under its screens.
#include <QWidget>

namespace kelvaro {

class KelvaroStore;
class Text;

class StatusNotice : public QWidget {
    Q_OBJECT
public:
    explicit StatusNotice(KelvaroStore& store, QWidget* parent = nullptr);

    // A new screen is shown: whether it shows the store's status itself. Either way an error
    // met on the screen before is gone.
    void setScreenShowsStatus(bool shows);
    // The message shown; empty while the notice is hidden.
    QString text() const;

Q_SIGNALS:
    // text() may have changed.
    void shownChanged();

private:
    class Capsule;

    void showReported();
    void dropIfStale();

    KelvaroStore& m_store;
    Capsule* m_capsule = nullptr;
    Text* m_text = nullptr;
    bool m_screenShowsStatus = true;
};

} // namespace kelvaro
