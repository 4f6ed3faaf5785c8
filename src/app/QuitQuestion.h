#pragma once
// The question asked when the application is to end while changes could not be saved: why the
// save failed, that the changes go with the application, "Zkusit znovu" (saves again: on success
// the sheet is accepted, else it stays with the new reason and the time of the failed try) and
// "Přesto ukončit". Escape or
// closing it keeps the application running. The sheet frame's look; main thread; created by
// QuitGuard over the window that asked to end.
#include "ui/sheets/SheetFrame.h"

namespace kelvaro {

class Settings;

class QuitQuestion : public SheetFrame {
    Q_OBJECT
public:
    QuitQuestion(Settings& settings, QWidget* parent);

    KelvaroButton* retryButton() const { return actionButton(); }
    KelvaroButton* quitButton() const { return cancelButton(); }
    QString reason() const;
    // What the question says about the last "Zkusit znovu" that failed; empty before one.
    QString retried() const;

    // Saves again; accepts the sheet when everything is on disk now.
    void retry();

Q_SIGNALS:
    // "Přesto ukončit": end without the changes.
    void quitAnyway();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showReason();

    Settings& m_settings;
    Text* m_reason = nullptr;
    Text* m_retried = nullptr;
};

} // namespace kelvaro
