#pragma once
// The standing word that changes made here are not on disk: while a save of the settings file
// (history, presets, workflows, shelves, watched folders, settings) has failed and its changes
// wait in memory, one rose line with the reason; it goes once a save succeeds. A run's status
// never replaces it. It stays hidden where it is not wanted or where the text just above it
// already says the same. Main thread; created under the wheel's status capsule and at the foot
// of the main window's screens.
#include <QWidget>

namespace kelvaro {
class Settings;
class Text;
} // namespace kelvaro

namespace kelvaro::wheel {

class UnsavedNotice : public QWidget {
    Q_OBJECT
public:
    explicit UnsavedNotice(QWidget* parent);
    UnsavedNotice(Settings& settings, QWidget* parent);

    // The sentence while changes wait for a save that failed; empty when everything is on disk.
    QString message() const;
    // Whether this place shows it at all (default true).
    void setWanted(bool wanted);
    // What stands just above: when it is the same sentence, the notice keeps out of sight.
    void setShownAbove(const QString& text);
    // Drawn on a rose capsule, for a place where it stands apart from the content above.
    void setBoxed(bool boxed);
    // Reads the settings' save state again (done whenever it changes).
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Settings& m_settings;
    Text* m_text = nullptr;
    QString m_message;
    QString m_shownAbove;
    bool m_wanted = true;
    bool m_boxed = false;
};

} // namespace kelvaro::wheel
