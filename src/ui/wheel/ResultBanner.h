#pragma once
// The empty drop card's result banner: the store's last message (rose for an error, ember text
// otherwise) on a faint capsule, with "Zobrazit ve správci souborů" and "Vrátit" while the last
// run's outputs and undo last. The card fills it from the store and wires its links. Main thread;
// created by the drop card.
#include <QWidget>

namespace kelvaro {
class LinkButton;
}

namespace kelvaro::wheel {

class ToneLabel;

class ResultBanner : public QWidget {
    Q_OBJECT
public:
    explicit ResultBanner(QWidget* parent);
    // Shows `message` as given (the store's texts are translated), with the links that apply.
    void setMessage(const QString& message, bool isError, bool hasOutputs, bool hasUndo);
    // The widest the message may wrap to, in pixels.
    void setWrapWidth(int width);
    QString text() const;
    LinkButton* revealButton() const { return m_reveal; }
    LinkButton* undoButton() const { return m_undo; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ToneLabel* m_message = nullptr;
    QWidget* m_links = nullptr;
    LinkButton* m_reveal = nullptr;
    LinkButton* m_undo = nullptr;
};

} // namespace kelvaro::wheel
