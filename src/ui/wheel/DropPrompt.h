#pragma once
// The empty drop card's prompt: the drop ring, the title that answers a drag ("Přetáhni sem
// fotky" / "Pusť to sem"), the line under it, "Vybrat soubory…" and the Ctrl+O key cap. Knows
// nothing of the store: the card tells it whether a drag is over it and wires the button. Main
// thread; created by the drop card.
#include <QWidget>

namespace kelvaro::wheel {

class DropRing;
class PrimaryButton;
class ToneLabel;

class DropPrompt : public QWidget {
    Q_OBJECT
public:
    explicit DropPrompt(QWidget* parent);
    void setTargeted(bool targeted);
    QString title() const;
    DropRing* ring() const { return m_ring; }
    PrimaryButton* browseButton() const { return m_browse; }

private:
    DropRing* m_ring = nullptr;
    ToneLabel* m_title = nullptr;
    PrimaryButton* m_browse = nullptr;
};

} // namespace kelvaro::wheel
