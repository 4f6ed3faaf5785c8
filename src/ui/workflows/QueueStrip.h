#pragma once
// The workflows screen's queue: the store's dropped files (the same the wheel works on) with
// "Vyprázdnit" and "Vybrat fotky…", and under them the store's run status: a spinner with
// "2 z 5" and "Zrušit" while a run works, else the last message with reveal and undo. The run
// may have started on any screen. A dashed outline, solid ember while files are dragged over the
// screen. Main thread; created by the workflows screen.
#include <QWidget>

namespace kelvaro {

class KelvaroButton;
class KelvaroStore;
class LinkButton;
class Readout;
class Spinner;
class SymbolView;
class Text;

class QueueStrip : public QWidget {
    Q_OBJECT
public:
    explicit QueueStrip(KelvaroStore& store, QWidget* parent = nullptr);

    // "Žádné fotky ve frontě", "Ve frontě: 3 soubory"; in the current language.
    static QString title(qsizetype count);

    void setTargeted(bool targeted);
    bool isTargeted() const { return m_targeted; }

    // The pieces, for tests and the gallery.
    SymbolView* icon() const { return m_icon; }
    Text* titleText() const { return m_title; }
    Text* subtitleText() const { return m_subtitle; }
    KelvaroButton* clearButton() const { return m_clear; }
    KelvaroButton* chooseButton() const { return m_choose; }
    bool isSpinnerShown() const;
    Readout* counterText() const { return m_counter; }
    Text* messageText() const { return m_message; }
    LinkButton* cancelButton() const { return m_cancel; }
    LinkButton* revealButton() const { return m_reveal; }
    LinkButton* undoButton() const { return m_undo; }

Q_SIGNALS:
    void chooseRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void clearQueue();
    void refreshQueue();
    void refreshStatus();

    KelvaroStore& m_store;
    bool m_targeted = false;
    SymbolView* m_icon = nullptr;
    Text* m_title = nullptr;
    Text* m_subtitle = nullptr;
    KelvaroButton* m_clear = nullptr;
    KelvaroButton* m_choose = nullptr;
    QWidget* m_working = nullptr;
    Spinner* m_spinner = nullptr;
    Readout* m_counter = nullptr;
    LinkButton* m_cancel = nullptr;
    QWidget* m_outcome = nullptr;
    Text* m_message = nullptr;
    LinkButton* m_reveal = nullptr;
    LinkButton* m_undo = nullptr;
};

} // namespace kelvaro
