#pragma once
// One of a row of fixed choices in a sheet (the resize sheet's long edges, the adjust sheet's
// turns and mirrors): a bordered button tinted ember while its choice is the sheet's current one,
// quiet otherwise, optionally with a symbol before its title. Never a default
// button, so Return reaches the sheet's action; takes focus only from the keyboard. Main thread.
#include <QPushButton>

namespace kelvaro {

class ChoiceButton : public QPushButton {
    Q_OBJECT
public:
    explicit ChoiceButton(const QString& title, QWidget* parent = nullptr);

    bool isChosen() const { return m_chosen; }
    void setChosen(bool chosen);
    // Draws the named symbol before the title.
    void setSymbol(const QString& symbol);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_chosen = false;
    QString m_symbol;
};

} // namespace kelvaro
